// The language table: folder name in the package, LanguageId (which is also the
// string id of the language's display name) and the id of its embedded
// language library.
#ifndef PACKAGE_LANGUAGES_H
#define PACKAGE_LANGUAGES_H

#include "core/context.h"

struct LanguageRow {
    const char* folder;
    LanguageId id;
    unsigned libraryResourceId;  // LANGUAGERC id
    unsigned windowsLanguage;    // Windows language id of its texts
};

// The rows are in package/languages.inc; the ids of the names and libraries
// they point at are in core/resource.h.
enum { LanguageCount = 25 };

// The 25 rows, in table order.
const LanguageRow* languageTable(void);

// Upper-cased folder name to LanguageId; 0 for a name that is no language.
LanguageId languageIdFromFolder(const char* upperName);
// LanguageId to folder name; "ENGLISH" for an id outside the table.
const char* languageFolderName(LanguageId id);
// LanguageId to LANGUAGERC id; 136 (English) for an id outside the table.
unsigned languageResourceId(LanguageId id);

#endif
