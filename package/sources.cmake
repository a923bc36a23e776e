list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/package/languages.cpp
  ${CMAKE_SOURCE_DIR}/package/text_slots.cpp
  ${CMAKE_SOURCE_DIR}/package/package_rules.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/package/package_win.cpp)
