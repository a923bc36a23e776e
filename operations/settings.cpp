#include "operations/settings.h"

#include "core/text.h"

void buildScannerSettings(const char* addressText, uint32_t hostOrder,
                          ScannerSetting out[ScannerSettingCount]) {
    static const char* const kKeys[ScannerSettingCount] = {
        "ip0", "AutoIP", "UseUSB", "UseAuto", "IPNum", "IPSel", "ManuIP"};
    static const char* const kConstants[ScannerSettingCount] = {
        0, 0, "0", "1", "1", "0", "0"};
    for (int i = 0; i < ScannerSettingCount; ++i) {
        out[i].key = kKeys[i];
        if (kConstants[i]) textCopy(out[i].value, kConstants[i]);
    }
    textCopy(out[0].value, addressText);
    // The data source reads AutoIP as a signed 32-bit number: addresses from
    // 128.0.0.0 up come out negative (192.168.1.10 is -1062731510).
    int32_t signedValue = hostOrder > 0x7FFFFFFFu ? -(int32_t)(~hostOrder) - 1 : (int32_t)hostOrder;
    textFormat(out[1].value, sizeof out[1].value, "%d", (int)signedValue);
}
