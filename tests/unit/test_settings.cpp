// The settings section's values (operations/settings.cpp).
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "operations/settings.h"

TEST(ScannerSettings, SevenKeysInOrderWithTheAddressTwice) {
    ScannerSetting s[ScannerSettingCount];
    buildScannerSettings("192.168.1.10", 0xC0A8010Au, s);
    const char* keys[] = {"ip0", "AutoIP", "UseUSB", "UseAuto", "IPNum", "IPSel", "ManuIP"};
    const char* values[] = {"192.168.1.10", "-1062731510", "0", "1", "1", "0", "0"};
    for (int i = 0; i < ScannerSettingCount; ++i) {
        EXPECT_STREQ(s[i].key, keys[i]);
        EXPECT_STREQ(s[i].value, values[i]);
    }
}

TEST(ScannerSettings, AutoIpIsTheSignedValue) {
    ScannerSetting s[ScannerSettingCount];
    buildScannerSettings("10.1.2.3", 0x0A010203u, s);
    EXPECT_STREQ(s[1].value, "167838211");
    buildScannerSettings("", 0xFFFFFFFFu, s);  // the parser's failure value
    EXPECT_STREQ(s[0].value, "");
    EXPECT_STREQ(s[1].value, "-1");
    buildScannerSettings("128.0.0.0", 0x80000000u, s);
    EXPECT_STREQ(s[1].value, "-2147483648");
    buildScannerSettings("127.255.255.255", 0x7FFFFFFFu, s);
    EXPECT_STREQ(s[1].value, "2147483647");
}
