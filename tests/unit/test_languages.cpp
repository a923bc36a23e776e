#include <gtest/gtest.h>

#include <set>
#include <string>

#include "package/languages.h"

TEST(LanguageTable, LookupsAndDefaults) {
    EXPECT_EQ(languageIdFromFolder("ENGLISH"), 67u);
    EXPECT_EQ(languageIdFromFolder("ARABIC"), 71u);
    EXPECT_EQ(languageIdFromFolder("english"), 0u) << "callers upper-case first";
    EXPECT_EQ(languageIdFromFolder("GREEK"), 0u);
    EXPECT_EQ(languageIdFromFolder(""), 0u);

    EXPECT_EQ(languageResourceId(67), 136u);
    EXPECT_EQ(languageResourceId(72), 135u);
    EXPECT_EQ(languageResourceId(71), 112u);
    EXPECT_EQ(languageResourceId(64), 118u);
    EXPECT_EQ(languageResourceId(0), 136u);
    EXPECT_EQ(languageResourceId(0xFFFFFFFFu), 136u);

    EXPECT_STREQ(languageFolderName(64), "GERMAN");
    EXPECT_STREQ(languageFolderName(0), "ENGLISH");
    EXPECT_STREQ(languageFolderName(0xFFFFFFFFu), "ENGLISH");
}

TEST(LanguageTable, EveryRowIsDistinctAndRoundTrips) {
    std::set<unsigned> ids, resources, windows;
    std::set<std::string> folders;
    const LanguageRow* rows = languageTable();
    for (int i = 0; i < LanguageCount; ++i) {
        ids.insert(rows[i].id);
        resources.insert(rows[i].libraryResourceId);
        windows.insert(rows[i].windowsLanguage);
        folders.insert(rows[i].folder);
        EXPECT_EQ(languageIdFromFolder(rows[i].folder), rows[i].id);
        EXPECT_STREQ(languageFolderName(rows[i].id), rows[i].folder);
    }
    EXPECT_EQ(ids.size(), 25u);
    EXPECT_EQ(*ids.begin(), 48u);
    EXPECT_EQ(*ids.rbegin(), 72u);
    EXPECT_EQ(resources.size(), 25u);
    EXPECT_EQ(*resources.begin(), 112u);
    EXPECT_EQ(*resources.rbegin(), 136u);
    EXPECT_EQ(windows.size(), 25u);
    EXPECT_EQ(folders.size(), 25u);
}
