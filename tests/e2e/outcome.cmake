# What the program says is true, and one copy at a time (tests/e2e/outcome.sh):
# a second start while the wizard runs, installs that fail and are undone, an
# upgrade that keeps the old files, a removal that says what stays. No search,
# so no network namespace.
add_test(NAME ${WINE_ARCH}.e2e.outcome
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/outcome.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.outcome PROPERTIES
  LABELS "e2e;win" TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
