// The settings section's values (operations/settings.cpp) and the installed
// programs' entry names (operations/registration.cpp).
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "operations/registration.h"
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

// The installed programs' entry: a key name stable per model and short
// enough for Windows 95, the folder of the copy beside (never inside) the
// data-source folder, the version of DriverVer.
TEST(InstalledProgramEntry, KeyFolderAndVersion) {
    char out[80];
    EXPECT_TRUE(uninstallKeyName("C:\\WINDOWS\\TWAIN_32\\EXMFP16\\", out, sizeof out));
    EXPECT_STREQ(out, "TwainSetup_EXMFP16");
    EXPECT_TRUE(uninstallKeyName(("C:\\W\\" + std::string(100, 'x')).c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), "TwainSetup_" + std::string(51, 'x'));
    EXPECT_FALSE(uninstallKeyName("C:\\", out, sizeof out));
    EXPECT_FALSE(uninstallKeyName("C:\\W\\A", out, 12));
    EXPECT_TRUE(keptFolderPath("C:\\WINDOWS\\TWAIN_32\\EXMFP16\\", out, sizeof out));
    EXPECT_STREQ(out, "C:\\WINDOWS\\TWAIN_32\\EXMFP16_Setup");
    EXPECT_FALSE(keptFolderPath("C:\\", out, sizeof out));
    EXPECT_FALSE(keptFolderPath("C:\\WINDOWS\\TWAIN_32\\EXMFP16", out, 30));
    EXPECT_TRUE(driverVersion("06/16/2008, 2.10.0.0 ", out, sizeof out));
    EXPECT_STREQ(out, "2.10.0.0");
    EXPECT_TRUE(driverVersion("06/16/2008", out, sizeof out));
    EXPECT_STREQ(out, "06/16/2008");
    EXPECT_FALSE(driverVersion("06/16/2008, ", out, sizeof out));
}
