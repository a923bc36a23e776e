// The driver package: its folder layout and every question asked of its INF
// file. Results are kept in the InstallContext.
#ifndef PACKAGE_PACKAGE_H
#define PACKAGE_PACKAGE_H

#include <stdint.h>

#include "core/context.h"

enum { ModelCount = 4 };
// Model numbers offered by a package, always probed in this order.
extern const ModelNumber kModelNumbers[ModelCount];

struct LanguageList {
    LanguageId ids[64];  // language folders found, in listing order
    int count;
};

struct ModelEntry {
    ModelNumber number;
    char name[64];       // display name as read, cut to the width of modelName
};
struct ModelList {
    ModelEntry models[ModelCount];
    int count;
};

// Data-source file names of one model, in section order.
struct DataSourceList {
    char names[1024];    // the section as read: NUL-separated entries
    unsigned length;     // characters read, not counting the final NUL
};

// ---- pure ----------------------------------------------------------------
// "WINVISTA", "WIN2K_XP" or "WIN98_ME" for the running Windows.
const char* selectOsFolder(OsCode code);
// sourceDir = packageRoot\osFolder\<table folder of id>; 0 when it does not fit.
int buildSourceDir(InstallContext* ctx, const char* osFolder, LanguageId id);
// Product id from hardwareId: writes productIdText, returns the low 16 bits.
uint16_t deriveProductId(InstallContext* ctx);
// Sets settingsPath when the entry is the data source ("X.DS..."), from the
// temporary folder (ending in a backslash).
void deriveSettingsPath(InstallContext* ctx, const char* entry, const char* tempDir);
// A data-source subdirectory from DestinationDirs is usable only when it is
// relative, has no drive, no ".." component and is not empty.
int isSafeSubdirectory(const char* subdir);
// A ScannerDS entry is copied only when it is a bare file name.
int isBareFileName(const char* name);
// Walks a section buffer: the entry at *offset, advancing it; 0 at the end.
const char* nextSectionEntry(const DataSourceList* list, unsigned* offset);

// ---- Win32 glue ----------------------------------------------------------
// Lists the language folders of packageRoot\<OS folder>; returns the folder.
const char* listPackageLanguages(const char* packageRoot, OsCode code, LanguageList* out);
// infPath = sourceDir\first "*_T.INF".
void locateInf(InstallContext* ctx);
// The models named in Strings "MODELName%d".
void listModels(const char* infPath, ModelList* out);
// Strings "MODELName%d" as read ("Error" when missing).
void readModelName(const char* infPath, ModelNumber n, char* out, unsigned outCap);
// Sets targetDir (empty when unsafe) and answers whether the folder exists.
int isDriverPresent(InstallContext* ctx);
// Sets hardwareId from ModelList (and ModelList.NTx86 when fallback is set).
void readHardwareId(InstallContext* ctx, int fallback);
// Reads section "ScannerDS%d".
void listDataSourceFiles(const char* infPath, ModelNumber n, DataSourceList* out);

#endif
