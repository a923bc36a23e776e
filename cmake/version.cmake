# TW_VERSION ("0.0.1.6"), read from core/version.h, the one place the
# version is kept: for the manifest and the release files.
file(STRINGS ${CMAKE_SOURCE_DIR}/core/version.h _tw_version_lines
     REGEX "^#define TW_VERSION_(MAJOR|MINOR|BUILD|PATCH) [0-9]+$")
set(TW_VERSION "")
foreach(part MAJOR MINOR BUILD PATCH)
  foreach(line ${_tw_version_lines})
    if(line MATCHES "^#define TW_VERSION_${part} ([0-9]+)$")
      list(APPEND TW_VERSION ${CMAKE_MATCH_1})
    endif()
  endforeach()
endforeach()
list(JOIN TW_VERSION "." TW_VERSION)
if(NOT TW_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "core/version.h: no four-part version (${TW_VERSION})")
endif()
