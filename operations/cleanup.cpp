#include "operations/cleanup.h"

#include <string.h>

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

int startsNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (upperAscii(*text) != *prefix) return 0;
    return 1;
}

// Length of a folder path without its trailing backslashes.
size_t trimmedLength(const char* path) {
    size_t n = strlen(path);
    while (n > 0 && path[n - 1] == '\\') --n;
    return n;
}

}  // namespace

int isOemInfName(const char* name) {
    size_t n = strlen(name);
    if (n < 7) return 0;  // "OEM" + at least nothing + ".INF"
    return startsNoCase(name, "OEM") && startsNoCase(name + n - 4, ".INF");
}

char* nextListEntry(char* list, unsigned size, unsigned* offset) {
    if (*offset >= size) return 0;
    char* entry = list + *offset;
    if (entry[0] == '\0') return 0;
    *offset += (unsigned)strlen(entry) + 1;
    return entry;
}

int isUsableTargetDir(const char* targetDir, const char* windowsDir) {
    size_t t = trimmedLength(targetDir);
    if (t == 0) return 0;
    size_t w = trimmedLength(windowsDir);
    if (t != w) return 1;
    for (size_t i = 0; i < t; ++i)
        if (upperAscii(targetDir[i]) != upperAscii(windowsDir[i])) return 1;
    return 0;
}
