// The streaming search of OEM INF files (operations/stream_search.cpp).
#include <gtest/gtest.h>

#include <string.h>
#include <string>

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
