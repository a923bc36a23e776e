#include "core/oscode.h"

#include <windows.h>
#include <string.h>

#include "core/system.h"

typedef void(WINAPI* NativeSystemInfoFn)(LPSYSTEM_INFO);

void classifyWindows(InstallContext* ctx) {
    // The native architecture tells an x64 edition of 5.2 from the 32-bit one;
    // only XP and later export the call, so it is looked up, never imported.
    SYSTEM_INFO si;
    memset(&si, 0, sizeof si);
    NativeSystemInfoFn native = lookupLoaded<NativeSystemInfoFn>("kernel32.dll", "GetNativeSystemInfo");
    if (native) native(&si);
    else GetSystemInfo(&si);

    // Windows 9x and NT 4.0 before SP6 reject the extended record: ask again
    // with the basic one, whose product type then reads 0.
    OSVERSIONINFOEXA vi;
    memset(&vi, 0, sizeof vi);
    vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA((OSVERSIONINFOA*)&vi)) {
        vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA((OSVERSIONINFOA*)&vi)) return;
    }
    ctx->osCode = classifyVersion(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion,
                                  vi.wProductType, si.wProcessorArchitecture);
}
