list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/package/languages.cpp
  ${CMAKE_SOURCE_DIR}/package/inf_values.cpp
  ${CMAKE_SOURCE_DIR}/package/package.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/package/package_win.cpp)
