// show_dialog: shows one dialog template of a language library for a few
// seconds, so that a screenshot can be taken of it. Not part of the product.
//
//   show_dialog --program TwainSetup.exe --library-id 136 --dialog 107
//               [--seconds 4] [--header "Model name"] [CONTROL=STRING ...]
//   show_dialog --library lang_ENGLISH.dll --dialog 107 ...
//
// With --program the library is taken the way the installer takes it: the
// LANGUAGERC payload is written as DrvSetupLang.dll into the system folder,
// loaded from there, and deleted at the end. CONTROL=STRING sets a control's
// text from the library's string STRING (as the pages do when they open);
// CONTROL=hide hides the control. --header paints bitmap 108 at the top left
// with the text over it, and gives static texts a white background, as the
// install, upgrade-or-remove and progress pages look.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

struct TextSetting {
    int control;
    int stringId;  // 0: hide the control
};

struct Options {
    HMODULE library = NULL;
    int dialogId = 0;
    int seconds = 4;
    const wchar_t* header = NULL;
    TextSetting settings[32];
    int settingCount = 0;
    HBRUSH white = NULL;
};

Options g_options;

void paintHeader(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    HBITMAP picture = LoadBitmapW(g_options.library, MAKEINTRESOURCEW(108));
    if (picture) {
        BITMAP info;
        GetObjectW(picture, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, picture);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(picture);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    LOGFONTW font = {};
    font.lfHeight = 30;
    font.lfWeight = FW_BOLD;
    wcsncpy(font.lfFaceName, L"Arial Black", LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    TextOutW(dc, 30, 20, g_options.header, (int)wcslen(g_options.header));
    SelectObject(dc, old);
    DeleteObject(handle);
    EndPaint(dlg, &ps);
}

void centre(HWND dlg) {
    RECT r;
    GetWindowRect(dlg, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    MoveWindow(dlg, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, FALSE);
}

INT_PTR CALLBACK dialogProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        centre(dlg);
        for (int i = 0; i < g_options.settingCount; ++i) {
            const TextSetting& s = g_options.settings[i];
            if (s.stringId == 0) {
                ShowWindow(GetDlgItem(dlg, s.control), SW_HIDE);
                continue;
            }
            wchar_t text[512];
            if (LoadStringW(g_options.library, s.stringId, text, 512) <= 0) text[0] = 0;
            SetDlgItemTextW(dlg, s.control, text);
        }
        SetTimer(dlg, 1, g_options.seconds * 1000, NULL);
        return TRUE;
    case WM_PAINT:
        if (!g_options.header) return FALSE;
        paintHeader(dlg);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (!g_options.header) return FALSE;
        return (INT_PTR)g_options.white;
    case WM_TIMER:
    case WM_COMMAND:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

// Writes the program's LANGUAGERC payload where the installer writes it and
// loads it from there.
HMODULE loadFromProgram(const wchar_t* program, int libraryId, wchar_t (&written)[MAX_PATH]) {
    HMODULE exe = LoadLibraryExW(program, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return NULL;
    HRSRC res = FindResourceW(exe, MAKEINTRESOURCEW(libraryId), L"LANGUAGERC");
    HGLOBAL data = res ? LoadResource(exe, res) : NULL;
    const void* bytes = data ? LockResource(data) : NULL;
    DWORD length = res ? SizeofResource(exe, res) : 0;
    UINT n = GetSystemDirectoryW(written, MAX_PATH - 20);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (bytes && n > 0 && n < MAX_PATH - 20) {
        wcscat(written, L"\\DrvSetupLang.dll");
        h = CreateFileW(written, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    if (h != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        WriteFile(h, bytes, length, &done, NULL);
        CloseHandle(h);
    }
    FreeLibrary(exe);
    return h != INVALID_HANDLE_VALUE ? LoadLibraryW(written) : NULL;
}

int usage() {
    fputs("usage: show_dialog (--program EXE --library-id N | --library DLL) --dialog N\n"
          "                   [--seconds N] [--header TEXT] [CONTROL=STRING|CONTROL=hide ...]\n",
          stderr);
    return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t* program = NULL;
    const wchar_t* libraryPath = NULL;
    int libraryId = 0;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (!wcscmp(a, L"--program") && hasValue) program = argv[++i];
        else if (!wcscmp(a, L"--library-id") && hasValue) libraryId = _wtoi(argv[++i]);
        else if (!wcscmp(a, L"--library") && hasValue) libraryPath = argv[++i];
        else if (!wcscmp(a, L"--dialog") && hasValue) g_options.dialogId = _wtoi(argv[++i]);
        else if (!wcscmp(a, L"--seconds") && hasValue) g_options.seconds = _wtoi(argv[++i]);
        else if (!wcscmp(a, L"--header") && hasValue) g_options.header = argv[++i];
        else if (wcschr(a, L'=') && g_options.settingCount < 32) {
            TextSetting& s = g_options.settings[g_options.settingCount++];
            s.control = _wtoi(a);
            const wchar_t* value = wcschr(a, L'=') + 1;
            s.stringId = wcscmp(value, L"hide") ? _wtoi(value) : 0;
        } else {
            return usage();
        }
    }
    if (!g_options.dialogId || (!program && !libraryPath)) return usage();

    wchar_t written[MAX_PATH] = L"";
    g_options.library = program ? loadFromProgram(program, libraryId, written)
                                : LoadLibraryExW(libraryPath, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!g_options.library) {
        fputs("show_dialog: the library could not be loaded\n", stderr);
        return 1;
    }
    InitCommonControls();
    g_options.white = CreateSolidBrush(RGB(255, 255, 255));
    INT_PTR result = DialogBoxParamW(g_options.library, MAKEINTRESOURCEW(g_options.dialogId), NULL, dialogProc, 0);
    DeleteObject(g_options.white);
    FreeLibrary(g_options.library);
    if (written[0]) DeleteFileW(written);
    return result == -1 ? 1 : 0;
}
