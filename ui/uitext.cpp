#include "ui/uitext.h"

#include <string.h>

#include "core/libraries.h"
#include "core/system.h"
#include "core/text.h"
#include "ui/resource.h"

namespace {

typedef int(WINAPI* LoadStringWFn)(HINSTANCE, UINT, LPWSTR, int);
typedef BOOL(WINAPI* SetDlgItemTextWFn)(HWND, int, LPCWSTR);
typedef BOOL(WINAPI* SetWindowTextWFn)(HWND, LPCWSTR);
typedef LRESULT(WINAPI* SendMessageWFn)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(WINAPI* DialogBoxParamWFn)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);

// The wide calls are looked up rather than imported: the Windows 95 family
// has them only as stubs, and this keeps the program's import table to what
// every target has.
struct WideCalls {
    LoadStringWFn loadString;
    SetDlgItemTextWFn setDlgItemText;
    SetWindowTextWFn setWindowText;
    SendMessageWFn sendMessage;
    DialogBoxParamWFn dialogBoxParam;
};

WideCalls g_wide;
int g_useWide = 0;

// Longest text of the tables, with room to spare.
const int kTextRoom = 512;
// A string of the tables with what a format adds around it.
const int kFormattedRoom = 640;

// Appends to the wide text of `*length` characters in `dest`, cutting the
// whole to cap - 1 characters; the ASCII form widens each character as it is.
void appendWide(WCHAR* dest, int cap, int* length, const WCHAR* text) {
    for (; *text && *length < cap - 1; ++text) dest[(*length)++] = *text;
    dest[*length] = 0;
}

void appendAscii(WCHAR* dest, int cap, int* length, const char* text) {
    for (; *text && *length < cap - 1; ++text) dest[(*length)++] = (WCHAR)(unsigned char)*text;
    dest[*length] = 0;
}

}  // namespace

void useWideTexts(int wide) {
    g_useWide = 0;
    if (!wide) return;
    HMODULE user = GetModuleHandleA("user32.dll");
    g_wide.loadString = lookup<LoadStringWFn>(user, "LoadStringW");
    g_wide.setDlgItemText = lookup<SetDlgItemTextWFn>(user, "SetDlgItemTextW");
    g_wide.setWindowText = lookup<SetWindowTextWFn>(user, "SetWindowTextW");
    g_wide.sendMessage = lookup<SendMessageWFn>(user, "SendMessageW");
    g_wide.dialogBoxParam = lookup<DialogBoxParamWFn>(user, "DialogBoxParamW");
    g_useWide = g_wide.loadString && g_wide.setDlgItemText && g_wide.setWindowText &&
                g_wide.sendMessage && g_wide.dialogBoxParam;
}

int wideTextsInUse(void) { return g_useWide; }

HMODULE programModule(void) { return GetModuleHandleA(NULL); }

HMODULE localisedModule(void) {
    HMODULE m = resourceModule();
    return m ? m : programModule();
}

void setItemText(HWND dlg, int id, HMODULE module, UINT stringId) {
    if (g_useWide) {
        WCHAR text[kTextRoom];
        if (g_wide.loadString(module, stringId, text, kTextRoom) <= 0) text[0] = 0;
        g_wide.setDlgItemText(dlg, id, text);
        return;
    }
    char text[kTextRoom];
    if (LoadStringA(module, stringId, text, kTextRoom) <= 0) text[0] = '\0';
    SetDlgItemTextA(dlg, id, text);
}

void setItemTexts(HWND dlg, HMODULE module, const ItemText* texts, int count, int withOkCancel) {
    // Every dialog's OK and Cancel show the same two strings.
    static const ItemText kOkCancel[] = {{IDOK, IDS_OK}, {IDCANCEL, IDS_CANCEL}};
    for (int i = 0; i < count; ++i) setItemText(dlg, texts[i].control, module, texts[i].string);
    if (withOkCancel)
        for (const ItemText& t : kOkCancel) setItemText(dlg, t.control, module, t.string);
}

void setItemTextFormatted(HWND dlg, int id, HMODULE module, UINT stringId, const char* format, int number) {
    if (!g_useWide) {
        char step[kTextRoom];
        if (LoadStringA(module, stringId, step, kTextRoom) <= 0) step[0] = '\0';
        char text[kFormattedRoom];
        textFormat(text, sizeof text, format, step, number);
        SetDlgItemTextA(dlg, id, text);
        return;
    }
    // The string is wide and the format is not: the parts of the format
    // before and after its "%s" are filled in on their own and widened.
    const char* slot = strstr(format, "%s");
    char headFormat[kFormattedRoom];
    textCopyN(headFormat, sizeof headFormat, format, slot ? (size_t)(slot - format) : strlen(format));
    char head[kFormattedRoom];
    char tail[kFormattedRoom];
    textFormat(head, sizeof head, headFormat, number);
    tail[0] = '\0';
    if (slot) textFormat(tail, sizeof tail, slot + 2, number);
    WCHAR step[kTextRoom];
    if (!slot || g_wide.loadString(module, stringId, step, kTextRoom) <= 0) step[0] = 0;
    WCHAR text[kFormattedRoom];
    int length = 0;
    text[0] = 0;
    appendAscii(text, kFormattedRoom, &length, head);
    appendWide(text, kFormattedRoom, &length, step);
    appendAscii(text, kFormattedRoom, &length, tail);
    g_wide.setDlgItemText(dlg, id, text);
}

void setWindowTextFromTable(HWND wnd, HMODULE module, UINT stringId) {
    if (g_useWide) {
        WCHAR text[kTextRoom];
        if (g_wide.loadString(module, stringId, text, kTextRoom) <= 0) text[0] = 0;
        g_wide.setWindowText(wnd, text);
        return;
    }
    char text[kTextRoom];
    if (LoadStringA(module, stringId, text, kTextRoom) <= 0) text[0] = '\0';
    SetWindowTextA(wnd, text);
}

LRESULT addComboEntry(HWND combo, HMODULE module, UINT stringId, LPARAM data) {
    LRESULT pos;
    if (g_useWide) {
        WCHAR text[kTextRoom];
        if (g_wide.loadString(module, stringId, text, kTextRoom) <= 0) text[0] = 0;
        pos = g_wide.sendMessage(combo, CB_ADDSTRING, 0, (LPARAM)text);
    } else {
        char text[kTextRoom];
        if (LoadStringA(module, stringId, text, kTextRoom) <= 0) text[0] = '\0';
        pos = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    }
    if (pos != CB_ERR && pos != CB_ERRSPACE) SendMessageA(combo, CB_SETITEMDATA, (WPARAM)pos, data);
    return pos;
}

LRESULT addComboText(HWND combo, const char* text, LPARAM data) {
    LRESULT pos = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    if (pos != CB_ERR && pos != CB_ERRSPACE) SendMessageA(combo, CB_SETITEMDATA, (WPARAM)pos, data);
    return pos;
}

INT_PTR runDialog(HMODULE module, int templateId, HWND owner, DLGPROC proc, LPARAM param) {
    if (g_useWide)
        return g_wide.dialogBoxParam(module, MAKEINTRESOURCEW(templateId), owner, proc, param);
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, proc, param);
}
