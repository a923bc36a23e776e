# TW_VERSION ("0.0.1.6"), read from core/version.h, the one place the
# version is kept: for the manifest and the release files.
set(TW_VERSION "")
foreach(part MAJOR MINOR BUILD PATCH)
  file(STRINGS ${CMAKE_SOURCE_DIR}/core/version.h line REGEX "^#define TW_VERSION_${part} [0-9]+$")
  string(REGEX REPLACE "^.* " "" number "${line}")
  list(APPEND TW_VERSION "${number}")
endforeach()
list(JOIN TW_VERSION "." TW_VERSION)
if(NOT TW_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "core/version.h: no four-part version (${TW_VERSION})")
endif()
