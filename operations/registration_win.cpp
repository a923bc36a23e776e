#include "operations/registration.h"

#include <windows.h>
#include <string.h>

#include "core/oscode.h"
#include "core/resource.h"
#include "core/system.h"
#include "core/text.h"
#include "package/languages.h"
#include "package/package.h"

const char kKeptProgramName[] = "TwainSetup.exe";
const char kRemovalFileName[] = "Removal.ini";

namespace {

const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A 32-bit program's entry lands in the 32-bit view of 64-bit Windows, where
// tools look for 32-bit software; the x86-64 build (a test stand-in) asks for
// that view itself. Older systems do not know the flag, and need not.
const REGSAM kView = sizeof(void*) == 8 ? 0x0200 /* KEY_WOW64_32KEY */ : 0;

typedef LONG(WINAPI* RegSetValueExWFn)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
typedef BOOL(WINAPI* MoveFileExAFn)(LPCSTR, LPCSTR, DWORD);

void tell(InstallContext* ctx, const char* text, DWORD error) {
    outcomeRecord(&ctx->outcome, ActionRegister, text, error);
}

struct Entry {
    InstallContext* ctx;
    HKEY key;
    char name[80];  // "Uninstall\KEY"
};

void putString(Entry& e, const char* value, const char* data) {
    LONG r = RegSetValueExA(e.key, value, 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);
    char text[1200];
    textFormat(text, sizeof text, "%s %s=%s", e.name, value, data);
    tell(e.ctx, text, (DWORD)r);
}

void putNumber(Entry& e, const char* value, DWORD data) {
    LONG r = RegSetValueExA(e.key, value, 0, REG_DWORD, (const BYTE*)&data, sizeof data);
    char text[200];
    textFormat(text, sizeof text, "%s %s=%lu", e.name, value, (unsigned long)data);
    tell(e.ctx, text, (DWORD)r);
}

// String id of the program's own table in Windows language lang (the
// program holds every language's table side by side, so this needs no
// language library), with "%1" filled with arg. Empty when it is missing.
void stringOfLanguage(UINT id, WORD lang, const char* arg, WCHAR* out, int cap) {
    out[0] = 0;
    HRSRC r = FindResourceExA(NULL, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), lang);
    HGLOBAL g = r ? LoadResource(NULL, r) : NULL;
    const WCHAR* p = g ? (const WCHAR*)LockResource(g) : NULL;
    if (!p) return;
    const WCHAR* end = p + SizeofResource(NULL, r) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;  // each: its length, then its characters
    if (p >= end || *p > end - p - 1) return;
    const WCHAR* text = p + 1;
    const WCHAR* stop = text + *p;
    WCHAR name[256];
    if (MultiByteToWideChar(CP_ACP, 0, arg, -1, name, 256) <= 0) name[0] = 0;
    int n = 0;
    for (; text < stop && n < cap - 1; ++text) {
        if (text[0] == '%' && text + 1 < stop && text[1] == '1') {
            for (const WCHAR* c = name; *c && n < cap - 1; ++c) out[n++] = *c;
            ++text;
        } else {
            out[n++] = *text;
        }
    }
    out[n] = 0;
}

// The name in the language of the install: wide on the NT family, so that
// it shows whatever the system's code page.
void putDisplayName(Entry& e, WORD lang) {
    WCHAR wide[256];
    char narrow[512];
    // An entry without a name is hidden from the list: English, else the
    // model's own name, stands in for a text that is missing.
    stringOfLanguage(IDS_UNINSTALL_NAME, lang, e.ctx->modelName, wide, 256);
    if (!wide[0]) stringOfLanguage(IDS_UNINSTALL_NAME, 1033, e.ctx->modelName, wide, 256);
    if (!wide[0] && MultiByteToWideChar(CP_ACP, 0, e.ctx->modelName, -1, wide, 256) <= 0) wide[0] = 0;
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, NULL, NULL) <= 0) narrow[0] = '\0';
    RegSetValueExWFn setWide = lookupLoaded<RegSetValueExWFn>("advapi32.dll", "RegSetValueExW");
    LONG r = isNtFamily(e.ctx->osCode) && setWide
                 ? setWide(e.key, L"DisplayName", 0, REG_SZ, (const BYTE*)wide, (DWORD)(lstrlenW(wide) + 1) * sizeof(WCHAR))
                 : RegSetValueExA(e.key, "DisplayName", 0, REG_SZ, (const BYTE*)narrow, (DWORD)strlen(narrow) + 1);
    char text[700];
    textFormat(text, sizeof text, "%s DisplayName=%s", e.name, narrow);
    tell(e.ctx, text, (DWORD)r);
}

// Kilobytes of the files of folder, rounded up.
DWORD folderKilobytes(const char* folder) {
    char pattern[1024];
    if (!pathJoin(pattern, folder, "*.*")) return 0;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    unsigned long long bytes = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            bytes += ((unsigned long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return (DWORD)((bytes + 1023) / 1024);
}

// Whether text begins with word, ASCII letters of either case.
int startsNoCase(const char* text, const char* word) {
    for (; *word; ++text, ++word) {
        char a = *text >= 'A' && *text <= 'Z' ? (char)(*text + 32) : *text;
        if (a != *word) return 0;
    }
    return 1;
}

const char* fileNameOf(const char* path) {
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The copy of the running program, the INF and the removal file. Returns 1
// with the copy's path in program.
int keepCopy(InstallContext* ctx, const char* kept, char (&program)[1024]) {
    char self[MAX_PATH + 1], inf[1024], removal[1024], number[16];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    self[n] = '\0';
    if (!pathJoin(program, kept, kKeptProgramName) || !pathJoin(inf, kept, fileNameOf(ctx->infPath)) ||
        !pathJoin(removal, kept, kRemovalFileName))
        return 0;
    if (!CreateDirectoryA(kept, NULL) && GetFileAttributesA(kept) == INVALID_FILE_ATTRIBUTES) return 0;
    // Started from the copy itself (a removal never registers, but an
    // install could be started there by hand): it is already in place.
    if (lstrcmpiA(self, program) != 0 && !CopyFileA(self, program, FALSE)) return 0;
    if (!CopyFileA(ctx->infPath, inf, FALSE)) return 0;
    SetFileAttributesA(inf, FILE_ATTRIBUTE_NORMAL);  // a package on a CD is read-only
    textFormat(number, sizeof number, "%lu", (unsigned long)ctx->modelNumber);
    int ok = WritePrivateProfileStringA("Removal", "Model", number, removal);
    textFormat(number, sizeof number, "%lu", (unsigned long)ctx->languageId);
    ok = ok && WritePrivateProfileStringA("Removal", "Language", number, removal);
    ok = ok && WritePrivateProfileStringA("Removal", "Inf", fileNameOf(ctx->infPath), removal);
    WritePrivateProfileStringA(NULL, NULL, NULL, removal);  // the Windows 95 family caches profiles
    return ok;
}

// The Windows language of the install's texts, for the entry's Language value.
DWORD windowsLanguageOf(LanguageId id) {
    for (int i = 0; i < LanguageCount; ++i)
        if (languageTable()[i].id == id) return languageTable()[i].windowsLanguage;
    return 0;
}

void deleteEntry(InstallContext* ctx, const char* keyName) {
    HKEY root;
    char text[200];
    textFormat(text, sizeof text, "Uninstall\\%s removed", keyName);
    LONG r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_WRITE | kView, &root);
    if (r == ERROR_SUCCESS) {
        r = RegDeleteKeyA(root, keyName);
        RegCloseKey(root);
    }
    if (r != ERROR_FILE_NOT_FOUND) tell(ctx, text, (DWORD)r);
}

// Deletes the files of the folder of the copy, then the folder. With
// atRestart, what is in use (the program that started this removal runs from
// there) goes at the next restart, the folder after it.
void removeKeptFolder(InstallContext* ctx, const char* kept, int atRestart) {
    if (GetFileAttributesA(kept) == INVALID_FILE_ATTRIBUTES) return;
    WIN32_FIND_DATAA found;
    char pattern[1024], file[1024], text[1200];
    int later = 0;
    if (pathJoin(pattern, kept, "*.*")) {
        HANDLE h = FindFirstFileA(pattern, &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !pathJoin(file, kept, found.cFileName))
                    continue;
                SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
                if (DeleteFileA(file) || !atRestart) continue;
                later = 1;
                textFormat(text, sizeof text, "%s deleted at the next restart", file);
                tell(ctx, text, deleteAtRestart(file) ? 0 : lastErrorOr(ERROR_ACCESS_DENIED));
            } while (FindNextFileA(h, &found));
            FindClose(h);
        }
    }
    if (!later && RemoveDirectoryA(kept)) {
        textFormat(text, sizeof text, "%s removed", kept);
        tell(ctx, text, 0);
        return;
    }
    // WININIT.INI deletes files only: on Windows 95, 98 and Me the emptied
    // folder stays.
    if (!atRestart || !isNtFamily(ctx->osCode)) return;
    textFormat(text, sizeof text, "%s removed at the next restart", kept);
    tell(ctx, text, deleteAtRestart(kept) ? 0 : lastErrorOr(ERROR_ACCESS_DENIED));
}

}  // namespace

void registerModel(InstallContext* ctx) {
    char keyName[64], kept[1024], program[1024];
    if (!uninstallKeyName(ctx->targetDir, keyName, sizeof keyName) ||
        !keptFolderPath(ctx->targetDir, kept, sizeof kept))
        return;
    if (!keepCopy(ctx, kept, program)) {
        // Nothing half made stays (no room on the drive, say), and no entry
        // of an earlier install names a copy that is no longer whole.
        tell(ctx, kept, lastErrorOr(ERROR_CANNOT_MAKE));
        deleteEntry(ctx, keyName);
        removeKeptFolder(ctx, kept, 0);
        return;
    }
    char path[sizeof kUninstallRoot + 80];
    textFormat(path, sizeof path, "%s\\%s", kUninstallRoot, keyName);
    Entry e = {ctx, NULL, ""};
    textFormat(e.name, sizeof e.name, "Uninstall\\%s", keyName);
    DWORD disposition = 0;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_WRITE | kView, NULL,
                             &e.key, &disposition);
    if (r != ERROR_SUCCESS) {
        tell(ctx, e.name, (DWORD)r);
        return;
    }
    char driverVer[256], version[128], provider[256], text[1200];
    readInfVersion(ctx->infPath, driverVer, sizeof driverVer, provider, sizeof provider);
    driverVersion(driverVer, version, sizeof version);
    const WORD lang = (WORD)windowsLanguageOf(ctx->languageId);
    putDisplayName(e, lang);
    putString(e, "DisplayVersion", version);
    putString(e, "Publisher", provider);
    putString(e, "InstallLocation", ctx->targetDir);
    SYSTEMTIME t;
    GetLocalTime(&t);
    textFormat(text, sizeof text, "%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
    putString(e, "InstallDate", text);
    putNumber(e, "EstimatedSize", folderKilobytes(ctx->targetDir));
    textFormat(text, sizeof text, "%s,0", program);
    putString(e, "DisplayIcon", text);
    putNumber(e, "NoModify", 1);
    putNumber(e, "NoRepair", 1);
    textFormat(text, sizeof text, "\"%s\" /remove", program);
    putString(e, "UninstallString", text);
    textFormat(text, sizeof text, "\"%s\" /remove /S", program);
    putString(e, "QuietUninstallString", text);
    putNumber(e, "Language", lang);
    RegCloseKey(e.key);
}

void unregisterModel(InstallContext* ctx) {
    char keyName[64], kept[1024];
    if (!uninstallKeyName(ctx->targetDir, keyName, sizeof keyName) ||
        !keptFolderPath(ctx->targetDir, kept, sizeof kept))
        return;
    deleteEntry(ctx, keyName);
    removeKeptFolder(ctx, kept, 1);
}

int readRemovalFile(InstallContext* ctx, const char* keptDir) {
    char removal[1024], inf[64];
    if (!pathJoin(removal, keptDir, kRemovalFileName)) return 0;
    ctx->modelNumber = (ModelNumber)GetPrivateProfileIntA("Removal", "Model", 0, removal);
    ctx->languageId = (LanguageId)GetPrivateProfileIntA("Removal", "Language", IDS_LANGUAGE_ENGLISH, removal);
    GetPrivateProfileStringA("Removal", "Inf", "", inf, sizeof inf, removal);
    // Only a bare file name of this folder: the file is data a user can edit.
    if (!inf[0] || strchr(inf, '\\') || strchr(inf, '/') || strchr(inf, ':') || !ctx->modelNumber) return 0;
    if (!pathJoin(ctx->infPath, keptDir, inf) || GetFileAttributesA(ctx->infPath) == INVALID_FILE_ATTRIBUTES) return 0;
    int known = 0;
    for (int i = 0; i < LanguageCount; ++i) known |= languageTable()[i].id == ctx->languageId;
    if (!known) ctx->languageId = IDS_LANGUAGE_ENGLISH;
    readModelName(ctx->infPath, ctx->modelNumber, ctx->modelName, sizeof ctx->modelName);
    return 1;
}

namespace {

// The short (8.3) form of path, which WININIT.INI needs. A file that does
// not exist yet (a new file of an upgrade) has its folder's short form and
// its own name, which is short already where it is to be written there.
int shortName(const char* path, char (&out)[MAX_PATH]) {
    DWORD n = GetShortPathNameA(path, out, sizeof out);
    if (n > 0 && n < sizeof out) return 1;
    const char* slash = strrchr(path, '\\');
    char folder[MAX_PATH];
    if (!slash || !textCopyN(folder, sizeof folder, path, (size_t)(slash - path))) return 0;
    n = GetShortPathNameA(folder, out, sizeof out);
    return n > 0 && n < sizeof out && textAppend(out, slash);
}

}  // namespace

int moveAtRestart(const char* from, const char* to) {
    MoveFileExAFn moveLater = lookupLoaded<MoveFileExAFn>("kernel32.dll", "MoveFileExA");
    OSVERSIONINFOA v;
    memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    if (v.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return moveLater && moveLater(from, to, to ? MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING
                                                   : MOVEFILE_DELAY_UNTIL_REBOOT);

    // Windows 95, 98 and Me: WININIT.INI, read at start before Windows runs:
    // "TARGET=SOURCE" replaces, "NUL=FILE" deletes. Its [rename] section may
    // hold several "NUL=" lines, which the profile calls cannot write: the
    // file is edited as text. Short names only.
    char shortFrom[MAX_PATH], shortTo[MAX_PATH], windowsDir[MAX_PATH], ini[MAX_PATH + 16];
    if (!shortName(from, shortFrom) || (to && !shortName(to, shortTo)) || !windowsFolder(windowsDir) ||
        !pathJoin(ini, windowsDir, "WININIT.INI"))
        return 0;
    static char text[65536];
    DWORD length = 0;
    HANDLE h = CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h != INVALID_HANDLE_VALUE) {
        // A file larger than the buffer is never written back cut short.
        int whole = GetFileSize(h, NULL) < sizeof text - 1 && ReadFile(h, text, sizeof text - 1, &length, NULL);
        CloseHandle(h);
        if (!whole) return 0;
    }
    text[length] = '\0';
    char line[2 * MAX_PATH + 8];
    textFormat(line, sizeof line, "%s=%s\r\n", to ? shortTo : "NUL", shortFrom);
    // The line goes at the end of the section: Windows carries the lines out
    // in order, and a folder is deleted only after the files in it.
    const char* at = NULL;
    int inSection = 0;
    for (const char* p = text; *p; p = strchr(p, '\n') ? strchr(p, '\n') + 1 : p + strlen(p)) {
        if (*p == '[') {
            if (inSection) {
                at = p;
                break;
            }
            inSection = startsNoCase(p, "[rename]");
        }
    }
    if (inSection && !at) at = text + length;
    h = CreateFileA(ini, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const char* head = !at ? "[rename]\r\n" : "";
    const char* before = text;
    DWORD beforeLength = at ? (DWORD)(at - text) : length;
    const char* gap = beforeLength && text[beforeLength - 1] != '\n' ? "\r\n" : "";
    int ok = WriteFile(h, before, beforeLength, &written, NULL) && WriteFile(h, gap, (DWORD)strlen(gap), &written, NULL) &&
             WriteFile(h, head, (DWORD)strlen(head), &written, NULL) &&
             WriteFile(h, line, (DWORD)strlen(line), &written, NULL) &&
             (!at || WriteFile(h, at, (DWORD)strlen(at), &written, NULL));
    CloseHandle(h);
    return ok;
}
