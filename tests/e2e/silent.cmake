# Unattended runs for deployment tools (tests/e2e/silent.sh): /S install,
# upgrade and removal, every exit code, the log. No search, so no network
# namespace.
add_test(NAME ${WINE_ARCH}.e2e.silent
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/silent.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.silent PROPERTIES
  LABELS "e2e;win" TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
