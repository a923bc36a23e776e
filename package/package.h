// The driver package: its folder layout and every question asked of its INF
// file. Results are kept in the InstallContext.
//
// Package layout: packageRoot (the current directory) \ OS folder
// ("WIN98_ME", "WIN2K_XP", "WINVISTA") \ language folder (named as in the
// language table) \ the first "*_T.INF" and the data-source files it lists.
// Every INF read is a profile lookup with the default "Error" and room for
// 1024 characters; a value of exactly "Error" stands for a missing entry.
#ifndef PACKAGE_PACKAGE_H
#define PACKAGE_PACKAGE_H

#include <stddef.h>
#include <stdint.h>

#include "core/context.h"

enum { ModelCount = 4 };
// Model numbers offered by a package, always probed in this order.
extern const ModelNumber kModelNumbers[ModelCount];

// The text every single-value INF read gives for a missing entry.
extern const char kInfMissing[];

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
// sourceDir = packageRoot\osFolder\<table folder of id>, the folder always
// spelt as in the table. When packageRoot is empty or the path does not fit,
// sourceDir is left empty and 0 is returned.
int buildSourceDir(InstallContext* ctx, const char* osFolder, LanguageId id);

// targetDir = windowsDir\<second comma field of the DestinationDirs value>.
// Only a safe, whole subdirectory is taken; otherwise targetDir is left
// EMPTY and 0 is returned, so that no caller can mistake the Windows folder
// (or anything outside it) for the data-source folder.
int buildTargetDir(InstallContext* ctx, const char* destinationValue, const char* windowsDir);
// hardwareId = second comma field of a ModelList value; empty when there is
// none, or when it is too long for the field (a shortened identifier would
// match other devices).
void hardwareIdFromValue(InstallContext* ctx, const char* modelListValue);

// Text read the way strtol reads base 16 with a 32-bit long: leading blanks,
// a sign, an optional "0x", hexadecimal digits up to the first other
// character; 0 without digits; LONG_MAX / LONG_MIN on overflow.
int32_t parseHexLong32(const char* text);
// Product id from hardwareId: writes productIdText (second "&" field with
// "PID_" turned into "0x") and returns its value's low 16 bits.
uint16_t deriveProductId(InstallContext* ctx);

// Whether a ScannerDS entry is the data source itself ("NAME.DS",
// "NAME.ds.old", ...: a bare file name whose second part is DS).
int isDataSourceEntry(const char* entry);
// Sets settingsPath to tempDir + base name + ".INI" when the entry is the
// data source; otherwise settingsPath is left as it was.
void deriveSettingsPath(InstallContext* ctx, const char* entry, const char* tempDir);

// A data-source subdirectory from DestinationDirs is usable only when it is
// relative, has no drive, no "." or ".." component and is not empty.
int isSafeSubdirectory(const char* subdir);
// A ScannerDS entry is copied only when it is a bare file name: not empty,
// no path separator, no drive, no "..", no device name.
int isBareFileName(const char* name);
// Walks a section buffer: the entry at *offset, advancing it; 0 at the end.
const char* nextSectionEntry(const DataSourceList* list, unsigned* offset);

// ---- Win32 glue ----------------------------------------------------------
// packageRoot = the current directory (at most 255 characters); empty and 0
// when it cannot be read or is longer.
int readPackageRoot(InstallContext* ctx);
// The temporary folder as GetTempPathA gives it (ending in a backslash);
// empty and 0 when it cannot be read or does not fit.
int readTempDirectory(char* out, size_t cap);
// Lists the language folders of packageRoot\<OS folder>; returns the folder.
const char* listPackageLanguages(const char* packageRoot, OsCode code, LanguageList* out);
// infPath = sourceDir\first file matching "*_T.INF"; empty and 0 when there
// is none, so that every later read gives "Error".
int locateInf(InstallContext* ctx);
// The models named in Strings "MODELName%d".
void listModels(const char* infPath, ModelList* out);
// Strings "MODELName%d" as read ("Error" when missing).
void readModelName(const char* infPath, ModelNumber n, char* out, size_t outCap);
// Sets targetDir (empty when unsafe) and answers whether the folder exists.
int isDriverPresent(InstallContext* ctx);
// Whether a data-source file of the model's ScannerDS list is in targetDir
// (after isDriverPresent): a folder without one is what an interrupted run
// or a removal that could not finish left, not an installed driver.
int hasDataSourceFile(const InstallContext* ctx);
// Sets hardwareId from ModelList (and ModelList.NTx86 when fallback is set).
void readHardwareId(InstallContext* ctx, int fallback);
// [Version] DriverVer as written, and Provider with a "%key%" value taken
// from [Strings]; each empty when the INF has none.
void readInfVersion(const char* infPath, char* driverVer, size_t verCap, char* provider, size_t providerCap);
// Reads section "ScannerDS%d".
void listDataSourceFiles(const char* infPath, ModelNumber n, DataSourceList* out);

#endif
