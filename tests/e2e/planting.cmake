# DLL planting: the program started from a package folder salted with
# libraries named after those it loads at run time loads none of them
# (tests/e2e/planting.sh). The planted library and the control probe are built
# here for this tree's architecture.
add_library(planted MODULE ${CMAKE_SOURCE_DIR}/tests/e2e/planting/planted_dll.cpp)
set_target_properties(planted PROPERTIES PREFIX "" OUTPUT_NAME planted)
target_link_options(planted PRIVATE -static)
add_executable(planting-probe ${CMAKE_SOURCE_DIR}/tests/e2e/planting/probe.cpp)
target_link_options(planting-probe PRIVATE -static)
add_test(NAME ${WINE_ARCH}.planting
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/planting.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>
          --dll $<TARGET_FILE:planted> --probe $<TARGET_FILE:planting-probe>)
set_tests_properties(${WINE_ARCH}.planting PROPERTIES
  LABELS win TIMEOUT 600 FIXTURES_REQUIRED wine-${WINE_ARCH})
