// INF values: their splitting and replacing. Both work on bounded areas: a split
// holds at most 9 tokens of at most 63 characters, a replacement works in
// 1000-character areas. Longer input is cut, never written past an area.
#ifndef PACKAGE_INF_VALUES_H
#define PACKAGE_INF_VALUES_H

enum { TokenSlotCount = 10, TokenSlotWidth = 64, SplitAreaWidth = 1024, ReplaceAreaWidth = 1000 };

typedef char TokenSlots[TokenSlotCount][TokenSlotWidth];

// Splits text at any character of delimiters, strtok-style: runs of
// separators count as one, empty fields vanish, fields are not trimmed.
// Token i goes into slot i; the slot after the last token is set empty, the
// slots behind it keep what they held. Only the first 1023 characters of the
// text are looked at. Returns the number of tokens (at most 9).
int splitTokens(const char* text, const char* delimiters, TokenSlots slots);

// The same split, telling which fields are not whole: bit k of *cutMask is
// set when token k was shortened (longer than 63 characters, or running up
// to the end of the 1023-character area, where the profile reader may have
// cut it), and bit TokenLostBit when tokens after the ninth were dropped.
// Callers that turn a field into a path or an identifier refuse a cut
// field, since a shortened name would name something else.
enum { TokenLostBit = TokenSlotCount - 1 };
int splitTokensChecked(const char* text, const char* delimiters, TokenSlots slots, unsigned* cutMask);

// Field k of a split: the slot when k is below the count, else empty text.
const char* tokenField(const TokenSlots slots, int count, int k);

// Replaces every occurrence of pattern in text (in place, text has room for
// textCap characters), searching again from the start after each
// replacement, so an occurrence formed by a replacement and its
// surroundings is replaced too. The text is left unchanged when the pattern
// is empty or occurs in the replacement (the loop would never end), when the
// text does not fit a 1000-character area at every step or the result does
// not fit textCap, and when the rewriting does not settle.
void replaceAll(char* text, unsigned textCap, const char* pattern, const char* replacement);

#endif
