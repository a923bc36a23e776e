#include "operations/cleanup.h"

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include "core/oscode.h"
#include "core/system.h"
#include "core/text.h"
#include "operations/cleanup.h"
#include "operations/stream_search.h"
#include "package/package.h"

namespace {

// Windows 95 has no SetupAPI: every call is looked up at run time.
typedef HDEVINFO(WINAPI* GetClassDevsFn)(const GUID*, PCSTR, HWND, DWORD);
typedef BOOL(WINAPI* EnumDeviceInfoFn)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
typedef BOOL(WINAPI* GetDevicePropertyFn)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD);
typedef BOOL(WINAPI* CallClassInstallerFn)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA);
typedef BOOL(WINAPI* DestroyDeviceInfoListFn)(HDEVINFO);

struct SetupApi {
    HMODULE module;
    GetClassDevsFn getClassDevs;
    EnumDeviceInfoFn enumDeviceInfo;
    GetDevicePropertyFn getDeviceProperty;
    CallClassInstallerFn callClassInstaller;
    DestroyDeviceInfoListFn destroyDeviceInfoList;
};

int loadSetupApi(SetupApi* api) {
    memset(api, 0, sizeof *api);
    // Loaded by its full path from the system folder: never a stray copy in
    // the package folder, which is the current directory.
    api->module = loadSystemLibrary("setupapi.dll");
    if (!api->module) return 0;
    api->getClassDevs = lookup<GetClassDevsFn>(api->module, "SetupDiGetClassDevsA");
    api->enumDeviceInfo = lookup<EnumDeviceInfoFn>(api->module, "SetupDiEnumDeviceInfo");
    api->getDeviceProperty = lookup<GetDevicePropertyFn>(api->module, "SetupDiGetDeviceRegistryPropertyA");
    api->callClassInstaller = lookup<CallClassInstallerFn>(api->module, "SetupDiCallClassInstaller");
    api->destroyDeviceInfoList = lookup<DestroyDeviceInfoListFn>(api->module, "SetupDiDestroyDeviceInfoList");
    if (api->getClassDevs && api->enumDeviceInfo && api->getDeviceProperty && api->callClassInstaller &&
        api->destroyDeviceInfoList)
        return 1;
    FreeLibrary(api->module);
    api->module = NULL;
    return 0;
}

enum HardwareIdRead { ReadOk, ReadNoList, ReadAbort };

// Reads a device's hardware-id list, growing the buffer to the size that a
// failed read reports. The buffer keeps two NULs beyond that size, so that
// even an unterminated list ends inside it.
HardwareIdRead readHardwareIds(const SetupApi& api, HDEVINFO list, SP_DEVINFO_DATA* device,
                               char** buffer, DWORD* size) {
    *buffer = NULL;
    *size = 0;
    DWORD capacity = 0;
    // Each retry is for a larger list than the last; a list that keeps
    // changing under the reads is given up after a few.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0;
        DWORD needed = 0;
        if (api.getDeviceProperty(list, device, SPDRP_HARDWAREID, &type, (PBYTE)*buffer, capacity, &needed)) {
            *size = needed;
            return ReadOk;
        }
        DWORD error = GetLastError();
        if (*buffer) LocalFree(*buffer);
        *buffer = NULL;
        capacity = 0;
        if (error == ERROR_INVALID_DATA) return ReadNoList;
        if (error != ERROR_INSUFFICIENT_BUFFER || needed > 0x100000) return ReadAbort;
        *buffer = (char*)LocalAlloc(LPTR, needed + 2);
        if (!*buffer) return ReadAbort;
        capacity = needed;
    }
    if (*buffer) LocalFree(*buffer);
    *buffer = NULL;
    return ReadNoList;
}

// True when one entry of the list equals the upper-cased id as a whole text.
int listNamesId(char* buffer, DWORD size, const char* upperId) {
    unsigned offset = 0;
    char* entry;
    while ((entry = nextListEntry(buffer, (unsigned)size, &offset)) != NULL) {
        CharUpperA(entry);
        if (strcmp(entry, upperId) == 0) return 1;
    }
    return 0;
}

void removeDevicesNt(const char* upperId, Outcome* outcome) {
    SetupApi api;
    if (!loadSetupApi(&api)) return;
    // All classes and no "present" flag: entries of devices that are not
    // plugged in now are removed as well.
    HDEVINFO list = api.getClassDevs(NULL, NULL, NULL, DIGCF_ALLCLASSES);
    if (list != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device;
        for (DWORD index = 0;; ++index) {
            memset(&device, 0, sizeof device);
            device.cbSize = sizeof device;
            if (!api.enumDeviceInfo(list, index, &device)) break;
            char* buffer = NULL;
            DWORD size = 0;
            HardwareIdRead read = readHardwareIds(api, list, &device, &buffer, &size);
            if (read == ReadAbort) break;
            if (read == ReadOk && buffer && size > 0 && listNamesId(buffer, size, upperId))
                outcomeRecord(outcome, ActionRemoveDevice, upperId,
                              api.callClassInstaller(DIF_REMOVE, list, &device) ? 0 : lastErrorOr(ERROR_GEN_FAILURE));
            if (buffer) LocalFree(buffer);
        }
        api.destroyDeviceInfoList(list);
    }
    FreeLibrary(api.module);
}

// RegDeleteKeyA refuses a key that still has subkeys on the NT family (and
// under Wine), so the tree is deleted depth first. A subkey that cannot be
// deleted is stepped over rather than retried for ever.
int deleteKeyTree(HKEY parent, const char* name, int depth) {
    HKEY key;
    if (depth < 32 && RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
        DWORD index = 0;
        for (;;) {
            char child[256];
            DWORD childLength = sizeof child;
            if (RegEnumKeyExA(key, index, child, &childLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
            if (!deleteKeyTree(key, child, depth + 1)) ++index;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

// Whether the file's bytes hold one of the prepared forms of the id.
int fileContains(const char* path, StreamSearch* forms, int formCount) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int found = 0;
    unsigned char chunk[4096];
    DWORD got = 0;
    while (!found && ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0) {
        for (int i = 0; i < formCount; ++i) {
            streamSearchFeed(&forms[i], chunk, got);
            if (forms[i].found) found = 1;
        }
    }
    CloseHandle(file);
    return found;
}

void removeOemInfFilesNt(const char* windowsDir, const char* hardwareId, Outcome* outcome) {
    // The id as 8-bit text, and as the UTF-16LE text of a Unicode INF file.
    StreamSearch forms[2];
    int formCount = 0;
    if (streamSearchStart(&forms[formCount], hardwareId, strlen(hardwareId), 1)) ++formCount;
    WCHAR wide[64];
    int wideLength = MultiByteToWideChar(CP_ACP, 0, hardwareId, -1, wide, 64);
    if (wideLength > 1) {
        unsigned char wideBytes[128];
        for (int i = 0; i < wideLength - 1; ++i) {
            wideBytes[2 * i] = (unsigned char)(wide[i] & 0xFF);
            wideBytes[2 * i + 1] = (unsigned char)(wide[i] >> 8);
        }
        if (streamSearchStart(&forms[formCount], wideBytes, 2 * (size_t)(wideLength - 1), 2)) ++formCount;
    }
    if (formCount == 0) return;

    char infDir[1024];
    char pattern[1024];
    if (!pathJoin(infDir, windowsDir, "INF") || !pathJoin(pattern, infDir, "OEM*.INF")) return;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!isOemInfName(found.cFileName)) continue;
        char path[1024];
        if (!pathJoin(path, infDir, found.cFileName)) continue;
        StreamSearch fresh[2];
        for (int i = 0; i < formCount; ++i) {
            fresh[i] = forms[i];
        }
        if (fileContains(path, fresh, formCount))
            outcomeRecord(outcome, ActionDeleteOemInf, path, DeleteFileA(path) ? 0 : lastErrorOr(ERROR_GEN_FAILURE));
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
}

}  // namespace

void removeOemInfFiles(InstallContext* ctx) {
    char windowsDir[1024];
    windowsFolder(windowsDir);
    // Re-read on every path, before the version tests: the device removal
    // that follows works from this value.
    readHardwareId(ctx, 0);
    if (ctx->osCode == OsNt4) return;
    if (!isNtFamily(ctx->osCode)) {
        // The 9x path works from two name patterns that no stage of a run
        // fills, so it deletes nothing; it is kept so that filling them is
        // all it would take.
        char infDir[1024];
        if (!windowsDir[0] || !pathJoin(infDir, windowsDir, "INF")) return;
        deleteMatchingFiles(infDir, ctx->legacyInfPattern1, &ctx->outcome);
        deleteMatchingFiles(infDir, ctx->legacyInfPattern2, &ctx->outcome);
        return;
    }
    if (ctx->hardwareId[0] == '\0' || !windowsDir[0]) return;
    removeOemInfFilesNt(windowsDir, ctx->hardwareId, &ctx->outcome);
}

void removeDevices(InstallContext* ctx) {
    if (!isNtFamily(ctx->osCode)) {
        deleteEnumKey(ctx, ctx->hardwareId);
        return;
    }
    CharUpperA(ctx->hardwareId);
    // An empty id names no device; the walk would never find it.
    if (ctx->hardwareId[0] == '\0') return;
    removeDevicesNt(ctx->hardwareId, &ctx->outcome);
}

void deleteEnumKey(InstallContext* ctx, const char* hardwareId) {
    if (ctx->osCode > OsWinMe || hardwareId[0] == '\0') return;
    char keyName[300];
    if (!textFormat(keyName, sizeof keyName, "Enum\\%s", hardwareId)) return;
    // A key that is not there is no entry left behind.
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    RegCloseKey(key);
    outcomeRecord(&ctx->outcome, ActionRemoveDevice, hardwareId,
                  deleteKeyTree(HKEY_LOCAL_MACHINE, keyName, 0) ? 0 : ERROR_ACCESS_DENIED);
}

void deleteMatchingFiles(const char* directory, const char* pattern, Outcome* outcome) {
    if (pattern[0] == '\0') return;
    char search[1024];
    if (!pathJoin(search, directory, pattern)) return;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(search, &found);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        // The folder's own entries: resetting the attributes of the folder
        // and of its parent is no part of emptying it.
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        char path[1024];
        if (!pathJoin(path, directory, found.cFileName)) continue;
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        BOOL deleted = DeleteFileA(path);
        if (outcome) outcomeRecord(outcome, ActionDeleteFile, path, deleted ? 0 : lastErrorOr(ERROR_GEN_FAILURE));
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
}

