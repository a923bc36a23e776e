// The keys and values of the data source's settings section, in the order in
// which they are written. Only the two address keys vary between installs.
#ifndef OPERATIONS_SETTINGS_VALUES_H
#define OPERATIONS_SETTINGS_VALUES_H

#include <stdint.h>

enum { ScannerSettingCount = 7 };

struct ScannerSetting {
    const char* key;
    char value[32];  // the widest value is the address text (31 characters)
};

// ip0 = the address text, AutoIP = hostOrder as a signed decimal, then the
// five constants UseUSB 0, UseAuto 1, IPNum 1, IPSel 0, ManuIP 0.
void buildScannerSettings(const char* addressText, uint32_t hostOrder,
                          ScannerSetting out[ScannerSettingCount]);

#endif
