#include "app/instance.h"

#include <string.h>

namespace {

// "Global\" makes one copy per computer, across the sessions of fast user
// switching and remote desktop, on Windows 2000 and later; Windows 95, 98,
// Me and NT 4.0 refuse a backslash in an object name, and have one namespace.
const char kMutexName[] = "TwainSetup.Running";
const char kGlobalMutexName[] = "Global\\TwainSetup.Running";
// The process id is published in the session's own namespace: a window can
// only be brought to the front in the same session.
const char kProcessName[] = "TwainSetup.Process";

HANDLE createMutex(const char* name, DWORD* error) {
    SetLastError(0);
    HANDLE m = CreateMutexA(NULL, FALSE, name);
    *error = GetLastError();
    return m;
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK findPage(HWND wnd, LPARAM param) {
    Search* s = (Search*)param;
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process != s->process || !IsWindowVisible(wnd) || GetWindow(wnd, GW_OWNER)) return TRUE;
    s->found = wnd;
    return FALSE;
}

}  // namespace

int claimInstance(InstanceClaim* claim) {
    memset(claim, 0, sizeof *claim);
    DWORD error = 0;
    HANDLE m = createMutex(kGlobalMutexName, &error);
    if (!m && error != ERROR_ACCESS_DENIED) m = createMutex(kMutexName, &error);
    // Access denied: another account's copy made the mutex with its own
    // rights, so it exists; that is another copy running.
    if (!m) return error == ERROR_ACCESS_DENIED ? 0 : 1;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(m);
        return 0;
    }
    claim->mutex = m;
    claim->mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(DWORD), kProcessName);
    if (claim->mapping) {
        DWORD* id = (DWORD*)MapViewOfFile(claim->mapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD));
        if (id) {
            *id = GetCurrentProcessId();
            UnmapViewOfFile(id);
        }
    }
    return 1;
}

void releaseInstance(InstanceClaim* claim) {
    if (claim->mapping) CloseHandle(claim->mapping);
    if (claim->mutex) CloseHandle(claim->mutex);
    claim->mapping = claim->mutex = NULL;
}

void showRunningInstance(void) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kProcessName);
    if (!mapping) return;
    Search s = {0, NULL};
    DWORD* id = (DWORD*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (id) {
        s.process = *id;
        UnmapViewOfFile(id);
    }
    CloseHandle(mapping);
    if (!s.process) return;
    EnumWindows(findPage, (LPARAM)&s);
    if (!s.found) return;
    if (IsIconic(s.found)) ShowWindow(s.found, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(s.found));
}
