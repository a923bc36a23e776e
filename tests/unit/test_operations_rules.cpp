// Pure rules of the operations: the streaming search of OEM INF files, the
// walk of a device's hardware-id list, the folder guard and the settings values.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "operations/cleanup.h"
#include "operations/settings.h"
#include "operations/stream_search.h"

namespace {

std::string utf16le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Feeds text in pieces cut at the given positions.
bool foundInPieces(const std::string& pattern, unsigned unit, const std::string& text,
                   std::initializer_list<size_t> cuts) {
    StreamSearch s;
    EXPECT_EQ(streamSearchStart(&s, pattern.data(), pattern.size(), unit), 1);
    size_t at = 0;
    for (size_t cut : cuts) {
        streamSearchFeed(&s, text.data() + at, cut - at);
        at = cut;
    }
    streamSearchFeed(&s, text.data() + at, text.size() - at);
    return s.found != 0;
}

bool found(const std::string& pattern, unsigned unit, const std::string& text) {
    return foundInPieces(pattern, unit, text, {});
}

}  // namespace

TEST(StreamSearch, FindsTheIdWhereverTheReadsAreCut) {
    const std::string id = "USB\\VID_E7A1&PID_1600";
    const std::string text = "[Models]\r\n%M%=Inst," + id + "\r\n";
    for (size_t cut = 0; cut <= text.size(); ++cut)
        EXPECT_TRUE(foundInPieces(id, 1, text, {cut})) << "cut at " << cut;
    // One byte a read.
    StreamSearch s;
    streamSearchStart(&s, id.data(), id.size(), 1);
    for (char c : text) streamSearchFeed(&s, &c, 1);
    EXPECT_TRUE(s.found);
}

TEST(StreamSearch, IsLiteralAndCaseSensitive) {
    const std::string id = "USB\\VID_E7A1&PID_1600";
    EXPECT_FALSE(found(id, 1, "usb\\vid_e7a1&pid_1600"));
    EXPECT_FALSE(found(id, 1, "USB\\VID_E7A1&PID_160"));  // text ends inside the id
    EXPECT_TRUE(found(id, 1, "xUSB\\VID_E7A1&PID_16000"));  // a longer id contains it
    EXPECT_FALSE(found(id, 1, ""));
}

TEST(StreamSearch, RestartsCorrectlyAfterAPartialMatch) {
    // Self-overlapping patterns: a naive restart after the mismatch misses these.
    EXPECT_TRUE(found("AAB", 1, "AAAB"));
    EXPECT_TRUE(found("ABABC", 1, "ABABABC"));
    EXPECT_TRUE(found("ABAB", 1, "ABAABAB"));
    EXPECT_FALSE(found("ABAB", 1, "ABAABA"));
}

TEST(StreamSearch, FindsTheUtf16FormOnlyOnCharacterBoundaries) {
    const std::string id = "USB\\VID_E7A1&PID_1600";
    const std::string wideId = utf16le(id);
    const std::string file = std::string("\xFF\xFE", 2) + utf16le("%M%=Inst,") + wideId + utf16le("\r\n");
    EXPECT_TRUE(found(wideId, 2, file));
    for (size_t cut = 0; cut <= file.size(); ++cut)
        EXPECT_TRUE(foundInPieces(wideId, 2, file, {cut})) << "cut at " << cut;
    // The 8-bit form does not occur in a UTF-16 file, nor the other way round.
    EXPECT_FALSE(found(id, 1, file));
    EXPECT_FALSE(found(wideId, 2, "%M%=Inst," + id));
    // The same bytes one byte off a character boundary are no match.
    EXPECT_FALSE(found(utf16le("AB"), 2, std::string("x") + utf16le("AB") + "y"));
    EXPECT_TRUE(found(utf16le("AB"), 2, std::string("xy") + utf16le("AB")));
}

TEST(StreamSearch, RefusesPatternsItCannotSearch) {
    StreamSearch s;
    EXPECT_EQ(streamSearchStart(&s, "", 0, 1), 0);
    EXPECT_EQ(streamSearchStart(&s, "ABC", 3, 2), 0);  // not whole 16-bit units
    EXPECT_EQ(streamSearchStart(&s, "AB", 2, 3), 0);
    std::string tooLong(StreamSearchMaxUnits + 1, 'A');
    EXPECT_EQ(streamSearchStart(&s, tooLong.data(), tooLong.size(), 1), 0);
    streamSearchFeed(&s, tooLong.data(), tooLong.size());
    EXPECT_FALSE(s.found) << "a refused search never matches";
    std::string longest(StreamSearchMaxUnits, 'A');
    EXPECT_EQ(streamSearchStart(&s, longest.data(), longest.size(), 1), 1);
}

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
