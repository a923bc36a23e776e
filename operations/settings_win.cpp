#include "operations/settings.h"

#include <windows.h>

#include "operations/settings.h"
#include "ui/discovery.h"

void writeScannerSettings(InstallContext* ctx) {
    // No data-source file was copied, so there is no data source to configure.
    if (ctx->settingsPath[0] == '\0') return;
    ScannerSetting settings[ScannerSettingCount];
    buildScannerSettings(ctx->scannerAddress, addressToHostOrder(ctx->scannerAddress), settings);
    // One write per key, in order: the profile writer replaces a key in
    // place and leaves every other section and key of the file alone.
    for (int i = 0; i < ScannerSettingCount; ++i)
        WritePrivateProfileStringA(ctx->modelName, settings[i].key, settings[i].value, ctx->settingsPath);
}
