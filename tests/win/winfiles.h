// Files and folders for the tests under Wine, one copy for every suite: the
// system's folders, unique names, whole-file reads and writes, and Windows
// paths compared as Windows compares them (letter case ignored).
#ifndef TESTS_WIN_WINFILES_H
#define TESTS_WIN_WINFILES_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"

namespace winfiles {

inline std::string windowsDir() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

inline std::string systemFile(const char* name) {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

inline std::string tempDir() {  // ends in a backslash
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return dir;
}

// A name no other test (or earlier run in the same prefix) uses.
inline std::string uniqueName(const char* stem) {
    static int serial = 0;
    char name[64];
    textFormat(name, sizeof name, "%s%lu_%lu_%d", stem, GetCurrentProcessId(), GetTickCount(), ++serial);
    return name;
}

inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool isFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows paths name the same file whatever their letter case.
inline bool samePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Creates or replaces the file with bytes; a file that cannot be made fails the test.
inline void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot write " << path;
        return;
    }
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(h);
}

inline std::string readFile(const std::string& path) {
    std::string out;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, NULL) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

// The non-blank lines of a text file, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
        at = end + 1;
    }
    return out;
}

// Deletes the folder and everything in it, read-only files too.
inline void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace winfiles

#endif
