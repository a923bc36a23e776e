// Bounded text helpers. Every fixed-width field of the program is filled through
// these: they never write past the destination, always leave it NUL-terminated
// (when it has room for anything at all), and return 1 when the whole text fit,
// 0 when it had to be cut.
#ifndef CORE_TEXT_H
#define CORE_TEXT_H

#include <stddef.h>

int textCopy(char* dest, size_t cap, const char* src);
int textCopyN(char* dest, size_t cap, const char* src, size_t srcLen);
int textAppend(char* dest, size_t cap, const char* src);
int textFormat(char* dest, size_t cap, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// "%s\%s": the one way paths are joined. A join that would not fit fails and
// leaves dest empty, so a cut path can never name a different file.
int pathJoin(char* dest, size_t cap, const char* dir, const char* name);

// ASCII-only upper-casing in place (the names it is used on are ASCII).
void textUpperAscii(char* s);
int textEqualNoCaseAscii(const char* a, const char* b);

// Array forms: the width comes from the field's own type.
template <size_t N> inline int textCopy(char (&dest)[N], const char* src) { return textCopy(dest, N, src); }
template <size_t N> inline int textAppend(char (&dest)[N], const char* src) { return textAppend(dest, N, src); }
template <size_t N> inline int pathJoin(char (&dest)[N], const char* dir, const char* name) {
    return pathJoin(dest, N, dir, name);
}

#endif
