# The start-up spine; its entry point (app/main.cpp) is added by the
# executable itself.
list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/app/cmdline.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/app/startup.cpp
  ${CMAKE_SOURCE_DIR}/app/instance_win.cpp
  ${CMAKE_SOURCE_DIR}/app/unattended_win.cpp
  ${CMAKE_SOURCE_DIR}/app/removal_win.cpp)
