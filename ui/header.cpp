#include "ui/header.h"

#include <string.h>

#include "core/context.h"
#include "core/text.h"
#include "ui/centre.h"
#include "core/resource.h"
#include "ui/uitext.h"

namespace {

// The white background of the static texts, one brush per open page.
struct PageBrush {
    HWND page;
    HBRUSH brush;
};
PageBrush g_brushes[4];

HBRUSH whiteBrushFor(HWND page) {
    for (PageBrush& b : g_brushes)
        if (b.page == page) return b.brush;
    for (PageBrush& b : g_brushes)
        if (!b.page) {
            b.page = page;
            b.brush = CreateSolidBrush(RGB(255, 255, 255));
            return b.brush;
        }
    return (HBRUSH)GetStockObject(WHITE_BRUSH);
}

void releaseBrush(HWND page) {
    for (PageBrush& b : g_brushes)
        if (b.page == page) {
            DeleteObject(b.brush);
            b.page = NULL;
            b.brush = NULL;
        }
}

}  // namespace

bool handlePageChrome(HWND dlg, UINT msg, WPARAM wParam, INT_PTR* result) {
    switch (msg) {
    case WM_PAINT: {
        InstallContext* ctx = (InstallContext*)GetWindowLongPtrA(dlg, DWLP_USER);
        paintHeader(dlg, ctx ? ctx->modelName : "");
        *result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor((HDC)wParam, RGB(255, 255, 255));
        *result = (INT_PTR)whiteBrushFor(dlg);
        return true;
    case WM_DESTROY:
        releaseBrush(dlg);
        *result = FALSE;
        return true;
    }
    return false;
}

const LOGFONTA* headerFont(const char* face, LONG height, LONG weight) {
    static LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    textCopy(font.lfFaceName, face);
    return &font;
}

void paintHeader(HWND dlg, const char* text) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    const int dpi = systemDpi();
    HBITMAP bitmap = LoadBitmapA(localisedModule(), MAKEINTRESOURCEA(IDB_HEADER));
    if (bitmap) {
        BITMAP info;
        memset(&info, 0, sizeof info);
        GetObjectA(bitmap, sizeof info, &info);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        // The page grows with the system's DPI, and so does the picture. Its
        // font does not grow in exact proportion, so above 96 DPI the picture
        // is widened to the page where the page came out wider. HALFTONE
        // keeps it smooth where the system offers it (NT); the brush origin
        // must be set again after choosing it.
        int width = scaleForDpi(info.bmWidth, dpi), height = scaleForDpi(info.bmHeight, dpi);
        RECT client;
        if (dpi != 96 && GetClientRect(dlg, &client) && client.right > width) width = client.right;
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, NULL);
        StretchBlt(dc, 0, 0, width, height, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(bitmap);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HFONT font = CreateFontIndirectA(headerFont("Arial Black", scaleForDpi(30, dpi), FW_BOLD));
    HGDIOBJ oldFont = SelectObject(dc, font);
    TextOutA(dc, scaleForDpi(30, dpi), scaleForDpi(20, dpi), text, (int)strlen(text));
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(dlg, &ps);
    // The pages have no title bar; the text names the window to the system.
    SetWindowTextA(dlg, text);
}


void hideAndDisable(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    if (!item) return;
    ShowWindow(item, SW_HIDE);
    EnableWindow(item, FALSE);
}

void growTextToButton(HWND dlg, int id) {
    HWND text = GetDlgItem(dlg, id);
    HWND button = GetDlgItem(dlg, IDCANCEL);
    RECT t, b;
    if (!text || !button || !GetWindowRect(text, &t) || !GetWindowRect(button, &b) || b.top <= t.bottom) return;
    MapWindowPoints(NULL, dlg, (POINT*)&t, 2);
    MapWindowPoints(NULL, dlg, (POINT*)&b, 2);
    SetWindowPos(text, NULL, 0, 0, t.right - t.left, b.top - 4 - t.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void openPage(HWND dlg, LPARAM record) {
    centreWindow(dlg);
    SetWindowLongPtrA(dlg, DWLP_USER, record);
}
