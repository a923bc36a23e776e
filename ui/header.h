// What every page after the model page draws and answers alike: the header
// picture with the model's name over it, the white text background, and the
// brushes that go with the page.
#ifndef UI_HEADER_H
#define UI_HEADER_H

#include <windows.h>

// The font description of the page header: face, height and weight from the
// caller, every other field zero (ANSI character set, default quality).
const LOGFONTA* headerFont(const char* face, LONG height, LONG weight);

// Paints bitmap IDB_HEADER with the text over it in white, and names the window.
void paintHeader(HWND page, const char* text);

// WM_PAINT (the header, with the model name of the record in the dialog's
// slot), WM_CTLCOLORSTATIC and WM_DESTROY of such a page: true, with the
// procedure's result, for a message answered here.
bool handlePageChrome(HWND dlg, UINT msg, WPARAM wParam, INT_PTR* result);

// The start of such a page: centred, its record kept in the dialog's slot.
void openPage(HWND dlg, LPARAM record);

// Hides and disables control id of dlg, when it exists.
void hideAndDisable(HWND dlg, int id);

// Makes text control id reach down to just above the Cancel button, over
// the controls the page has hidden: for a text longer than the page's own.
void growTextToButton(HWND dlg, int id);

#endif
