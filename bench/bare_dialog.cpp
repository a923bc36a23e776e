// The baseline for the start-up benchmark: a bare Win32 program that shows
// one modal dialog (a template built in memory: a caption, one text and an
// OK button) and ends when it closes. Static, like TwainSetup.exe.
#include <windows.h>

namespace {

INT_PTR CALLBACK dialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    if (msg == WM_CLOSE) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// Appends a UTF-16 string to the template.
WORD* putText(WORD* p, const char* s) {
    while ((*p++ = (WORD)(unsigned char)*s++)) {}
    return p;
}

WORD* align4(WORD* p) { return (WORD*)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static WORD buffer[512];
    WORD* p = buffer;
    DLGTEMPLATE* t = (DLGTEMPLATE*)p;
    t->style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    t->cdit = 2;
    t->cx = 200;
    t->cy = 80;
    p = (WORD*)(t + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // the dialog class
    p = putText(p, "Bare dialog");
    *p++ = 8;
    p = putText(p, "MS Shell Dlg");

    p = align4(p);
    DLGITEMTEMPLATE* item = (DLGITEMTEMPLATE*)p;
    item->style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    item->x = 10, item->y = 10, item->cx = 180, item->cy = 20, item->id = 100;
    p = (WORD*)(item + 1);
    *p++ = 0xFFFF, *p++ = 0x0082;  // static
    p = putText(p, "One dialog, nothing else.");
    *p++ = 0;

    p = align4(p);
    item = (DLGITEMTEMPLATE*)p;
    item->style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
    item->x = 75, item->y = 55, item->cx = 50, item->cy = 14, item->id = IDOK;
    p = (WORD*)(item + 1);
    *p++ = 0xFFFF, *p++ = 0x0080;  // button
    p = putText(p, "OK");
    *p++ = 0;

    DialogBoxIndirectParamA(instance, (DLGTEMPLATE*)buffer, NULL, dialogProc, 0);
    return 0;
}
