// Pure rules of the removal (operations/cleanup.cpp): OEM INF names, the walk
// of a device's hardware-id list and the folder guard.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "operations/cleanup.h"

TEST(CleanRules, OemInfNamesByTheirLongName) {
    EXPECT_TRUE(isOemInfName("OEM12.INF"));
    EXPECT_TRUE(isOemInfName("oem3.inf"));
    EXPECT_TRUE(isOemInfName("OEM.INF"));
    EXPECT_FALSE(isOemInfName("oemsetup.infx"));  // listed through its short name
    EXPECT_FALSE(isOemInfName("XOEM1.INF"));
    EXPECT_FALSE(isOemInfName("OEM1.PNF"));
    EXPECT_FALSE(isOemInfName("OEMINF"));
    EXPECT_FALSE(isOemInfName(""));
}

TEST(CleanRules, HardwareIdListWalk) {
    char list[] = "USB\\VID_1&PID_2\0USB\\VID_1\0\0\0";
    unsigned offset = 0;
    EXPECT_STREQ(nextListEntry(list, 27, &offset), "USB\\VID_1&PID_2");
    EXPECT_STREQ(nextListEntry(list, 27, &offset), "USB\\VID_1");
    EXPECT_EQ(nextListEntry(list, 27, &offset), nullptr);

    // An entry that begins at or beyond the reported size is not read.
    offset = 0;
    EXPECT_NE(nextListEntry(list, 16, &offset), nullptr);
    EXPECT_EQ(nextListEntry(list, 16, &offset), nullptr);

    // An empty first entry ends the walk at once.
    char empty[] = "\0A\0\0";
    offset = 0;
    EXPECT_EQ(nextListEntry(empty, 4, &offset), nullptr);

    // A list the system left without its terminator still ends in the
    // caller's padding.
    char unterminated[] = {'A', 'B', '\0', '\0'};
    offset = 0;
    EXPECT_STREQ(nextListEntry(unterminated, 2, &offset), "AB");
    EXPECT_EQ(nextListEntry(unterminated, 2, &offset), nullptr);
}

TEST(CleanRules, TargetFolderIsNeverTheWindowsFolder) {
    EXPECT_TRUE(isUsableTargetDir("C:\\windows\\TWAIN_32\\EXMFP16", "C:\\windows"));
    EXPECT_TRUE(isUsableTargetDir("C:\\windows2", "C:\\windows"));
    EXPECT_FALSE(isUsableTargetDir("", "C:\\windows"));
    EXPECT_FALSE(isUsableTargetDir("\\", "C:\\windows"));
    EXPECT_FALSE(isUsableTargetDir("C:\\windows\\", "C:\\windows"));
    EXPECT_FALSE(isUsableTargetDir("C:\\WINDOWS", "C:\\windows"));
    EXPECT_FALSE(isUsableTargetDir("c:\\windows", "C:\\WINDOWS\\"));
}
