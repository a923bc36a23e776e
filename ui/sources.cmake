list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/ui/wizard.cpp
  ${CMAKE_SOURCE_DIR}/ui/header.cpp
  ${CMAKE_SOURCE_DIR}/ui/progress.cpp
  ${CMAKE_SOURCE_DIR}/ui/uitext.cpp)
# Scanner address prompt and network search; centring of dialogs.
list(APPEND PURE_SOURCES
  ${CMAKE_SOURCE_DIR}/ui/discovery.cpp
  ${CMAKE_SOURCE_DIR}/ui/snmp.cpp
  ${CMAKE_SOURCE_DIR}/ui/centre.cpp)
list(APPEND GLUE_SOURCES
  ${CMAKE_SOURCE_DIR}/ui/address.cpp
  ${CMAKE_SOURCE_DIR}/ui/winsock.cpp
  ${CMAKE_SOURCE_DIR}/ui/centre_win.cpp)
