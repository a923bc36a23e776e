# Resources and embedded libraries under Wine. The catalogue checks only read
# files and share the XP prefix; extraction and the driver-setup calls write
# into the system folder and get throw-away prefixes.
wine_test(${WINE_ARCH}.resources.catalogue winxp $<TARGET_FILE:win_tests> --gtest_filter=V_Catalogue.*)
wine_test_fresh(${WINE_ARCH}.resources.libraries winxp $<TARGET_FILE:win_tests> --gtest_filter=V_Libraries.*)
wine_test_fresh(${WINE_ARCH}.resources.drvsetup winxp $<TARGET_FILE:win_tests> --gtest_filter=V_DrvSetup.*)
