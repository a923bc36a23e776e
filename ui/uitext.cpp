#include "ui/uitext.h"

#include <string.h>

#include "core/libraries.h"
#include "core/system.h"
#include "core/text.h"
#include "core/resource.h"

namespace {

typedef int(WINAPI* LoadStringWFn)(HINSTANCE, UINT, LPWSTR, int);
typedef LRESULT(WINAPI* SendMessageWFn)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(WINAPI* DialogBoxParamWFn)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
typedef int(WINAPI* MessageBoxWFn)(HWND, LPCWSTR, LPCWSTR, UINT);

// The wide calls are looked up rather than imported: the Windows 95 family
// has them only as stubs, and this keeps the program's import table to what
// every target has.
struct WideCalls {
    LoadStringWFn loadString;
    SendMessageWFn sendMessage;
    DialogBoxParamWFn dialogBoxParam;
    MessageBoxWFn messageBox;
};

WideCalls g_wide;
int g_useWide = 0;

// Longest text of the tables with what a format adds around it ("%s (%d%%)..."),
// with room to spare.
const int kTextRoom = 640;
// At most this much of a string goes into a formatted text.
const int kStringRoom = 512;

// A text in the form the system shows it: wide on the NT family, ANSI on the
// Windows 95 family. The only two places that choose are here: loading a
// string and handing a text to a window; everything above works on this.
struct UiText {
    WCHAR wide[kTextRoom];
    char narrow[kTextRoom];
};

void loadUiText(HMODULE module, UINT stringId, UiText* t, int room = kTextRoom) {
    if (g_useWide) {
        if (g_wide.loadString(module, stringId, t->wide, room) <= 0) t->wide[0] = 0;
    } else if (LoadStringA(module, stringId, t->narrow, room) <= 0) {
        t->narrow[0] = '\0';
    }
}

LRESULT sendUiText(HWND wnd, UINT msg, const UiText* t) {
    if (g_useWide) return g_wide.sendMessage(wnd, msg, 0, (LPARAM)t->wide);
    return SendMessageA(wnd, msg, 0, (LPARAM)t->narrow);
}

// Appends ASCII text or a table string to a text of `*length` characters,
// cutting the whole to kTextRoom - 1 characters.
void appendAscii(UiText* t, int* length, const char* text) {
    for (; *text && *length < kTextRoom - 1; ++text, ++*length) {
        t->wide[*length] = (WCHAR)(unsigned char)*text;
        t->narrow[*length] = *text;
    }
    t->wide[*length] = 0;
    t->narrow[*length] = '\0';
}

void appendString(UiText* t, int* length, const UiText* part) {
    int i = 0;
    if (g_useWide)
        for (; part->wide[i] && *length < kTextRoom - 1; ++i) t->wide[(*length)++] = part->wide[i];
    else
        for (; part->narrow[i] && *length < kTextRoom - 1; ++i) t->narrow[(*length)++] = part->narrow[i];
    t->wide[*length] = 0;
    t->narrow[*length] = '\0';
}

// Appends a string with its "%1" and "%2" filled: the ANSI arguments are
// shown in the system's code page, as file names are.
void appendFilled(UiText* t, int* length, const UiText* part, const char* const args[2]) {
    UiText piece;
    for (int i = 0;; ++i) {
        int wide = g_useWide;
        WCHAR wc = wide ? part->wide[i] : 0;
        char c = wide ? 0 : part->narrow[i];
        if (wide ? wc == 0 : c == '\0') break;
        WCHAR next = wide ? part->wide[i + 1] : (WCHAR)(unsigned char)part->narrow[i + 1];
        if ((wide ? wc : (WCHAR)(unsigned char)c) == '%' && (next == '1' || next == '2')) {
            const char* arg = args[next - '1'] ? args[next - '1'] : "";
            if (wide) {
                if (MultiByteToWideChar(CP_ACP, 0, arg, -1, piece.wide, kTextRoom) <= 0) piece.wide[0] = 0;
            } else {
                textCopy(piece.narrow, arg);
            }
            appendString(t, length, &piece);
            ++i;
            continue;
        }
        piece.wide[0] = wc;
        piece.wide[1] = 0;
        piece.narrow[0] = c;
        piece.narrow[1] = '\0';
        appendString(t, length, &piece);
    }
}

}  // namespace

void setItemTextLines(HWND dlg, int id, HMODULE module, const TextLine* lines, int count, int blankAfterFirst) {
    UiText text;
    int length = 0;
    appendAscii(&text, &length, "");
    for (int i = 0; i < count; ++i) {
        if (i > 0) appendAscii(&text, &length, i == 1 && blankAfterFirst ? "\n\n" : "\n");
        UiText part;
        loadUiText(module, lines[i].string, &part, kStringRoom);
        const char* args[2] = {lines[i].arg1, lines[i].arg2};
        appendFilled(&text, &length, &part, args);
    }
    HWND item = GetDlgItem(dlg, id);
    if (item) sendUiText(item, WM_SETTEXT, &text);
}

void useWideTexts(int wide) {
    g_useWide = 0;
    if (!wide) return;
    HMODULE user = GetModuleHandleA("user32.dll");
    g_wide.loadString = lookup<LoadStringWFn>(user, "LoadStringW");
    g_wide.sendMessage = lookup<SendMessageWFn>(user, "SendMessageW");
    g_wide.dialogBoxParam = lookup<DialogBoxParamWFn>(user, "DialogBoxParamW");
    g_wide.messageBox = lookup<MessageBoxWFn>(user, "MessageBoxW");
    g_useWide = g_wide.loadString && g_wide.sendMessage && g_wide.dialogBoxParam && g_wide.messageBox;
}

int wideTextsInUse(void) { return g_useWide; }

HMODULE programModule(void) { return GetModuleHandleA(NULL); }

HMODULE localisedModule(void) {
    HMODULE m = resourceModule();
    return m ? m : programModule();
}

void setItemText(HWND dlg, int id, HMODULE module, UINT stringId) {
    UiText t;
    loadUiText(module, stringId, &t);
    HWND item = GetDlgItem(dlg, id);
    if (item) sendUiText(item, WM_SETTEXT, &t);
}

void setItemTexts(HWND dlg, HMODULE module, const ItemText* texts, int count, int withOkCancel) {
    // Every dialog's OK and Cancel show the same two strings.
    static const ItemText kOkCancel[] = {{IDOK, IDS_OK}, {IDCANCEL, IDS_CANCEL}};
    for (int i = 0; i < count; ++i) setItemText(dlg, texts[i].control, module, texts[i].string);
    if (withOkCancel)
        for (const ItemText& t : kOkCancel) setItemText(dlg, t.control, module, t.string);
}

void setItemTextFormatted(HWND dlg, int id, HMODULE module, UINT stringId, const char* format, int number) {
    // The string may be wide and the format is not: the parts of the format
    // before and after its "%s" are filled in on their own.
    const char* slot = strstr(format, "%s");
    char headFormat[kTextRoom];
    textCopyN(headFormat, sizeof headFormat, format, slot ? (size_t)(slot - format) : strlen(format));
    char head[kTextRoom];
    char tail[kTextRoom];
    textFormat(head, sizeof head, headFormat, number);
    tail[0] = '\0';
    if (slot) textFormat(tail, sizeof tail, slot + 2, number);
    UiText step;
    step.wide[0] = 0;
    step.narrow[0] = '\0';
    if (slot) loadUiText(module, stringId, &step, kStringRoom);
    UiText text;
    int length = 0;
    appendAscii(&text, &length, head);
    appendString(&text, &length, &step);
    appendAscii(&text, &length, tail);
    HWND item = GetDlgItem(dlg, id);
    if (item) sendUiText(item, WM_SETTEXT, &text);
}

void setWindowTextFromTable(HWND wnd, HMODULE module, UINT stringId) {
    UiText t;
    loadUiText(module, stringId, &t);
    sendUiText(wnd, WM_SETTEXT, &t);
}

LRESULT addComboEntry(HWND combo, HMODULE module, UINT stringId, LPARAM data) {
    UiText t;
    loadUiText(module, stringId, &t);
    LRESULT pos = sendUiText(combo, CB_ADDSTRING, &t);
    if (pos != CB_ERR && pos != CB_ERRSPACE) SendMessageA(combo, CB_SETITEMDATA, (WPARAM)pos, data);
    return pos;
}

LRESULT addComboText(HWND combo, const char* text, LPARAM data) {
    LRESULT pos = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    if (pos != CB_ERR && pos != CB_ERRSPACE) SendMessageA(combo, CB_SETITEMDATA, (WPARAM)pos, data);
    return pos;
}

void showTableMessage(HMODULE module, UINT textId, UINT captionId, const char* captionTail) {
    static WCHAR wideText[2048], wideCaption[256];
    static char text[2048], caption[256];
    if (!captionTail) captionTail = "";
    if (g_useWide) {
        if (g_wide.loadString(module, textId, wideText, 2048) <= 0) wideText[0] = 0;
        int n = g_wide.loadString(module, captionId, wideCaption, 256);
        if (n <= 0) n = 0;
        // The tail is ASCII: widened as it is, within the caption's room.
        for (const char* c = captionTail; *c && n < 255; ++c) wideCaption[n++] = (WCHAR)(unsigned char)*c;
        wideCaption[n] = 0;
        g_wide.messageBox(NULL, wideText, wideCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (LoadStringA(module, textId, text, sizeof text) <= 0) text[0] = '\0';
    if (LoadStringA(module, captionId, caption, sizeof caption) <= 0) caption[0] = '\0';
    textAppend(caption, captionTail);
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONINFORMATION);
}

INT_PTR runDialog(HMODULE module, int templateId, HWND owner, DLGPROC proc, LPARAM param) {
    if (g_useWide)
        return g_wide.dialogBoxParam(module, MAKEINTRESOURCEW(templateId), owner, proc, param);
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, proc, param);
}
