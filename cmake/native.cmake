# Native build: the pure logic with its unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzzers, and the Linux-side tools. It also
# pulls the Windows build's tests into the same CTest run (WIN_BUILD_DIR).

set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
set(WARN -Wall -Wextra)

add_library(twpure STATIC ${PURE_SOURCES})
target_include_directories(twpure PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(twpure PRIVATE ${SANITIZE} ${WARN} -g)

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE twpure GTest::gtest_main)
target_compile_options(unit_tests PRIVATE ${SANITIZE} ${WARN} -g)
target_link_options(unit_tests PRIVATE ${SANITIZE})
gtest_discover_tests(unit_tests PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)

# Fuzzers need clang's libFuzzer; built by the `fuzz` target only.
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
if(FUZZ_SOURCES AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_custom_target(fuzz)
  foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} EXCLUDE_FROM_ALL ${src} ${PURE_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -g)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    add_dependencies(fuzz ${name})
  endforeach()
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/CMakeLists.txt)
  add_subdirectory(tests/fuzz)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/scanner-sim/CMakeLists.txt)
  add_subdirectory(tools/scanner-sim)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/netns/CMakeLists.txt)
  add_subdirectory(tests/netns)
endif()

# One CTest run covers every tier: the Windows build's tests are included.
if(WIN_BUILD_DIRS)
  set(_subdirs "")
  foreach(dir ${WIN_BUILD_DIRS})
    string(APPEND _subdirs "subdirs(\"${dir}\")\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/win-tests.cmake "${_subdirs}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/win-tests.cmake)
  # On every host: no test of the i686 tree starts Wine without the gate
  # that skips it where Wine's 32-bit half cannot run (the i686 tree comes
  # first in WIN_BUILD_DIRS).
  list(GET WIN_BUILD_DIRS 0 _win32_dir)
  add_test(NAME static.wine-gate COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/static/check-gate.py ${_win32_dir})
  set_tests_properties(static.wine-gate PROPERTIES LABELS "unit;static")
  # make release: signed with a certificate made for the test, and built
  # again in another folder to the same bytes as the i686 tree.
  add_test(NAME release.signed COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/release.sh
           --product ${_win32_dir} --work ${CMAKE_BINARY_DIR}/release-test)
  set_tests_properties(release.signed PROPERTIES LABELS release TIMEOUT 600)
endif()
