# End to end: the real program under Wine from a copy of the demo package,
# driven by twdriver, judged by the files, settings, registry keys and device
# entries it leaves. Each scenario is one session in a fresh prefix whose
# server lives in private network namespaces with simulated scanners (the
# program's search broadcasts), so these tests need root.
foreach(scenario road languages versions networks folder)
  add_test(NAME ${WINE_ARCH}.e2e.${scenario}
    COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.sh --scenario ${scenario}
            --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
            --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>
            --lang-dir ${CMAKE_BINARY_DIR}/lang)
  set_tests_properties(${WINE_ARCH}.e2e.${scenario} PROPERTIES
    LABELS "e2e;win;netns" TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
endforeach()
