list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/package/languages.cpp)
