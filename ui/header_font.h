// The font description of the page header: face, height and weight from the
// caller, every other field zero (ANSI character set, default quality).
#ifndef UI_HEADER_FONT_H
#define UI_HEADER_FONT_H

#include <windows.h>

const LOGFONTA* headerFont(const char* face, LONG height, LONG weight);

#endif
