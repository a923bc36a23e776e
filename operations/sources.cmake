list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/operations/cleanup.cpp
  ${CMAKE_SOURCE_DIR}/operations/settings.cpp
  ${CMAKE_SOURCE_DIR}/operations/registration.cpp
  ${CMAKE_SOURCE_DIR}/operations/stream_search.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/operations/operations.cpp
  ${CMAKE_SOURCE_DIR}/operations/fileset_win.cpp
  ${CMAKE_SOURCE_DIR}/operations/inuse_win.cpp
  ${CMAKE_SOURCE_DIR}/operations/copyfile_win.cpp
  ${CMAKE_SOURCE_DIR}/operations/settings_win.cpp
  ${CMAKE_SOURCE_DIR}/operations/cleanup_win.cpp
  ${CMAKE_SOURCE_DIR}/operations/registration_win.cpp)
