#include "core/system.h"

#include <commctrl.h>

#include "core/text.h"

namespace {

int folderFrom(UINT n, char* out, size_t cap) {
    if (cap == 0) return 0;
    if (n == 0 || n >= cap) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

}  // namespace

int systemFolder(char* out, size_t cap) {
    return folderFrom(cap ? GetSystemDirectoryA(out, (UINT)cap) : 0, out, cap);
}

int windowsFolder(char* out, size_t cap) {
    return folderFrom(cap ? GetWindowsDirectoryA(out, (UINT)cap) : 0, out, cap);
}

int systemFilePath(char* path, size_t cap, const char* name) {
    char dir[MAX_PATH];
    if (!systemFolder(dir)) {
        if (cap) path[0] = '\0';
        return 0;
    }
    return pathJoin(path, cap, dir, name);
}

HMODULE loadSystemLibrary(const char* name) {
    char path[MAX_PATH];
    if (!systemFilePath(path, name)) return NULL;
    return LoadLibraryA(path);
}

HMODULE commonControls(void) {
    static HMODULE module = NULL;
    static int tried = 0;
    if (!tried) {
        tried = 1;
        module = loadSystemLibrary("comctl32.dll");
    }
    return module;
}

int initCommonControls(void) {
    typedef void(WINAPI * InitFn)(void);
    typedef BOOL(WINAPI * InitExFn)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = commonControls();
    InitFn init = lookup<InitFn>(comctl, "InitCommonControls");
    if (init) init();
    // The common controls of Windows 95 without a later Internet Explorer
    // lack the call and the address field's class.
    InitExFn initEx = lookup<InitExFn>(comctl, "InitCommonControlsEx");
    if (!initEx) return 0;
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_INTERNET_CLASSES;
    return initEx(&icc) != FALSE;
}
