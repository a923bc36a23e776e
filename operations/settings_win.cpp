#include "operations/settings.h"

#include <windows.h>

#include "core/system.h"
#include "package/package.h"
#include "ui/discovery.h"

namespace {

// The file as it was before this write: a copy in the temporary folder, or
// nothing when there was no file.
struct SettingsBackup {
    char copy[MAX_PATH];
    int existed;
};

int keep(const char* path, SettingsBackup* b) {
    b->copy[0] = '\0';
    b->existed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    if (!b->existed) return 1;
    char tempDir[1024];
    readTempDirectory(tempDir, sizeof tempDir);
    if (!GetTempFileNameA(tempDir, "tws", 0, b->copy)) return 0;
    if (CopyFileA(path, b->copy, FALSE)) return 1;
    DeleteFileA(b->copy);
    b->copy[0] = '\0';
    return 0;
}

void putBack(InstallContext* ctx, const SettingsBackup* b) {
    int ok = b->existed ? CopyFileA(b->copy, ctx->settingsPath, FALSE)
                        : (DeleteFileA(ctx->settingsPath) || GetFileAttributesA(ctx->settingsPath) == INVALID_FILE_ATTRIBUTES);
    if (!ok) outcomeRecord(&ctx->outcome, ActionUndo, ctx->settingsPath, lastErrorOr(ERROR_GEN_FAILURE));
}

}  // namespace

int writeScannerSettings(InstallContext* ctx) {
    // No data-source file was copied, so there is no data source to configure.
    if (ctx->settingsPath[0] == '\0') return 1;
    ScannerSetting settings[ScannerSettingCount];
    buildScannerSettings(ctx->scannerAddress, addressToHostOrder(ctx->scannerAddress), settings);
    SettingsBackup backup;
    if (!keep(ctx->settingsPath, &backup))
        return outcomeRecord(&ctx->outcome, ActionWriteSettings, ctx->settingsPath, lastErrorOr(ERROR_CANNOT_MAKE));
    // One write per key, in order: the profile writer replaces a key in
    // place and leaves every other section and key of the file alone.
    DWORD error = 0;
    for (int i = 0; i < ScannerSettingCount && !error; ++i)
        if (!WritePrivateProfileStringA(ctx->modelName, settings[i].key, settings[i].value, ctx->settingsPath))
            error = lastErrorOr(ERROR_WRITE_FAULT);
    // The Windows 95 family caches profile writes: this puts them on disk.
    if (!error) WritePrivateProfileStringA(NULL, NULL, NULL, ctx->settingsPath);
    outcomeRecord(&ctx->outcome, ActionWriteSettings, ctx->settingsPath, error);
    if (error) putBack(ctx, &backup);
    if (backup.copy[0]) DeleteFileA(backup.copy);
    return error == 0;
}
