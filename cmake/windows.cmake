# Windows build (mingw-w64). The i686 build is the product; the x86_64 build of
# the same sources is the test host, because Wine's 32-bit half needs IA-32
# support in the host kernel, which not every machine has. Tests under Wine run
# the x86_64 build; the i686 artefacts are checked statically, loaded as data
# by the tests, and run for real where the host runs 32-bit code.

enable_language(RC)
set(WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh --root ${CMAKE_BINARY_DIR}/wine)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(TW_PRODUCT_BUILD ON)
  set(WINE_ARCH win32)
else()
  set(TW_PRODUCT_BUILD OFF)
  set(WINE_ARCH win64)
endif()

# Declarations up to XP; anything newer than Windows 95 is looked up at run
# time, which the import test enforces.
add_compile_definitions(WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0500 NOMINMAX)

set(PRODUCT_FLAGS -Os -Wall -Wextra -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
# Reproducible images: no link time stamped into any of them, so two builds
# of one commit, in any folders, give the same bytes (the release's hashes
# can be checked by rebuilding).
add_link_options(-Wl,--no-insert-timestamp)
include(${CMAKE_SOURCE_DIR}/cmake/version.cmake)
set(PRODUCT_LINK -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)

add_library(twpure STATIC ${PURE_SOURCES})
target_include_directories(twpure PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(twpure PRIVATE ${PRODUCT_FLAGS})

add_library(twglue STATIC ${GLUE_SOURCES})
target_include_directories(twglue PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(twglue PRIVATE ${PRODUCT_FLAGS})
target_link_libraries(twglue PUBLIC twpure)

set(PRODUCT_LIBS kernel32 user32 gdi32 comctl32 advapi32 wsock32)

file(GLOB PRODUCT_RC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/resources/*.rc)
add_executable(TwainSetup WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${PRODUCT_RC})
target_compile_options(TwainSetup PRIVATE ${PRODUCT_FLAGS})
target_link_libraries(TwainSetup PRIVATE twglue ${PRODUCT_LIBS})
# The manifest carries the version too (resource script: TwainSetup.rc).
configure_file(${CMAKE_SOURCE_DIR}/ui/resources/TwainSetup.manifest.in ${CMAKE_BINARY_DIR}/manifest/TwainSetup.manifest @ONLY)
target_include_directories(TwainSetup PRIVATE ${CMAKE_BINARY_DIR}/manifest)
# Subsystem version 4.0: Windows 95 refuses programs that ask for more.
# Sections aligned in the file as in memory: the loader maps the 12 MB of
# embedded libraries straight from the file instead of reading them all in
# before the first page shows (under Wine a third of the start-up time).
target_link_options(TwainSetup PRIVATE ${PRODUCT_LINK} -mwindows
  -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
  -Wl,--major-os-version,4 -Wl,--minor-os-version,0
  -Wl,--file-alignment,4096)

# A release build (scripts/release.sh) signs every image as it is linked:
# the libraries before the program embeds them, since it writes them into
# the system folder, then the program (scripts/sign.sh names the certificate).
option(TW_SIGN "Sign every image with Authenticode as it is linked" OFF)
function(tw_sign target)
  if(TW_SIGN)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/sign.sh $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()
tw_sign(TwainSetup)

# Resources (string tables, templates, pictures, the embedded libraries) and
# the driver-setup library.
add_subdirectory(drvsetup)
include(${CMAKE_SOURCE_DIR}/ui/resources/resources.cmake)

# ---- tests ---------------------------------------------------------------
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(TW_PRODUCT_BUILD)
  # Static checks of the shipped binaries.
  add_test(NAME product.imports
    COMMAND ${CMAKE_SOURCE_DIR}/tests/static/check-imports.sh
            ${CMAKE_OBJDUMP} ${CMAKE_SOURCE_DIR}/tests/static/imports-allowed.txt $<TARGET_FILE:TwainSetup>)
  add_test(NAME product.pe-header
    COMMAND ${CMAKE_SOURCE_DIR}/tests/static/check-pe.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:TwainSetup>)
  set_tests_properties(product.imports product.pe-header PROPERTIES LABELS "unit;static")
endif()

# Tests that run under Wine: one program holding the GoogleTest cases of
# tests/win/*.cpp. Programs of their own (with a main() that would replace
# GoogleTest's) live in folders below: tests/win/programs, tests/e2e/planting.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(win_tests ${WIN_TEST_SOURCES})
target_link_libraries(win_tests PRIVATE twglue GTest::gtest_main ${PRODUCT_LIBS} setupapi)
target_link_options(win_tests PRIVATE -static)
target_compile_definitions(win_tests PRIVATE TW_PRODUCT_DIR="${TW_PRODUCT_DIR}")

# Wine's 32-bit half runs only where the host runs 32-bit code; there the
# i686 tree's tests run the real product. Elsewhere each of them reports as
# skipped, with the reason (tests/wine/ia32.sh), and the x86-64 tree's same
# tests stand in for them.
if(WINE_ARCH STREQUAL "win32")
  set(WINE_GATE ${CMAKE_SOURCE_DIR}/tests/wine/ia32.sh --gate)
  set(WINE_RUN ${WINE_GATE} ${WINE_RUN})
else()
  set(WINE_GATE "")
endif()

# Prefixes are shared by the tests of one run; the fixture stops their
# servers at the end so that nothing of Wine outlives the test run.
add_test(NAME ${WINE_ARCH}.wine.stop COMMAND ${WINE_GATE} ${CMAKE_SOURCE_DIR}/tests/wine/stop-servers.sh ${CMAKE_BINARY_DIR}/wine)
set_tests_properties(${WINE_ARCH}.wine.stop PROPERTIES FIXTURES_CLEANUP wine-${WINE_ARCH} LABELS win)
# The prefix template and the XP prefix are made first, once, in the
# machine's own namespace, before tests start sessions in private ones.
add_test(NAME ${WINE_ARCH}.wine.prepare COMMAND ${WINE_RUN} --arch ${WINE_ARCH} --version winxp cmd /c exit)
set_tests_properties(${WINE_ARCH}.wine.prepare PROPERTIES FIXTURES_SETUP wine-${WINE_ARCH} LABELS win TIMEOUT 600)

# wine_test(NAME VERSION PROGRAM ARGS...): run in the shared prefix of that
# emulated version. wine_test_fresh: in a throw-away copy of it, for tests
# that change the system's state.
# A filter that no case matches passes in GoogleTest ("0 tests"): here it fails.
function(wine_test name version)
  add_test(NAME ${name} COMMAND ${WINE_RUN} --arch ${WINE_ARCH} --version ${version} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine-${WINE_ARCH} LABELS win TIMEOUT 600
    FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
endfunction()
function(wine_test_fresh name version)
  add_test(NAME ${name} COMMAND ${WINE_RUN} --arch ${WINE_ARCH} --version ${version} --fresh ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine-${WINE_ARCH} LABELS win TIMEOUT 600
    FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
endfunction()

# The suite program must be GoogleTest's: a stray main() linked in would run
# no case and every registration below would pass.
wine_test(${WINE_ARCH}.suite winxp $<TARGET_FILE:win_tests> --gtest_list_tests)
set_tests_properties(${WINE_ARCH}.suite PROPERTIES PASS_REGULAR_EXPRESSION "V_Operations\\.")

# Suites named V_* need a particular emulated Windows; each module registers
# them in tests/win/<module>.cmake. Everything else runs once, on XP.
wine_test(${WINE_ARCH}.logic winxp $<TARGET_FILE:win_tests> --gtest_filter=-WinVersion.*:V_*)
file(GLOB WIN_TEST_REGISTRATIONS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cmake)
foreach(f ${WIN_TEST_REGISTRATIONS})
  include(${f})
endforeach()
# On NT 4.0 the program ends before any window: it must exit 0 at once
# (a page would wait for a user and run into the time limit).
wine_test(${WINE_ARCH}.program.nt40 nt40 $<TARGET_FILE:TwainSetup>)
set_tests_properties(${WINE_ARCH}.program.nt40 PROPERTIES TIMEOUT 120)

# The version classification on every emulated Windows.
set(VERSION_MATRIX win95=1400 win98=1410 winme=1490 nt40=2400 win2k=2500 winxp=2501
    vista=2600 win7=2505 win10=2505)
if(WINE_ARCH STREQUAL "win64")
  list(APPEND VERSION_MATRIX winxp64=2503 win2003=2504)
else()
  list(APPEND VERSION_MATRIX win2003=2502)
endif()
foreach(pair ${VERSION_MATRIX})
  string(REPLACE "=" ";" kv ${pair})
  list(GET kv 0 ver)
  list(GET kv 1 code)
  wine_test(${WINE_ARCH}.version.${ver} ${ver} $<TARGET_FILE:win_tests> --gtest_filter=WinVersion.*)
  set_tests_properties(${WINE_ARCH}.version.${ver} PROPERTIES ENVIRONMENT "EXPECTED_OSCODE=${code}")
endforeach()
add_subdirectory(tools/twdriver)
add_subdirectory(tools/pkgcheck)
include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/hostile.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/diskfull.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/planting.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/outcome.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/silent.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/interrupted.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/dpi.cmake)

# Every test of this tree that a host cannot run says so as skipped.
get_property(tree_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${tree_tests} PROPERTIES SKIP_RETURN_CODE 77)
