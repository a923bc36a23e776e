// A planted library for the DLL-planting test: whatever name it is copied
// under, a process that loads it leaves C:\planted-<that name>-<the process's
// program name>.txt behind (written when the process attaches it), holding
// the path it was loaded from. The library exports nothing the
// program could call; its only effect is the marker file.
#include <windows.h>
#include <stdio.h>

static const char* baseName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameA(self, path, sizeof path)) return TRUE;
    char program[MAX_PATH] = "";
    GetModuleFileNameA(NULL, program, sizeof program);
    char marker[2 * MAX_PATH + 32];
    snprintf(marker, sizeof marker, "C:\\planted-%s-%s.txt", baseName(path), baseName(program));
    HANDLE f = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        WriteFile(f, path, lstrlenA(path), &n, NULL);
        CloseHandle(f);
    }
    return TRUE;
}
