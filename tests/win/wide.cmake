# Wide-character texts: the pages in five languages on an English system
# (code page 1252), on the NT path and on the Windows 98 path. The runs write
# the language and driver-setup libraries into the system folder, so they get
# a throw-away prefix; the locale is set whatever the machine's own is.
wine_test_fresh(${WINE_ARCH}.wide.en_US winxp $<TARGET_FILE:win_tests> --gtest_filter=V_Wide.*)
set_tests_properties(${WINE_ARCH}.wide.en_US PROPERTIES ENVIRONMENT "LANG=en_US.UTF-8;LC_ALL=en_US.UTF-8;LANGUAGE=en_US")
