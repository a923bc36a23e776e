#include "package/languages.h"

#include <string.h>

namespace {
// English and Turkish stand outside the descending run of library ids.
const LanguageRow kTable[LanguageCount] = {
    {"THAI", 48, 134, 1054},       {"T_CHINESE", 49, 133, 1028}, {"SWEDISH", 50, 132, 1053},
    {"SPANISH", 51, 131, 3082},    {"SLOVAKIAN", 52, 130, 1051}, {"S_CHINESE", 53, 129, 2052},
    {"RUSSIAN", 54, 128, 1049},    {"ROMANIAN", 55, 127, 1048},  {"PORTUGUESE", 56, 126, 2070},
    {"POLISH", 57, 125, 1045},     {"NORWEGIAN", 58, 124, 1044}, {"LITHUANIAN", 59, 123, 1063},
    {"KOREAN", 60, 122, 1042},     {"JAPANESE", 61, 121, 1041},  {"ITALIAN", 62, 120, 1040},
    {"HUNGARIAN", 63, 119, 1038},  {"GERMAN", 64, 118, 1031},    {"FRENCH", 65, 117, 1036},
    {"FINNISH", 66, 116, 1035},    {"ENGLISH", 67, 136, 1033},   {"DUTCH", 68, 115, 1043},
    {"DANISH", 69, 114, 1030},     {"CZECH", 70, 113, 1029},     {"ARABIC", 71, 112, 1025},
    {"TURKISH", 72, 135, 1055},
};

const LanguageRow* findById(LanguageId id) {
    for (const LanguageRow& row : kTable)
        if (row.id == id) return &row;
    return 0;
}
}  // namespace

const LanguageRow* languageTable(void) { return kTable; }

LanguageId languageIdFromFolder(const char* upperName) {
    if (!upperName) return 0;
    for (const LanguageRow& row : kTable)
        if (strcmp(row.folder, upperName) == 0) return row.id;
    return 0;
}

const char* languageFolderName(LanguageId id) {
    const LanguageRow* row = findById(id);
    return row ? row->folder : "ENGLISH";
}

unsigned languageResourceId(LanguageId id) {
    const LanguageRow* row = findById(id);
    return row ? row->libraryResourceId : 136;
}
