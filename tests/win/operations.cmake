# Operations: the sequences copy into and delete from the Windows folder, and
# the clean-up deletes INF files, device entries and registry keys, so every
# suite of this module runs in a throw-away prefix. The install, upgrade and
# remove sequences run on both Windows families; each clean-up path on its own.
wine_test_fresh(${WINE_ARCH}.operations.winxp winxp $<TARGET_FILE:win_tests>
  --gtest_filter=V_Operations.*:V_CleanupNt.*)
wine_test_fresh(${WINE_ARCH}.operations.win98 win98 $<TARGET_FILE:win_tests>
  --gtest_filter=V_Operations.*:V_Cleanup9x.*)
