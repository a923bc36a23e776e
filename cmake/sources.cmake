# Each module folder lists its files in its own sources.cmake:
#   PURE_SOURCES  no <windows.h>; built natively (unit tests, fuzzers) and for Windows
#   GLUE_SOURCES  Win32 glue of the product, besides the entry point
set(PURE_SOURCES "")
set(GLUE_SOURCES "")
foreach(module core package operations ui app)
  include(${CMAKE_SOURCE_DIR}/${module}/sources.cmake)
endforeach()
