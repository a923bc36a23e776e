#include "package/inf_values.h"

#include <string.h>

#include "core/text.h"

namespace {

size_t boundedLength(const char* s, size_t limit) {
    size_t n = 0;
    while (n < limit && s[n] != '\0') ++n;
    return n;
}

int isDelimiter(char c, const char* delimiters) {
    return c != '\0' && strchr(delimiters, c) != 0;
}

}  // namespace

int splitTokensChecked(const char* text, const char* delimiters, TokenSlots slots, unsigned* cutMask) {
    if (!text) text = "";
    if (!delimiters) delimiters = "";
    // The text is read through a 1024-character work area: what lies beyond
    // 1023 characters is not part of the value.
    size_t length = boundedLength(text, SplitAreaWidth - 1);
    unsigned cut = 0;
    int count = 0;
    size_t i = 0;
    for (;;) {
        while (i < length && isDelimiter(text[i], delimiters)) ++i;
        if (i == length) break;
        size_t start = i;
        while (i < length && !isDelimiter(text[i], delimiters)) ++i;
        // The last slot is kept for the empty end marker.
        if (count == TokenSlotCount - 1) {
            cut |= 1u << TokenLostBit;
            break;
        }
        if (!textCopyN(slots[count], TokenSlotWidth, text + start, i - start) ||
            i == SplitAreaWidth - 1)
            cut |= 1u << count;
        ++count;
    }
    slots[count][0] = '\0';
    if (cutMask) *cutMask = cut;
    return count;
}

int splitTokens(const char* text, const char* delimiters, TokenSlots slots) {
    return splitTokensChecked(text, delimiters, slots, 0);
}

const char* tokenField(const TokenSlots slots, int count, int k) {
    if (k < 0 || k >= count || k >= TokenSlotCount) return "";
    return slots[k];
}

void replaceAll(char* text, unsigned textCap, const char* pattern, const char* replacement) {
    if (!text || textCap == 0 || !pattern || pattern[0] == '\0') return;
    if (!replacement) replacement = "";
    if (strstr(replacement, pattern)) return;

    size_t length = boundedLength(text, textCap);
    if (length == textCap || length >= ReplaceAreaWidth) return;

    char a[ReplaceAreaWidth];
    char b[ReplaceAreaWidth];
    memcpy(a, text, length + 1);
    if (!strstr(a, pattern)) return;

    const size_t patternLength = strlen(pattern);
    const size_t replacementLength = strlen(replacement);
    // Shortening and lengthening rewrites end within one pass per character
    // of the area; only a rewrite that keeps the length could go on longer,
    // and a text that has not settled by then is left as it was.
    const unsigned maxRounds = 2 * ReplaceAreaWidth;
    for (unsigned round = 0;; ++round) {
        char* hit = strstr(a, pattern);
        if (!hit) break;
        if (round == maxRounds) return;
        size_t head = (size_t)(hit - a);
        size_t tail = strlen(hit + patternLength);
        if (head + replacementLength + tail >= ReplaceAreaWidth) return;
        memcpy(b, a, head);
        memcpy(b + head, replacement, replacementLength);
        memcpy(b + head + replacementLength, hit + patternLength, tail + 1);
        memcpy(a, b, head + replacementLength + tail + 1);
    }
    size_t resultLength = strlen(a);
    if (resultLength >= textCap) return;
    memcpy(text, a, resultLength + 1);
}
