# Pure logic: no <windows.h>, built natively (unit tests, fuzzers) and for
# Windows (the product). Each module lists its files here.
set(PURE_SOURCES
  core/text.cpp
  core/oscode.cpp
  package/languages.cpp
)

# Win32 glue of the product, besides the entry point.
set(GLUE_SOURCES
  core/startup.cpp
  core/winver.cpp
  core/libraries.cpp
  ui/wizard.cpp
)
list(TRANSFORM PURE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
list(TRANSFORM GLUE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
