list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/core/text.cpp
  ${CMAKE_SOURCE_DIR}/core/outcome.cpp
  ${CMAKE_SOURCE_DIR}/core/cmdline.cpp
  ${CMAKE_SOURCE_DIR}/core/oscode.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/core/system.cpp
  ${CMAKE_SOURCE_DIR}/core/startup.cpp
  ${CMAKE_SOURCE_DIR}/core/instance_win.cpp
  ${CMAKE_SOURCE_DIR}/core/unattended_win.cpp
  ${CMAKE_SOURCE_DIR}/core/oscode_win.cpp
  ${CMAKE_SOURCE_DIR}/core/libraries.cpp)
