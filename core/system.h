// System services every part of the program shares: libraries loaded from
// the system folder by full path, functions looked up at run time, the
// common controls, and the system and Windows folders. One way each.
#ifndef CORE_SYSTEM_H
#define CORE_SYSTEM_H

#include <windows.h>

#include <stddef.h>

// The system folder (GetSystemDirectoryA) or the Windows folder into out;
// 0 with an empty out when the system cannot give it or it does not fit.
int systemFolder(char* out, size_t cap);
int windowsFolder(char* out, size_t cap);
template <size_t N> inline int systemFolder(char (&out)[N]) { return systemFolder(out, N); }
template <size_t N> inline int windowsFolder(char (&out)[N]) { return windowsFolder(out, N); }

// systemFolder\name; 0 with an empty path when it does not fit.
int systemFilePath(char* path, size_t cap, const char* name);
template <size_t N> inline int systemFilePath(char (&path)[N], const char* name) {
    return systemFilePath(path, N, name);
}

// Loads a library of the system folder by its full path (null on failure):
// the package folder the program starts from may hold files of the same name.
HMODULE loadSystemLibrary(const char* name);

// A function of module, typed; null when the module or the function is missing.
// Everything newer than Windows 95 is reached this way, never imported.
template <typename Fn> inline Fn lookup(HMODULE module, const char* name) {
    return module ? (Fn)(void (*)(void))GetProcAddress(module, name) : (Fn)0;
}
// The same in a module already loaded into the process (kernel32, user32).
template <typename Fn> inline Fn lookupLoaded(const char* module, const char* name) {
    return lookup<Fn>(GetModuleHandleA(module), name);
}

// The Win32 error of the call that just failed, or fallback when it set
// none: a failure is never recorded as error 0.
inline DWORD lastErrorOr(DWORD fallback) {
    DWORD e = GetLastError();
    return e ? e : fallback;
}

// The common controls library, loaded from the system folder once and kept
// for the run (the classes of its controls live in it); null when missing.
HMODULE commonControls(void);
// Registers the progress bar's class (InitCommonControls) and, where the
// library has the call, the address field's (ICC_INTERNET_CLASSES). Returns
// whether the address field's class is there; repeated calls are cheap.
int initCommonControls(void);

#endif
