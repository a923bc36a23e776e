// The baselines for the copy benchmark: copies the named files from one
// folder into another (made when missing) with CopyFileA, nothing else, and
// prints "copy MS" (the time of the copies, a tenth of a millisecond); or
// deletes the named files of a folder with DeleteFileA and prints "delete MS".
// With --whole the copies are made by the program's own copy
// (copyWholeFile, operations/fileset_win.cpp) instead: "whole MS".
//
//   copy_files [--whole] SOURCE-DIR TARGET-DIR FILE...
//   copy_files --delete DIR FILE...
#include <windows.h>
#include <stdio.h>

#include "operations/fileset.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: copy_files SOURCE-DIR TARGET-DIR FILE...\n");
        return 2;
    }
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    if (lstrcmpA(argv[1], "--delete") == 0) {
        QueryPerformanceCounter(&t0);
        for (int i = 3; i < argc; ++i) {
            char path[MAX_PATH];
            snprintf(path, sizeof path, "%s\\%s", argv[2], argv[i]);
            if (!DeleteFileA(path)) {
                printf("error: delete %s: %lu\n", path, GetLastError());
                return 1;
            }
        }
        QueryPerformanceCounter(&t1);
        printf("delete %.1f\n", (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart);
        return 0;
    }
    bool whole = lstrcmpA(argv[1], "--whole") == 0;
    if (whole) ++argv, --argc;
    QueryPerformanceCounter(&t0);
    CreateDirectoryA(argv[2], NULL);
    for (int i = 3; i < argc; ++i) {
        char from[MAX_PATH], to[MAX_PATH];
        snprintf(from, sizeof from, "%s\\%s", argv[1], argv[i]);
        snprintf(to, sizeof to, "%s\\%s", argv[2], argv[i]);
        uint32_t size = 0;
        DWORD error = whole ? copyWholeFile(from, to, &size) : CopyFileA(from, to, FALSE) ? 0 : GetLastError();
        if (error) {
            printf("error: copy %s: %lu\n", from, error);
            return 1;
        }
    }
    QueryPerformanceCounter(&t1);
    printf(whole ? "whole %.1f\n" : "copy %.1f\n", (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart);
    return 0;
}
