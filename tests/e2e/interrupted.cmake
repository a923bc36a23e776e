# Upgrades and removals of a 200 MB driver cut short at 20 moments each, and
# the next start that puts the computer right (tests/e2e/interrupted.sh).
add_test(NAME ${WINE_ARCH}.e2e.interrupted
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/interrupted.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.interrupted PROPERTIES
  LABELS "e2e;win" TIMEOUT 600 FIXTURES_REQUIRED wine-${WINE_ARCH})
