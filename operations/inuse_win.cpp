#include "operations/inuse.h"

#include <windows.h>
#include <string.h>

#include "core/system.h"
#include "core/text.h"
#include "package/package.h"

int fileIsFree(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    // Opened for writing with no sharing at all: refused while any other
    // handle is open, and while the file is loaded as a module (its image
    // cannot be written). A read-only file (copied from a package on a CD)
    // is opened without the attribute, which it gets back at once.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes);
    // Any other refusal (no right to write) is no program's doing: the
    // sequence itself then fails and says so.
    return error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION;
}

int findHeldFile(const InstallContext* ctx, char* path, size_t cap) {
    if (cap) path[0] = '\0';
    if (!ctx->targetDir[0]) return 0;
    char file[MAX_PATH];
    if (ctx->mode == ModeRemove) {
        // A removal deletes everything in the folder.
        char pattern[MAX_PATH];
        WIN32_FIND_DATAA found;
        if (!pathJoin(pattern, ctx->targetDir, "*.*")) return 0;
        HANDLE h = FindFirstFileA(pattern, &found);
        if (h == INVALID_HANDLE_VALUE) return 0;
        int held = 0;
        do {
            held = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && pathJoin(file, ctx->targetDir, found.cFileName) &&
                   !fileIsFree(file);
        } while (!held && FindNextFileA(h, &found));
        FindClose(h);
        return held && textCopy(path, cap, file);
    }
    // An install or upgrade replaces the package's files of the model.
    DataSourceList list;
    listDataSourceFiles(ctx->infPath, ctx->modelNumber, &list);
    for (const char* entry = list.names; *entry && entry < list.names + list.length; entry += strlen(entry) + 1)
        if (isBareFileName(entry) && pathJoin(file, ctx->targetDir, entry) && !fileIsFree(file))
            return textCopy(path, cap, file);
    return 0;
}

namespace {

// The Restart Manager's own types (rstrtmgr.dll, Windows Vista and later).
struct RmUniqueProcess {
    DWORD processId;
    FILETIME startTime;
};
struct RmProcessInfo {
    RmUniqueProcess process;
    WCHAR appName[256];
    WCHAR serviceShortName[64];
    int applicationType;
    ULONG appStatus;
    DWORD sessionId;
    BOOL restartable;
};
typedef DWORD(WINAPI* RmStartSessionFn)(DWORD*, DWORD, WCHAR*);
typedef DWORD(WINAPI* RmRegisterResourcesFn)(DWORD, UINT, const WCHAR**, UINT, RmUniqueProcess*, UINT, const WCHAR**);
typedef DWORD(WINAPI* RmGetListFn)(DWORD, UINT*, UINT*, RmProcessInfo*, DWORD*);
typedef DWORD(WINAPI* RmEndSessionFn)(DWORD);

}  // namespace

int nameHolder(const char* path, char* name, size_t cap) {
    if (cap) name[0] = '\0';
    HMODULE rm = loadSystemLibrary("rstrtmgr.dll");
    RmStartSessionFn start = lookup<RmStartSessionFn>(rm, "RmStartSession");
    RmRegisterResourcesFn add = lookup<RmRegisterResourcesFn>(rm, "RmRegisterResources");
    RmGetListFn list = lookup<RmGetListFn>(rm, "RmGetList");
    RmEndSessionFn end = lookup<RmEndSessionFn>(rm, "RmEndSession");
    WCHAR wide[MAX_PATH], key[64];
    DWORD session = 0;
    int named = 0;
    if (start && add && list && end && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0 &&
        start(&session, 0, key) == ERROR_SUCCESS) {
        const WCHAR* files[1] = {wide};
        RmProcessInfo info[4];
        memset(info, 0, sizeof info);
        UINT needed = 0, count = 4;
        DWORD reasons = 0;
        if (add(session, 1, files, 0, NULL, 0, NULL) == ERROR_SUCCESS &&
            list(session, &needed, &count, info, &reasons) == ERROR_SUCCESS && count > 0 && count <= 4) {
            info[0].appName[255] = 0;
            named = info[0].appName[0] && WideCharToMultiByte(CP_ACP, 0, info[0].appName, -1, name, (int)cap, NULL, NULL) > 1;
        }
        end(session);
    }
    if (!named && cap) name[0] = '\0';
    if (rm) FreeLibrary(rm);
    return named;
}
