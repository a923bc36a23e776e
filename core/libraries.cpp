#include "core/libraries.h"

#include <windows.h>

#include "core/oscode.h"
#include "core/system.h"
#include "core/resource.h"

namespace {

HMODULE g_resourceModule = NULL;

const char kLanguageLibraryName[] = "DrvSetupLang.dll";
const char kSetupLibraryName[] = "DrvSetup.dll";

// Writes one embedded payload out byte for byte. A payload that cannot be
// found gives an empty file, whose load then fails and is passed over.
int writePayload(const char* type, unsigned id, const char* path) {
    HMODULE self = GetModuleHandleA(NULL);
    HRSRC res = FindResourceA(self, MAKEINTRESOURCEA(id), type);
    const void* bytes = NULL;
    DWORD length = 0;
    if (res) {
        HGLOBAL data = LoadResource(self, res);
        length = SizeofResource(self, res);
        bytes = data ? LockResource(data) : NULL;
        if (!bytes) length = 0;
    }
    return writeBytesToFile(path, bytes, length);
}

}  // namespace

int writeBytesToFile(const char* path, const void* bytes, size_t length) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes ? bytes : "", (DWORD)length, &written, NULL);
    CloseHandle(h);
    return ok ? 1 : 0;
}

int writeLanguageLibrary(unsigned payloadId) {
    char path[MAX_PATH];
    if (!systemFilePath(path, kLanguageLibraryName)) return 0;
    return writePayload("LANGUAGERC", payloadId, path);
}

void deleteLanguageLibrary(void) {
    char path[MAX_PATH];
    if (systemFilePath(path, kLanguageLibraryName)) DeleteFileA(path);
}

void loadLibraries(InstallContext* ctx) {
    char path[MAX_PATH];
    if (isNtFamily(ctx->osCode) && systemFilePath(path, kSetupLibraryName)) {
        writePayload("DLLRESOURCE", IDR_DRVSETUP, path);
        HMODULE setup = LoadLibraryA(path);
        ctx->setupLibrary = setup;
        if (setup) {
            // Held for the run; no stage of the installer calls them.
            ctx->copyOemInfEntry = (void*)GetProcAddress(setup, "SetupCopyOEMInf_2K");
            ctx->updateDriverEntry = (void*)GetProcAddress(setup, "UpdateDriverForPlugAndPlayDevices_2K");
            ctx->addPrinterDriverEntry = (void*)GetProcAddress(setup, "AddPrinterDriverEx_2K");
        }
    }
    HMODULE language = NULL;
    if (systemFilePath(path, kLanguageLibraryName)) language = LoadLibraryA(path);
    ctx->languageLibrary = language;
    g_resourceModule = language;
}

void unloadLibraries(InstallContext* ctx) {
    char path[MAX_PATH];
    if (isNtFamily(ctx->osCode)) {
        if (ctx->setupLibrary) FreeLibrary((HMODULE)ctx->setupLibrary);
        ctx->setupLibrary = NULL;
        // The entries pointed into the freed library.
        ctx->copyOemInfEntry = NULL;
        ctx->updateDriverEntry = NULL;
        ctx->addPrinterDriverEntry = NULL;
        if (systemFilePath(path, kSetupLibraryName)) DeleteFileA(path);
    }
    if (ctx->languageLibrary) FreeLibrary((HMODULE)ctx->languageLibrary);
    ctx->languageLibrary = NULL;
    g_resourceModule = NULL;
    deleteLanguageLibrary();
}

HMODULE resourceModule(void) { return g_resourceModule; }
