#include <gtest/gtest.h>

#include "core/oscode.h"

namespace {
struct Case {
    unsigned platform, major, minor, product, arch;
    OsCode expected;
};
}  // namespace

TEST(ClassifyVersion, WholeTable) {
    const Case cases[] = {
        {0, 3, 10, 0, 0, 0},      // Win32s
        {1, 4, 0, 0, 0, 1400},    {1, 4, 10, 0, 0, 1410}, {1, 4, 90, 0, 0, 1490},
        {1, 4, 3, 0, 0, 0},       // unknown 9x version: the Windows 95 ways
        {1, 5, 0, 0, 0, 0},
        {2, 3, 51, 1, 0, 2400},   {2, 4, 0, 1, 0, 2400},
        {2, 5, 0, 1, 0, 2500},    {2, 5, 1, 1, 0, 2501},
        {2, 5, 2, 1, 9, 2503},    // XP x64
        {2, 5, 2, 3, 9, 2504},    // Server 2003 x64
        {2, 5, 2, 2, 9, 2502},    // domain controller on x64 stays 2502
        {2, 5, 2, 3, 0, 2502},    // Server 2003 32-bit
        {2, 5, 2, 3, 6, 2502},    // IA-64
        {2, 5, 2, 0, 9, 2502},    // basic record only: no product type
        {2, 5, 3, 1, 0, 2505},
        {2, 6, 0, 1, 0, 2600},    {2, 6, 0, 3, 9, 2600},
        {2, 6, 1, 1, 9, 2505},    // Windows 7
        {2, 6, 2, 1, 9, 2505},    {2, 10, 0, 1, 9, 2505},
        {3, 5, 1, 1, 0, 0},       // unknown platform
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classifyVersion(c.platform, c.major, c.minor, c.product, c.arch), c.expected)
            << "platform " << c.platform << " version " << c.major << "." << c.minor
            << " product " << c.product << " arch " << c.arch;
    }
}

TEST(ClassifyVersion, NtFamilyThreshold) {
    EXPECT_FALSE(isNtFamily(OsWinMe));
    EXPECT_FALSE(isNtFamily(OsNt4));
    EXPECT_TRUE(isNtFamily(OsWin2000));
    EXPECT_TRUE(isNtFamily(OsVista));
}
