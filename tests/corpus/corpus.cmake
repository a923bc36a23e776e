# The package checker under Wine, in one Wine run: the demo package must pass
# (exit 0, warnings allowed), every package of the generated corpus of broken
# and hostile packages must be caught (exit 1 and its expected findings).
# The corpus is written into the build tree by tests/corpus/make-corpus.py.
add_test(NAME ${WINE_ARCH}.pkgcheck.corpus
  COMMAND ${WINE_GATE} python3 ${CMAKE_SOURCE_DIR}/tests/corpus/check-corpus.py
          --wine-run ${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh --wine-root ${CMAKE_BINARY_DIR}/wine
          --arch ${WINE_ARCH} --exe $<TARGET_FILE:pkgcheck>
          --example ${CMAKE_SOURCE_DIR}/examples/package --out ${CMAKE_BINARY_DIR}/corpus)
set_tests_properties(${WINE_ARCH}.pkgcheck.corpus PROPERTIES
  FIXTURES_REQUIRED wine-${WINE_ARCH} LABELS win TIMEOUT 600 SKIP_RETURN_CODE 77)

# The Linux wrapper, which package authors call, uses the x86_64 build.
if(WINE_ARCH STREQUAL "win64")
  get_filename_component(PKGCHECK_BUILD_DIR ${CMAKE_BINARY_DIR} DIRECTORY)
  add_test(NAME win64.pkgcheck.wrapper
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/corpus/check-corpus.py
            --wrapper ${CMAKE_SOURCE_DIR}/tools/pkgcheck/pkgcheck --build ${PKGCHECK_BUILD_DIR}
            --example ${CMAKE_SOURCE_DIR}/examples/package --out ${CMAKE_BINARY_DIR}/corpus-wrapper)
  set_tests_properties(win64.pkgcheck.wrapper PROPERTIES
    FIXTURES_REQUIRED wine-${WINE_ARCH} LABELS win TIMEOUT 600)
endif()
