// The package rules that need no Windows: splitting and replacing of INF
// values, the OS folder, the product id, the settings file name, path
// safety and the walk over a section.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "core/context.h"
#include "core/text.h"
#include "package/package.h"
#include "package/inf_values.h"

namespace {

std::string split(const char* text, const char* delimiters, int* count, unsigned* cut = nullptr) {
    TokenSlots slots;
    memset(slots, '#', sizeof slots);
    *count = splitTokensChecked(text, delimiters, slots, cut);
    std::string joined;
    for (int i = 0; i <= *count; ++i) joined += std::string(slots[i]) + "|";
    return joined;  // ends with the empty end marker: "a|b||"
}

std::string replaced(const char* text, const char* pattern, const char* replacement, unsigned cap = 1000) {
    char buffer[2048];
    memset(buffer, 0, sizeof buffer);
    textCopy(buffer, text);
    replaceAll(buffer, cap, pattern, replacement);
    return buffer;
}

}  // namespace

TEST(SplitTokens, EmptyFieldsVanishAndTheSlotAfterTheLastIsCleared) {
    int n;
    EXPECT_EQ(split("a,,b", ",", &n), "a|b||");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(split(",a,", ",", &n), "a||");
    EXPECT_EQ(n, 1);
    EXPECT_EQ(split("", ",", &n), "|");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(split(",,,", ",", &n), "|");
    EXPECT_EQ(split("10, TWAIN_32\\X", ",", &n), "10| TWAIN_32\\X||") << "fields are not trimmed";

    TokenSlots slots;
    memset(slots, 0, sizeof slots);
    textCopy(slots[3], "old");
    EXPECT_EQ(splitTokens("x&y", "&", slots), 2);
    EXPECT_STREQ(slots[3], "old") << "slots behind the end marker keep what they held";
    EXPECT_STREQ(tokenField(slots, 2, 1), "y");
    EXPECT_STREQ(tokenField(slots, 2, 2), "");
    EXPECT_STREQ(tokenField(slots, 2, 3), "") << "a field past the count is empty, whatever the slot holds";
}

TEST(SplitTokens, LongTextsAndManyFieldsAreCutAndReported) {
    int n;
    unsigned cut;
    std::string many;
    for (int i = 0; i < 50; ++i) many += std::to_string(i) + ",";
    EXPECT_EQ(split(many.c_str(), ",", &n, &cut), "0|1|2|3|4|5|6|7|8||");
    EXPECT_EQ(n, 9);
    EXPECT_EQ(cut, 1u << TokenLostBit);

    std::string longField = "a," + std::string(70, 'x') + ",b";
    split(longField.c_str(), ",", &n, &cut);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(cut, 1u << 1);

    // Only 1023 characters are read; the token that reaches that end may
    // have been cut by the profile reader too.
    std::string huge = std::string(1000, ',') + std::string(100, 'y');
    std::string tokens = split(huge.c_str(), ",", &n, &cut);
    EXPECT_EQ(tokens, std::string(23, 'y') + "||");
    EXPECT_EQ(cut, 1u);
}

TEST(ReplaceAll, ReplacesFromTheStartAgainAfterEveryReplacement) {
    EXPECT_EQ(replaced("PID_1A2B", "PID_", "0x"), "0x1A2B");
    EXPECT_EQ(replaced("VID_1A2B", "PID_", "0x"), "VID_1A2B");
    EXPECT_EQ(replaced("abb", "ab", "a"), "a");
    EXPECT_EQ(replaced("C:\\x.inf\n\n", "\n", ""), "C:\\x.inf");
    EXPECT_EQ(replaced("pid_1", "PID_", "0x"), "pid_1") << "case-sensitive";
}

TEST(ReplaceAll, LeavesTheTextAloneWhenTheReplacementCannotEnd) {
    EXPECT_EQ(replaced("abc", "", "x"), "abc");
    EXPECT_EQ(replaced("aaa", "a", "ba"), "aaa") << "pattern inside the replacement";
    std::string big(998, 'a');
    EXPECT_EQ(replaced(big.c_str(), "a", "bb"), big) << "would outgrow the 1000-character area";
    EXPECT_EQ(replaced(std::string(999, 'a').c_str(), "a", ""), "");
    std::string tooLong(1000, 'a');
    EXPECT_EQ(replaced(tooLong.c_str(), "a", ""), tooLong) << "does not fit the area";
    EXPECT_EQ(replaced("ab", "a", "xyz", 4), "ab") << "the result would not fit the caller's field";
    EXPECT_EQ(replaced(std::string(300, 'a').append(300, 'b').c_str(), "ab", "ba"),
              std::string(300, 'a').append(300, 'b'))
        << "a rewrite that does not settle in time";
}

TEST(SelectOsFolder, ByVersionCode) {
    EXPECT_STREQ(selectOsFolder(2503), "WINVISTA");
    EXPECT_STREQ(selectOsFolder(2504), "WINVISTA");
    EXPECT_STREQ(selectOsFolder(2600), "WINVISTA");
    EXPECT_STREQ(selectOsFolder(2502), "WIN2K_XP");
    EXPECT_STREQ(selectOsFolder(2505), "WIN2K_XP");
    EXPECT_STREQ(selectOsFolder(2500), "WIN2K_XP");
    EXPECT_STREQ(selectOsFolder(1490), "WIN98_ME");
    EXPECT_STREQ(selectOsFolder(0), "WIN98_ME");
    EXPECT_STREQ(selectOsFolder(1491), "WIN2K_XP");
}

TEST(ProductId, FromTheSecondAmpersandField) {
    struct Case {
        const char* hardwareId;
        const char* text;
        unsigned id;
    } cases[] = {
        {"USB\\VID_E7A1&PID_1A2B", "0x1A2B", 6699},
        {"USB\\VID_E7A1&PID_12345", "0x12345", 9029},
        {"USB\\VID_E7A1&pid_1a2b", "pid_1a2b", 0},
        {"USB\\VID_E7A1&REV_0001", "REV_0001", 0},
        {"USB\\VID_E7A1", "", 0},
        {"", "", 0},
        {"A&&PID_2200&REV_1", "0x2200", 0x2200},
        {"A&PID_123456789", "0x123456789", 0xFFFF},
        {"A&-1", "-1", 0xFFFF},
    };
    for (const Case& c : cases) {
        InstallContext ctx = {};
        textCopy(ctx.hardwareId, c.hardwareId);
        textCopy(ctx.productIdText, "stale");
        EXPECT_EQ(deriveProductId(&ctx), c.id) << c.hardwareId;
        EXPECT_STREQ(ctx.productIdText, c.text) << c.hardwareId;
    }
}

TEST(ProductId, ParsesLikeStrtolBase16WithA32BitLong) {
    EXPECT_EQ(parseHexLong32(" \t-0x10"), -16);
    EXPECT_EQ(parseHexLong32("+ff z"), 255);
    EXPECT_EQ(parseHexLong32("0x"), 0);
    EXPECT_EQ(parseHexLong32("0xg"), 0);
    EXPECT_EQ(parseHexLong32("x12"), 0);
    EXPECT_EQ(parseHexLong32("7fffffff"), INT32_MAX);
    EXPECT_EQ(parseHexLong32("80000000"), INT32_MAX);
    EXPECT_EQ(parseHexLong32("-80000000"), INT32_MIN);
    EXPECT_EQ(parseHexLong32("-0x80000001"), INT32_MIN);
    EXPECT_EQ(parseHexLong32("00000000000000000001"), 1) << "leading zeros are no overflow";
}

TEST(SettingsPath, TheDataSourceEntryNamesTheSettingsFile) {
    const char* temp = "C:\\TEMP\\";
    InstallContext ctx = {};
    deriveSettingsPath(&ctx, "SCAN.DS", temp);
    EXPECT_STREQ(ctx.settingsPath, "C:\\TEMP\\SCAN.INI");
    deriveSettingsPath(&ctx, "scan.ds", temp);
    EXPECT_STREQ(ctx.settingsPath, "C:\\TEMP\\scan.INI");
    deriveSettingsPath(&ctx, "X.DS.OLD", temp);
    EXPECT_STREQ(ctx.settingsPath, "C:\\TEMP\\X.INI");
    for (const char* other : {"A.B.DS", "EXMRES.dll", "DS", ".DS", "..\\EVIL.DS", "sub\\X.DS", "C:X.DS", ""}) {
        deriveSettingsPath(&ctx, other, temp);
        EXPECT_STREQ(ctx.settingsPath, "C:\\TEMP\\X.INI") << other;
    }

    InstallContext walk = {};  // two qualifying entries: the later wins
    for (const char* entry : {"FIRST.DS", "helper.dll", "SECOND.ds"}) deriveSettingsPath(&walk, entry, temp);
    EXPECT_STREQ(walk.settingsPath, "C:\\TEMP\\SECOND.INI");

    deriveSettingsPath(&walk, "Z.DS", "C:\\TEMP");
    EXPECT_STREQ(walk.settingsPath, "C:\\TEMP\\Z.INI") << "the file stays inside the folder";
    deriveSettingsPath(&walk, "Y.DS", "");
    deriveSettingsPath(&walk, "Y.DS", std::string(510, 'T').c_str());
    EXPECT_STREQ(walk.settingsPath, "C:\\TEMP\\Z.INI") << "no folder, or a path that does not fit";
}

TEST(PathSafety, SubdirectoriesStayBelowTheWindowsFolder) {
    for (const char* good : {"TWAIN_32\\EXMFP16", "TWAIN_32/X", "TWAIN_32", " TWAIN_32\\X", "a.b\\c..d"})
        EXPECT_TRUE(isSafeSubdirectory(good)) << good;
    for (const char* bad : {"", "\\TWAIN_32", "/x", "C:\\x", "C:x", "TWAIN_32\\..", "..\\x", "a\\..\\..\\b",
                            ".", "TWAIN_32\\.", "TWAIN_32\\...", "TWAIN_32\\ ", "a\\\\b", "a\\", "a*", "a?b",
                            "a|b", "a\tb"})
        EXPECT_FALSE(isSafeSubdirectory(bad)) << bad;
}

TEST(PathSafety, OnlyBareFileNamesAreCopied) {
    for (const char* good : {"EXMFP16.ds", "EXMRES.dll", "a b.txt", "CONSOLE.DS", "COM0", ".hidden"})
        EXPECT_TRUE(isBareFileName(good)) << good;
    for (const char* bad : {"", "..", ".", "...", "..\\x.dll", "sub\\x.dll", "sub/x.dll", "C:x.dll", "x..dll",
                            "con", "NUL.txt", "lpt1", "Com9.ds", "AUX .x", "a*b", "a\x01"})
        EXPECT_FALSE(isBareFileName(bad)) << bad;
}

TEST(TargetDir, TakenOnlyFromASafeWholeSubdirectory) {
    InstallContext ctx = {};
    EXPECT_EQ(buildTargetDir(&ctx, "10,TWAIN_32\\EXMFP16", "C:\\WINDOWS"), 1);
    EXPECT_STREQ(ctx.targetDir, "C:\\WINDOWS\\TWAIN_32\\EXMFP16");
    std::string fifty = "10,TWAIN_32\\X";
    for (int i = 0; i < 48; ++i) fifty += ",f";
    EXPECT_EQ(buildTargetDir(&ctx, fifty.c_str(), "C:\\WINDOWS"), 1) << "later fields do not matter";

    std::string longDir = "10,TWAIN_32\\" + std::string(60, 'L');
    std::string hugeFirst = std::string(1000, 'x') + ",TWAIN_32\\ABCDEFGHIJKLMNOPQRST";  // cut at 1023
    for (const char* bad : {"Error", "10", "10,", "10,..\\..\\x", "10,C:\\x", "10,\\x", "10,/x", "10,.", "10,SYSTEM32", "10,TWAIN_32", "10,TWAIN_32X\\A", "10,FONTS\\TWAIN_32",
                            longDir.c_str(), hugeFirst.c_str()}) {
        textCopy(ctx.targetDir, "C:\\WINDOWS\\stale");
        EXPECT_EQ(buildTargetDir(&ctx, bad, "C:\\WINDOWS"), 0) << bad;
        EXPECT_STREQ(ctx.targetDir, "") << bad;
    }
    EXPECT_EQ(buildTargetDir(&ctx, "10,TWAIN_32\\X", ""), 0);
    EXPECT_EQ(buildTargetDir(&ctx, "10,TWAIN_32\\X", std::string(630, 'W').c_str()), 0);
    EXPECT_STREQ(ctx.targetDir, "");
}

TEST(HardwareId, SecondCommaFieldOrNothing) {
    InstallContext ctx = {};
    hardwareIdFromValue(&ctx, "EXMFP16.Install,USB\\VID_E7A1&PID_1600,x");
    EXPECT_STREQ(ctx.hardwareId, "USB\\VID_E7A1&PID_1600");
    hardwareIdFromValue(&ctx, "Error");
    EXPECT_STREQ(ctx.hardwareId, "");
    textCopy(ctx.hardwareId, "stale");
    hardwareIdFromValue(&ctx, ("a,USB\\VID_E7A1&PID_1600" + std::string(50, '0')).c_str());
    EXPECT_STREQ(ctx.hardwareId, "") << "a shortened identifier would match other devices";
}

TEST(SectionWalk, EntriesInOrderAndNeverPastTheBuffer) {
    DataSourceList list = {};
    memcpy(list.names, "a.ds\0b.dll\0\0", 12);
    list.length = 11;
    unsigned offset = 0;
    EXPECT_STREQ(nextSectionEntry(&list, &offset), "a.ds");
    EXPECT_STREQ(nextSectionEntry(&list, &offset), "b.dll");
    EXPECT_EQ(nextSectionEntry(&list, &offset), nullptr);

    list.length = 0;
    offset = 0;
    EXPECT_EQ(nextSectionEntry(&list, &offset), nullptr);

    memset(list.names, 'z', sizeof list.names);  // no terminator, length too large
    list.names[99] = '\0';
    list.length = 5000;
    offset = 0;
    EXPECT_EQ(strlen(nextSectionEntry(&list, &offset)), 99u);
    EXPECT_EQ(nextSectionEntry(&list, &offset), nullptr);
}

TEST(SourceDir, SpeltAsInTheTable) {
    InstallContext ctx = {};
    textCopy(ctx.packageRoot, "Z:\\pkg");
    EXPECT_EQ(buildSourceDir(&ctx, "WIN2K_XP", 67), 1);
    EXPECT_STREQ(ctx.sourceDir, "Z:\\pkg\\WIN2K_XP\\ENGLISH");
    EXPECT_EQ(buildSourceDir(&ctx, "WIN98_ME", 0xFFFFFFFFu), 1);
    EXPECT_STREQ(ctx.sourceDir, "Z:\\pkg\\WIN98_ME\\ENGLISH");
    memset(ctx.packageRoot, 'r', 500);
    EXPECT_EQ(buildSourceDir(&ctx, "WIN2K_XP", 64), 0);
    EXPECT_STREQ(ctx.sourceDir, "");
}
