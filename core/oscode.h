// Windows version classification. Every platform-dependent choice of the
// program is taken from this one number, computed once at start-up.
#ifndef CORE_OSCODE_H
#define CORE_OSCODE_H

#include "core/context.h"

enum : OsCode {
    OsUnknown = 0,       // Win32s, failed version query, or an unknown platform
    OsWin95 = 1400,
    OsWin98 = 1410,
    OsWinMe = 1490,
    OsNt4 = 2400,        // NT 4.0 and older: refused
    OsWin2000 = 2500,
    OsWinXp = 2501,
    OsNt52 = 2502,       // 5.2 in every case not below (Server 2003, IA-64)
    OsXp64 = 2503,       // 5.2 workstation on x64
    OsServer2003x64 = 2504,
    OsNtOther = 2505,    // any other NT above 4, Windows 7 and later included
    OsVista = 2600,
};

// The classification rule over the answers of the version and system queries.
// productType is 0 when only the basic version record was filled.
OsCode classifyVersion(unsigned platformId, unsigned major, unsigned minor,
                       unsigned productType, unsigned nativeArchitecture);

// Fills the record's osCode from the running system's version answers
// (core/oscode_win.cpp).
void classifyWindows(InstallContext* ctx);

// The NT-family threshold used by library extraction and the clean-up paths.
inline bool isNtFamily(OsCode code) { return code >= OsWin2000; }

#endif
