// The package queries that touch Windows: directory listings and profile
// reads of the INF file. Every read turns a missing piece into a value; none
// reports an error.
#include <windows.h>

#include <string.h>

#include "core/oscode.h"
#include "core/system.h"
#include "core/text.h"
#include "package/languages.h"
#include "package/package.h"
#include "package/inf_values.h"

namespace {

enum { ValueRoom = 1024, ListingPatternRoom = 256, DirectoryRoom = 1024 };

// One INF value, default "Error". Without an INF path the profile API would
// fall back on the Windows folder, so no read is made at all.
void readInfValue(const char* infPath, const char* section, const char* key, char (&value)[ValueRoom]) {
    if (!infPath || infPath[0] == '\0') {
        textCopy(value, kInfMissing);
        return;
    }
    GetPrivateProfileStringA(section, key, kInfMissing, value, ValueRoom, infPath);
    value[ValueRoom - 1] = '\0';
}

void modelNameKey(char (&key)[32], ModelNumber n) { textFormat(key, sizeof key, "MODELName%u", (unsigned)n); }

int isDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

}  // namespace

namespace {

typedef DWORD(WINAPI* GetCurrentDirectoryWFn)(DWORD, LPWSTR);
typedef DWORD(WINAPI* GetShortPathNameWFn)(LPCWSTR, LPWSTR, DWORD);

// A wide path in the ANSI code page, only when every character survives
// (no best-fit look-alikes, no default character).
int exactAnsi(const wchar_t* wide, char (&out)[256]) {
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, sizeof out, NULL, &lossy);
    return n > 0 && !lossy;
}

// On the NT family the current folder's real name is wide; a name that the
// ANSI code page cannot hold (a Cyrillic folder on an English Windows) reads
// through the ANSI calls as question marks, which name no folder. Its short
// (8.3) name is plain ASCII and names the same folder. Returns 1 with the
// ANSI form in out; 0 when the wide calls are missing (the Windows 95
// family) or fail; -1 when the name cannot be given in ANSI at all.
int readWideCurrentDirectory(char (&out)[256]) {
    GetCurrentDirectoryWFn current = lookupLoaded<GetCurrentDirectoryWFn>("kernel32.dll", "GetCurrentDirectoryW");
    GetShortPathNameWFn shortName = lookupLoaded<GetShortPathNameWFn>("kernel32.dll", "GetShortPathNameW");
    wchar_t wide[DirectoryRoom], brief[DirectoryRoom];
    DWORD n = current ? current(DirectoryRoom, wide) : 0;
    if (n == 0 || n >= DirectoryRoom) return 0;
    if (exactAnsi(wide, out)) return 1;
    n = shortName ? shortName(wide, brief, DirectoryRoom) : 0;
    if (n > 0 && n < DirectoryRoom && exactAnsi(brief, out)) return 1;
    return -1;
}

}  // namespace

int readPackageRoot(InstallContext* ctx) {
    char dir[256];
    ctx->packageRoot[0] = '\0';
    int wide = isNtFamily(ctx->osCode) || ctx->osCode == OsNt4 ? readWideCurrentDirectory(dir) : 0;
    // A folder that no ANSI path names is no package the program can read:
    // refused, like a path that is too long, rather than listed as empty.
    if (wide < 0) return 0;
    if (wide == 0) {
        DWORD n = GetCurrentDirectoryA(sizeof dir, dir);
        // A longer path reports the room it needs; it is refused, not cut.
        if (n == 0 || n >= sizeof dir) return 0;
    }
    return textCopy(ctx->packageRoot, dir);
}

int readTempDirectory(char* out, size_t cap) {
    char dir[DirectoryRoom];
    DWORD n = GetTempPathA(sizeof dir, dir);
    if (cap == 0) return 0;
    if (n == 0 || n >= sizeof dir || !textCopy(out, cap, dir)) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

const char* listPackageLanguages(const char* packageRoot, OsCode code, LanguageList* out) {
    const char* osFolder = selectOsFolder(code);
    out->count = 0;
    char pattern[ListingPatternRoom];
    if (!packageRoot || packageRoot[0] == '\0' ||
        !textFormat(pattern, sizeof pattern, "%s\\%s\\*.*", packageRoot, osFolder))
        return osFolder;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return osFolder;
    const int capacity = (int)(sizeof out->ids / sizeof out->ids[0]);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || isDotEntry(found.cFileName)) continue;
        char name[64];
        if (!textCopy(name, found.cFileName)) continue;  // longer than any language folder
        CharUpperA(name);                                // the letter case on disk does not matter
        LanguageId id = languageIdFromFolder(name);
        if (id != 0 && out->count < capacity) out->ids[out->count++] = id;
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return osFolder;
}

int locateInf(InstallContext* ctx) {
    ctx->infPath[0] = '\0';
    char pattern[sizeof ctx->sourceDir + 8];
    if (ctx->sourceDir[0] == '\0' || !pathJoin(pattern, ctx->sourceDir, "*_T.INF")) return 0;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return 0;
    int ok = 0;
    do {
        // A folder that happens to match is no INF file.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ok = pathJoin(ctx->infPath, ctx->sourceDir, found.cFileName);
        break;
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return ok;
}

void listModels(const char* infPath, ModelList* out) {
    out->count = 0;
    for (int i = 0; i < ModelCount; ++i) {
        char key[32];
        char value[ValueRoom];
        modelNameKey(key, kModelNumbers[i]);
        readInfValue(infPath, "Strings", key, value);
        // Only the exact word stands for a missing key: "error" is a name,
        // and so is an empty value.
        if (strcmp(value, kInfMissing) == 0) continue;
        ModelEntry& entry = out->models[out->count++];
        entry.number = kModelNumbers[i];
        textCopy(entry.name, value);
    }
}

void readModelName(const char* infPath, ModelNumber n, char* out, size_t outCap) {
    char key[32];
    char value[ValueRoom];
    modelNameKey(key, n);
    readInfValue(infPath, "Strings", key, value);
    textCopy(out, outCap, value);
}

void readInfVersion(const char* infPath, char* driverVer, size_t verCap, char* provider, size_t providerCap) {
    char value[ValueRoom];
    readInfValue(infPath, "Version", "DriverVer", value);
    textCopy(driverVer, verCap, strcmp(value, kInfMissing) == 0 ? "" : value);
    readInfValue(infPath, "Version", "Provider", value);
    size_t n = strlen(value);
    if (n > 2 && value[0] == '%' && value[n - 1] == '%') {
        char key[ValueRoom];
        textCopyN(key, sizeof key, value + 1, n - 2);
        readInfValue(infPath, "Strings", key, value);
    }
    textCopy(provider, providerCap, strcmp(value, kInfMissing) == 0 ? "" : value);
}

int isDriverPresent(InstallContext* ctx) {
    char key[32];
    char value[ValueRoom];
    textFormat(key, sizeof key, "ScannerDS%u", (unsigned)ctx->modelNumber);
    readInfValue(ctx->infPath, "DestinationDirs", key, value);

    char windowsDir[DirectoryRoom];
    windowsFolder(windowsDir);
    if (!buildTargetDir(ctx, value, windowsDir)) return 0;

    char pattern[ListingPatternRoom];
    if (!pathJoin(pattern, ctx->targetDir, "*.*")) return 0;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return 0;
    // A folder lists "." and ".." at least, so an empty one counts as there.
    int present = FindNextFileA(listing, &found) ? 1 : 0;
    FindClose(listing);
    return present;
}

int hasDataSourceFile(const InstallContext* ctx) {
    if (!ctx->targetDir[0]) return 0;
    DataSourceList list;
    listDataSourceFiles(ctx->infPath, ctx->modelNumber, &list);
    unsigned offset = 0;
    const char* entry;
    while ((entry = nextSectionEntry(&list, &offset)) != NULL) {
        char path[DirectoryRoom];
        if (!isDataSourceEntry(entry) || !pathJoin(path, ctx->targetDir, entry)) continue;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    }
    return 0;
}

void readHardwareId(InstallContext* ctx, int fallback) {
    char key[32];
    char value[ValueRoom];
    textFormat(key, sizeof key, "%%MODELName%u%%", (unsigned)ctx->modelNumber);
    readInfValue(ctx->infPath, "ModelList", key, value);
    if (fallback && strcmp(value, kInfMissing) == 0) readInfValue(ctx->infPath, "ModelList.NTx86", key, value);
    hardwareIdFromValue(ctx, value);
}

void listDataSourceFiles(const char* infPath, ModelNumber n, DataSourceList* out) {
    out->length = 0;
    memset(out->names, 0, 2);
    if (!infPath || infPath[0] == '\0') return;
    char section[32];
    textFormat(section, sizeof section, "ScannerDS%u", (unsigned)n);
    DWORD got = GetPrivateProfileSectionA(section, out->names, sizeof out->names, infPath);
    // The reader never reports more than the room less the two final NULs;
    // should one do so, the walk must still end inside the buffer.
    if (got > sizeof out->names - 2) got = sizeof out->names - 2;
    out->names[sizeof out->names - 1] = '\0';
    out->length = got;
}
