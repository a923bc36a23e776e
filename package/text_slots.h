// Splitting and replacing of INF values. Both work on bounded areas: a split
// holds at most 9 tokens of at most 63 characters, a replacement works in
// 1000-character areas. Longer input is cut, never written past an area.
#ifndef PACKAGE_TEXT_SLOTS_H
#define PACKAGE_TEXT_SLOTS_H

enum { TokenSlotCount = 10, TokenSlotWidth = 64, ReplaceAreaWidth = 1000 };

typedef char TokenSlots[TokenSlotCount][TokenSlotWidth];

// Splits text at any character of delimiters, strtok-style: runs of
// separators count as one, empty fields vanish, fields are not trimmed.
// Token i goes into slot i; the slot after the last token is set empty.
// Returns the number of tokens (at most 9).
int splitTokens(const char* text, const char* delimiters, TokenSlots slots);

// Field k of a split: the slot when k is below the count, else empty text.
const char* tokenField(const TokenSlots slots, int count, int k);

// Replaces every occurrence of pattern in text (in place, text has room for
// textCap characters), searching again from the start after each
// replacement. An empty pattern, or one that occurs in the replacement,
// leaves the text unchanged rather than looping for ever.
void replaceAll(char* text, unsigned textCap, const char* pattern, const char* replacement);

#endif
