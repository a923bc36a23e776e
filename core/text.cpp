#include "core/text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int textCopyN(char* dest, size_t cap, const char* src, size_t srcLen) {
    if (cap == 0) return 0;
    if (!src) src = "";
    size_t n = 0;
    while (n < srcLen && src[n] != '\0') ++n;
    int fit = 1;
    if (n >= cap) {
        n = cap - 1;
        fit = 0;
    }
    memmove(dest, src, n);
    dest[n] = '\0';
    return fit;
}

int textCopy(char* dest, size_t cap, const char* src) {
    return textCopyN(dest, cap, src, (size_t)-1);
}

int textAppend(char* dest, size_t cap, const char* src) {
    if (cap == 0) return 0;
    size_t used = 0;
    while (used < cap && dest[used] != '\0') ++used;
    if (used >= cap) {  // not terminated: repair rather than run off the end
        dest[cap - 1] = '\0';
        return 0;
    }
    return textCopy(dest + used, cap - used, src);
}

int textFormat(char* dest, size_t cap, const char* fmt, ...) {
    if (cap == 0) return 0;
    va_list ap;
    va_start(ap, fmt);
    // The runtime's vsnprintf differs between C libraries on truncation (some
    // return -1 and leave no terminator), so terminate and judge it ourselves.
    int n = vsnprintf(dest, cap, fmt, ap);
    va_end(ap);
    dest[cap - 1] = '\0';
    if (n < 0) return 0;
    return (size_t)n < cap;
}

int pathJoin(char* dest, size_t cap, const char* dir, const char* name) {
    if (cap == 0) return 0;
    if (!textFormat(dest, cap, "%s\\%s", dir ? dir : "", name ? name : "")) {
        dest[0] = '\0';
        return 0;
    }
    return 1;
}

void textUpperAscii(char* s) {
    for (; *s; ++s)
        if (*s >= 'a' && *s <= 'z') *s = (char)(*s - 'a' + 'A');
}

int textEqualNoCaseAscii(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z') x = (char)(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = (char)(y - 'a' + 'A');
        if (x != y) return 0;
        if (x == '\0') return 1;
    }
}
