#include <gtest/gtest.h>

#include <string.h>

#include "core/text.h"

// Each helper is checked with a guard byte past the field: a write beyond the
// width would change it.
namespace {
struct Guarded {
    char field[8];
    char guard;
};
}  // namespace

TEST(BoundedText, CopyCutsAndTerminates) {
    Guarded g;
    g.guard = 'G';
    EXPECT_EQ(textCopy(g.field, "1234567"), 1);
    EXPECT_STREQ(g.field, "1234567");
    EXPECT_EQ(textCopy(g.field, "123456789"), 0);
    EXPECT_STREQ(g.field, "1234567");
    EXPECT_EQ(g.guard, 'G');
    EXPECT_EQ(textCopy(g.field, nullptr), 1);
    EXPECT_STREQ(g.field, "");
    EXPECT_EQ(textCopyN(g.field, sizeof g.field, "abcdef", 3), 1);
    EXPECT_STREQ(g.field, "abc");
}

TEST(BoundedText, AppendAndFormat) {
    Guarded g;
    g.guard = 'G';
    textCopy(g.field, "abc");
    EXPECT_EQ(textAppend(g.field, "defg"), 1);
    EXPECT_STREQ(g.field, "abcdefg");
    EXPECT_EQ(textAppend(g.field, "h"), 0);
    EXPECT_STREQ(g.field, "abcdefg");

    EXPECT_EQ(textFormat(g.field, sizeof g.field, "%d.%d", 12, 34), 1);
    EXPECT_STREQ(g.field, "12.34");
    EXPECT_EQ(textFormat(g.field, sizeof g.field, "%s", "far too long"), 0);
    EXPECT_EQ(strlen(g.field), 7u);
    EXPECT_EQ(g.guard, 'G');

    // An unterminated field is repaired, not read past.
    memset(g.field, 'x', sizeof g.field);
    EXPECT_EQ(textAppend(g.field, "y"), 0);
    EXPECT_EQ(g.field[7], '\0');
    EXPECT_EQ(g.guard, 'G');
}

TEST(BoundedText, PathJoinNeverNamesACutPath) {
    char path[12];
    EXPECT_EQ(pathJoin(path, "C:\\A", "b.ds"), 1);
    EXPECT_STREQ(path, "C:\\A\\b.ds");
    EXPECT_EQ(pathJoin(path, "C:\\WINDOWS", "b.ds"), 0);
    EXPECT_STREQ(path, "");
}

TEST(BoundedText, AsciiCase) {
    char s[] = "english_1.ds";
    textUpperAscii(s);
    EXPECT_STREQ(s, "ENGLISH_1.DS");
    EXPECT_TRUE(textEqualNoCaseAscii("ds", "DS"));
    EXPECT_FALSE(textEqualNoCaseAscii("ds", "DSX"));
}
