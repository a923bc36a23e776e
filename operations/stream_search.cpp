#include "operations/stream_search.h"

#include <string.h>

namespace {

void feedUnit(StreamSearch* s, uint16_t unit) {
    unsigned m = s->matched;
    while (m > 0 && s->pattern[m] != unit) m = s->fallback[m - 1];
    if (s->pattern[m] == unit) ++m;
    if (m == s->length) {
        s->found = 1;
        m = s->fallback[m - 1];
    }
    s->matched = m;
}

}  // namespace

int streamSearchStart(StreamSearch* s, const void* pattern, size_t patternBytes, unsigned unitBytes) {
    memset(s, 0, sizeof *s);
    s->unitBytes = unitBytes == 2 ? 2 : 1;
    if (unitBytes != 1 && unitBytes != 2) return 0;
    if (patternBytes == 0 || patternBytes % unitBytes != 0) return 0;
    size_t units = patternBytes / unitBytes;
    if (units > StreamSearchMaxUnits) return 0;

    const unsigned char* p = (const unsigned char*)pattern;
    for (size_t i = 0; i < units; ++i)
        s->pattern[i] = unitBytes == 1 ? p[i] : (uint16_t)(p[2 * i] | (p[2 * i + 1] << 8));
    s->length = (unsigned)units;

    s->fallback[0] = 0;
    unsigned k = 0;
    for (unsigned i = 1; i < s->length; ++i) {
        while (k > 0 && s->pattern[i] != s->pattern[k]) k = s->fallback[k - 1];
        if (s->pattern[i] == s->pattern[k]) ++k;
        s->fallback[i] = (uint16_t)k;
    }
    return 1;
}

void streamSearchFeed(StreamSearch* s, const void* bytes, size_t count) {
    if (s->length == 0 || s->found) return;
    const unsigned char* b = (const unsigned char*)bytes;
    for (size_t i = 0; i < count && !s->found; ++i) {
        if (s->unitBytes == 1) {
            feedUnit(s, b[i]);
        } else if (!s->hasPending) {
            s->pendingLow = b[i];
            s->hasPending = 1;
        } else {
            s->hasPending = 0;
            feedUnit(s, (uint16_t)(s->pendingLow | (b[i] << 8)));
        }
    }
}
