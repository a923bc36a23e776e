# The pages at 96 and 144 DPI on a private X server (tests/e2e/dpi.sh): the
# header spans the page at both, the address field in scaled pixels. Root
# only (the namespaces of tests/e2e/session.sh).
add_test(NAME ${WINE_ARCH}.e2e.dpi
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/dpi.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.dpi PROPERTIES
  LABELS "e2e;win;netns" TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
