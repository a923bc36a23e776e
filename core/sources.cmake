list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/core/text.cpp
  ${CMAKE_SOURCE_DIR}/core/outcome.cpp
  ${CMAKE_SOURCE_DIR}/core/oscode.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/core/system.cpp
  ${CMAKE_SOURCE_DIR}/core/oscode_win.cpp
  ${CMAKE_SOURCE_DIR}/core/libraries.cpp)
