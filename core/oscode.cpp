#include "core/oscode.h"

namespace {
const unsigned kPlatformWin32s = 0;
const unsigned kPlatformWindows = 1;
const unsigned kPlatformNt = 2;
const unsigned kWorkstation = 1;
const unsigned kServer = 3;
const unsigned kArchAmd64 = 9;
}  // namespace

OsCode classifyVersion(unsigned platformId, unsigned major, unsigned minor,
                       unsigned productType, unsigned nativeArchitecture) {
    if (platformId == kPlatformWin32s) return OsUnknown;
    if (platformId == kPlatformWindows) {
        if (major == 4 && minor == 0) return OsWin95;
        if (major == 4 && minor == 10) return OsWin98;
        if (major == 4 && minor == 90) return OsWinMe;
        // An unlisted 9x version follows the Windows 95 ways, the safest there.
        return OsUnknown;
    }
    if (platformId != kPlatformNt) return OsUnknown;

    OsCode code = major > 4 ? OsNtOther : OsNt4;
    if (major == 5) {
        if (minor == 0) code = OsWin2000;
        else if (minor == 1) code = OsWinXp;
        else if (minor == 2) {
            // Only the x64 editions of 5.2 use the newer package folder; a
            // domain controller (product type 2) and IA-64 stay on 2502.
            if (productType == kWorkstation && nativeArchitecture == kArchAmd64) code = OsXp64;
            else if (productType == kServer && nativeArchitecture == kArchAmd64) code = OsServer2003x64;
            else code = OsNt52;
        }
    } else if (major == 6 && minor == 0) {
        code = OsVista;
    }
    return code;
}
