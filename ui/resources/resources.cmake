# Resources of the program and the 25 language libraries, all generated from
# the same sources by gen_rc.py: the string tables (lang/*.txt), the dialog
# templates (dialogs.json), the language table (package/languages.inc), the ids (core/resource.h) and the
# pictures (art/). Included by cmake/windows.cmake once TwainSetup exists and
# after drvsetup/ (DrvSetup.dll is carried by every library and the program).
#
#   <build>/lang/lang_<FOLDER>.dll   the language libraries (LANGUAGERC payloads)
#   <build>/resources/*.rc           the generated resource scripts
#   twres                            object library: the program's shared
#                                    resources, linked into TwainSetup and, for
#                                    the tests, into win_tests

find_program(TW_PYTHON3 python3 REQUIRED)

set(TW_RES_SRC ${CMAKE_SOURCE_DIR}/ui/resources)
set(TW_RES_OUT ${CMAKE_BINARY_DIR}/resources)
set(TW_LANG_OUT ${CMAKE_BINARY_DIR}/lang)
file(MAKE_DIRECTORY ${TW_RES_OUT} ${TW_LANG_OUT})

set(TW_GEN_RC ${TW_RES_SRC}/gen_rc.py)
set(TW_HEADER_BMP ${TW_RES_SRC}/art/header.bmp)
set(TW_HEADER_AR_BMP ${TW_RES_SRC}/art/header_ar.bmp)
set(TW_ICON ${TW_RES_SRC}/art/app.ico)
# Every library reads the English table too: its ids are the ones all
# languages must have.
set(TW_GEN_INPUTS ${TW_GEN_RC} ${TW_RES_SRC}/dialogs.json ${CMAKE_SOURCE_DIR}/package/languages.inc ${CMAKE_SOURCE_DIR}/core/resource.h
    ${TW_RES_SRC}/lang/ENGLISH.txt ${TW_ICON})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(TW_LANG_ENTRY _LanguageLibraryEntry@12)
else()
  set(TW_LANG_ENTRY LanguageLibraryEntry)
endif()

file(GLOB TW_LANG_TABLES CONFIGURE_DEPENDS ${TW_RES_SRC}/lang/*.txt)
set(TW_LANG_TARGETS "")
foreach(table ${TW_LANG_TABLES})
  get_filename_component(folder ${table} NAME_WE)
  if(folder STREQUAL "ARABIC")
    set(picture ${TW_HEADER_AR_BMP})  # the mirrored header of right-to-left pages
  else()
    set(picture ${TW_HEADER_BMP})
  endif()
  set(rc ${TW_RES_OUT}/lang_${folder}.rc)
  add_custom_command(OUTPUT ${rc}
    COMMAND ${TW_PYTHON3} ${TW_GEN_RC} library ${folder} --out ${rc}
            --bitmap ${picture} --icon ${TW_ICON} --payload $<TARGET_FILE:DrvSetup>
    DEPENDS ${TW_GEN_INPUTS} ${table} ${picture} DrvSetup
    COMMENT "Resource script of the ${folder} library"
    VERBATIM)

  # A resource-only library: no C runtime, no exports, no imports; its entry
  # point only reports success. It is linked as an image with the DLL flag
  # (--dll) rather than as a shared library: ld gives every shared library an
  # export directory, even an empty one.
  set(target lang_${folder})
  add_executable(${target} ${TW_RES_SRC}/library_entry.c ${rc} ${TW_RES_SRC}/libraries/version.rc)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME lang_${folder} SUFFIX .dll
    RUNTIME_OUTPUT_DIRECTORY ${TW_LANG_OUT})
  target_compile_options(${target} PRIVATE -Os -fno-ident -fno-asynchronous-unwind-tables -fno-stack-protector)
  target_link_options(${target} PRIVATE -nostdlib -s -Wl,--dll -Wl,-e,${TW_LANG_ENTRY}
    -Wl,--exclude-all-symbols -Wl,--subsystem,windows:4.0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
  tw_sign(${target})
  list(APPEND TW_LANG_TARGETS ${target})
endforeach()

# The program's copy: all languages side by side, one picture, the icon, the
# driver-setup payload and the 25 libraries. The version information and the
# manifest belong to the program file alone (TwainSetup.rc, picked up by
# cmake/windows.cmake).
set(TW_PROGRAM_RC ${TW_RES_OUT}/program.rc)
add_custom_command(OUTPUT ${TW_PROGRAM_RC}
  COMMAND ${TW_PYTHON3} ${TW_GEN_RC} program --out ${TW_PROGRAM_RC}
          --bitmap ${TW_HEADER_BMP} --icon ${TW_ICON} --payload $<TARGET_FILE:DrvSetup>
          --library-dir ${TW_LANG_OUT}
  DEPENDS ${TW_GEN_INPUTS} ${TW_LANG_TABLES} ${TW_HEADER_BMP} DrvSetup ${TW_LANG_TARGETS}
  COMMENT "Resource script of the program"
  VERBATIM)
add_library(twres OBJECT ${TW_PROGRAM_RC})
target_link_libraries(TwainSetup PRIVATE twres)

if(TW_PRODUCT_BUILD)
  add_test(NAME resources.libraries
    COMMAND ${CMAKE_SOURCE_DIR}/tests/static/check-libraries.sh ${CMAKE_OBJDUMP} ${TW_LANG_OUT} ${TW_LANG_TABLES})
  set_tests_properties(resources.libraries PROPERTIES LABELS "unit;static")
endif()

# The test program stands in for the program when the extraction is tested,
# so it carries the same resources; it is defined after this file, hence the
# deferred call. The tests also learn where the built files and the sources are.
function(tw_resources_for_tests)
  if(TARGET win_tests)
    target_link_libraries(win_tests PRIVATE twres)
    target_compile_definitions(win_tests PRIVATE TW_BUILD_DIR="${CMAKE_BINARY_DIR}"
                                                 TW_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_dependencies(win_tests DrvSetup ${TW_LANG_TARGETS})
  endif()
endfunction()
cmake_language(DEFER CALL tw_resources_for_tests)
