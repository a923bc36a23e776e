# Hostile packages end to end (tests/e2e/hostile.sh): the real program from the
# roots of broken packages, install and removal in one prefix, drive_c listed
# before and after; then read-only, held and missing files. No search, so no
# network namespace.
add_test(NAME ${WINE_ARCH}.e2e.hostile
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/hostile.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.hostile PROPERTIES
  LABELS "e2e;win" TIMEOUT 900 FIXTURES_REQUIRED wine-${WINE_ARCH})
