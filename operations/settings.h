// The data source's settings file: an INI file in the temporary folder named
// after the data-source file, with one section per model holding the
// scanner's address.
#ifndef OPERATIONS_SETTINGS_H
#define OPERATIONS_SETTINGS_H

#include <stdint.h>

#include "core/context.h"

// ---- pure (operations/settings.cpp) --------------------------------------

enum { ScannerSettingCount = 7 };

struct ScannerSetting {
    const char* key;
    char value[32];  // the widest value is the address text (31 characters)
};

// ip0 = the address text, AutoIP = hostOrder as a signed decimal, then the
// five constants UseUSB 0, UseAuto 1, IPNum 1, IPSel 0, ManuIP 0.
void buildScannerSettings(const char* addressText, uint32_t hostOrder,
                          ScannerSetting out[ScannerSettingCount]);

// ---- Win32 glue (operations/settings_win.cpp) -------------------------------

// Writes ip0, AutoIP, UseUSB, UseAuto, IPNum, IPSel and ManuIP, in this order,
// into section modelName of the file at settingsPath. Every other section and
// key of the file stays as it was. An empty settingsPath writes nothing.
// Returns 1 when every key was written; when one could not be, the file is
// put back as it was (removed when this call made it), and 0. Recorded in
// ctx->outcome.
int writeScannerSettings(InstallContext* ctx);

#endif
