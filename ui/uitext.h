// Setting the texts of the pages from the string tables. Every visible text
// goes through here, so the choice between the ANSI and the wide-character
// way of showing it lives in one place.
#ifndef UI_UITEXT_H
#define UI_UITEXT_H

#include <windows.h>

// On the NT family the texts are loaded and set as wide characters, so that a
// chosen language shows correctly whatever the system's code page; the 9x
// family keeps the ANSI calls. Decided once, at start-up.
void useWideTexts(int wide);
int wideTextsInUse(void);

// The module texts and templates come from: the language library when one is
// loaded, else the program itself.
HMODULE localisedModule(void);
HMODULE programModule(void);

// Sets control `id` of `dlg` to string `stringId` of `module`; an absent
// string sets the empty text.
void setItemText(HWND dlg, int id, HMODULE module, UINT stringId);
// Sets control `id` to `format` filled in the printf way: string `stringId` of
// `module` for its one "%s", then `number` for the conversions after it, such
// as "%s (%d%%)..." for "Process step (40%)...". The format is ASCII. At most
// 511 characters of the string and 639 of the whole are shown.
void setItemTextFormatted(HWND dlg, int id, HMODULE module, UINT stringId, const char* format, int number);
// One line of a text put together from the tables: a string whose "%1" and
// "%2" are filled with ANSI texts (a file name, a number).
struct TextLine {
    UINT string;
    const char* arg1;
    const char* arg2;
};
// Sets control `id` to the lines one after another, a line feed between two
// and, with blankAfterFirst, a blank line after the first. At most 639
// characters are shown.
void setItemTextLines(HWND dlg, int id, HMODULE module, const TextLine* lines, int count, int blankAfterFirst = 1);

// One text of a page: the control and the string it shows.
struct ItemText {
    int control;
    UINT string;
};
// Sets every control of the table to its string, then OK and Cancel to the
// shared pair (strings 45 and 44) when withOkCancel is set.
void setItemTexts(HWND dlg, HMODULE module, const ItemText* texts, int count, int withOkCancel);
template <int N> inline void setItemTexts(HWND dlg, HMODULE module, const ItemText (&texts)[N], int withOkCancel) {
    setItemTexts(dlg, module, texts, N, withOkCancel);
}
// Sets a window's own text (a caption) from a string.
void setWindowTextFromTable(HWND wnd, HMODULE module, UINT stringId);
// Adds string `stringId` to a combo box and attaches `data` to the new entry;
// returns the entry's position or CB_ERR.
LRESULT addComboEntry(HWND combo, HMODULE module, UINT stringId, LPARAM data);
// Adds an ANSI text (a model name from the INF) to a combo box with data.
LRESULT addComboText(HWND combo, const char* text, LPARAM data);
// A message box of string textId under caption captionId followed by the
// ASCII captionTail (the program's name and version), with OK: the usage of
// the command line (up to 2047 characters).
void showTableMessage(HMODULE module, UINT textId, UINT captionId, const char* captionTail);
// Runs a modal dialog from `module`; the wide call when wide texts are in use,
// so that a caption keeps characters outside the ANSI code page.
INT_PTR runDialog(HMODULE module, int templateId, HWND owner, DLGPROC proc, LPARAM param);

#endif
