// Start-up timer for the benchmarks, run under Wine next to the programs it
// measures: for each round and each program of the command line (taken in
// turn, so that both see the same conditions), it starts the program, waits
// for the program's first visible top-level window, prints the time between
// CreateProcess and that moment, then closes the window (WM_CLOSE) and waits
// for the program to end (ending it after 10 s).
//
//   launch_timer ROUNDS PROGRAM [PROGRAM...]
// Output: "start NAME ROUND MS" a line, MS with a tenth of a millisecond.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK visibleWindowOf(HWND hwnd, LPARAM param) {
    Search* s = (Search*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: launch_timer ROUNDS PROGRAM [PROGRAM...]\n");
        return 2;
    }
    int rounds = atoi(argv[1]);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    for (int r = 0; r < rounds; ++r) {
        for (int i = 2; i < argc; ++i) {
            STARTUPINFOA si;
            ZeroMemory(&si, sizeof si);
            si.cb = sizeof si;
            PROCESS_INFORMATION pi;
            char commandLine[MAX_PATH + 2];
            snprintf(commandLine, sizeof commandLine, "\"%s\"", argv[i]);
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            if (!CreateProcessA(argv[i], commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
                printf("error: cannot start %s (%lu)\n", argv[i], GetLastError());
                return 1;
            }
            Search s = {pi.dwProcessId, NULL};
            for (;;) {
                EnumWindows(visibleWindowOf, (LPARAM)&s);
                if (s.found) break;
                if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
            }
            QueryPerformanceCounter(&t1);
            double ms = (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart;
            if (!s.found) {
                printf("error: %s ended without a window\n", argv[i]);
                return 1;
            }
            const char* name = argv[i];
            for (const char* p = argv[i]; *p; ++p)
                if (*p == '\\' || *p == '/') name = p + 1;
            printf("start %s %d %.1f\n", name, r, ms);
            fflush(stdout);
            PostMessageA(s.found, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return 0;
}
