# A full disk end to end (tests/e2e/diskfull.sh): C:\windows\TWAIN_32 on a
# 512 KiB tmpfs mounted in a private mount namespace that the session's fresh
# prefix and its wineserver start in; installs, removals and an upgrade that
# run out of space, judged by the small drive, drive_c and the settings INIs.
# Root only (unshare -m); no search, so no network namespace.
add_test(NAME ${WINE_ARCH}.e2e.diskfull
  COMMAND ${WINE_GATE} bash ${CMAKE_SOURCE_DIR}/tests/e2e/diskfull.sh
          --wine-root ${CMAKE_BINARY_DIR}/wine --work ${CMAKE_BINARY_DIR}/e2e --arch ${WINE_ARCH}
          --exe $<TARGET_FILE:TwainSetup> --driver $<TARGET_FILE:twdriver>)
set_tests_properties(${WINE_ARCH}.e2e.diskfull PROPERTIES
  LABELS "e2e;win" TIMEOUT 300 FIXTURES_REQUIRED wine-${WINE_ARCH})
