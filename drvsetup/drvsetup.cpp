// The driver-setup library. It imports nothing but kernel32: the three
// platform functions are looked up when called, so the library loads on any
// Windows and a missing function is an ordinary failure of the call.
#include "drvsetup/drvsetup.h"

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>
#include <winspool.h>

namespace {

// Loads `library` and finds `name` in it. On failure nothing stays loaded and
// the last error says that the platform lacks the function.
FARPROC findPlatformFunction(const char* library, const char* name, HMODULE* module) {
    *module = LoadLibraryA(library);
    FARPROC fn = *module ? GetProcAddress(*module, name) : NULL;
    if (!fn) {
        if (*module) FreeLibrary(*module);
        *module = NULL;
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    return fn;
}

// The same, typed as the platform function it is (through the generic
// function type, which converts to any other without a warning).
template <typename Fn>
Fn findPlatformFunctionAs(const char* library, const char* name, HMODULE* module) {
    return (Fn)(void (*)(void))findPlatformFunction(library, name, module);
}

// Lets go of the platform library without disturbing the call's last error,
// which belongs to the caller.
void releasePlatformLibrary(HMODULE module) {
    DWORD error = GetLastError();
    FreeLibrary(module);
    SetLastError(error);
}

}  // namespace

// Nothing to set up or tear down: each call finds what it needs when made.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" int __cdecl SetupCopyOEMInf_2K(const char* infPath) {
    HMODULE module;
    auto copyOemInf =
        findPlatformFunctionAs<decltype(&SetupCopyOEMInfA)>("setupapi.dll", "SetupCopyOEMInfA", &module);
    if (!copyOemInf) return FALSE;
    // The name of the copy is of no interest to the caller, so none is asked
    // for: Wine's ANSI form then reports a failure with the error of the copy
    // itself, not with one made up from the size of a name it never wrote.
    BOOL ok = copyOemInf(infPath, NULL, SPOST_PATH, 0, NULL, 0, NULL, NULL);
    releasePlatformLibrary(module);
    return ok;
}

extern "C" int __cdecl UpdateDriverForPlugAndPlayDevices_2K(const char* hardwareId, const char* infPath) {
    HMODULE module;
    auto updateDriver = findPlatformFunctionAs<decltype(&UpdateDriverForPlugAndPlayDevicesA)>(
        "newdev.dll", "UpdateDriverForPlugAndPlayDevicesA", &module);
    if (!updateDriver) return FALSE;
    BOOL rebootRequired = FALSE;  // a restart is left to the user
    BOOL ok = updateDriver(NULL, hardwareId, infPath, INSTALLFLAG_FORCE, &rebootRequired);
    releasePlatformLibrary(module);
    return ok;
}

extern "C" int __cdecl AddPrinterDriverEx_2K(void* driverInfo6) {
    HMODULE module;
    auto addPrinterDriver =
        findPlatformFunctionAs<decltype(&AddPrinterDriverExA)>("winspool.drv", "AddPrinterDriverExA", &module);
    if (!addPrinterDriver) return FALSE;
    BOOL ok = addPrinterDriver(NULL, 6, (LPBYTE)driverInfo6, APD_COPY_ALL_FILES);
    releasePlatformLibrary(module);
    return ok;
}
