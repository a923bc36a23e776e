#include <windows.h>

#include "app/startup.h"
#include "core/system.h"

// The record lives for the whole run; it is large, so it is not on the stack.
static InstallContext g_context;

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryAFn)(LPCSTR);

// The program is started from a download or a package folder that anyone may
// have put files into: libraries it loads by name must come from the system
// folder, never from there. Both calls are newer than most targets, so they
// are looked up; where neither exists the program loads by full path anyway.
static void restrictLibrarySearch(void) {
    SetDefaultDllDirectoriesFn setDefault =
        lookupLoaded<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */)) return;
    SetDllDirectoryAFn setDir = lookupLoaded<SetDllDirectoryAFn>("kernel32.dll", "SetDllDirectoryA");
    if (setDir) setDir("");  // takes the current folder out of the search
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    restrictLibrarySearch();
    return runInstaller(&g_context, GetCommandLineA());
}
