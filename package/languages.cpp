#include "package/languages.h"

#include <string.h>

namespace {
const LanguageRow kTable[LanguageCount] = {
#define LANGUAGE_ROW(folder, id, library, windows) {#folder, id, library, windows},
#include "package/languages.inc"
#undef LANGUAGE_ROW
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
    if (!row) row = findById(languageIdFromFolder("ENGLISH"));
    return row->libraryResourceId;
}
