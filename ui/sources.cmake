list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/ui/wizard.cpp)
