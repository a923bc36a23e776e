#include "ui/wizard.h"

#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "core/libraries.h"
#include "core/text.h"
#include "operations/operations.h"
#include "package/package.h"
#include "ui/centre.h"
#include "ui/header_font.h"
#include "ui/uitext.h"

namespace {

// String ids of the pages' texts.
enum {
    StrFinish = 26,
    StrInstallWelcome = 29,
    StrInstallSecond = 30,   // absent from every table: shows empty
    StrUnusedRadio1 = 31,
    StrUnusedRadio2 = 32,
    StrChoiceWelcome = 34,
    StrSelectAction = 35,
    StrUpgrade = 36,
    StrRemove = 37,
    StrWaiting = 38,
    StrInstalled = 41,
    StrUpgraded = 42,
    StrRemoved = 43,
    StrCancel = 44,
    StrOk = 45,
    StrSelectModel = 46,
    StrSelectLanguage = 47,
};

const int kHeaderBitmapId = 108;

// The language and model pages keep the record and the OS folder that the
// language page chose when it opened, for its OK.
InstallContext* g_languagePageCtx = NULL;
InstallContext* g_modelPageCtx = NULL;
const char* g_osFolder = "WIN2K_XP";

InstallContext* pageContext(HWND dlg) { return (InstallContext*)GetWindowLongPtrA(dlg, DWLP_USER); }

void keepContext(HWND dlg, LPARAM lParam) { SetWindowLongPtrA(dlg, DWLP_USER, lParam); }

void hideAndDisable(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    if (!item) return;
    ShowWindow(item, SW_HIDE);
    EnableWindow(item, FALSE);
}

// One text of a page: the control and the string it shows.
struct ItemText {
    int control;
    UINT string;
};

template <int N>
void setItemTexts(HWND dlg, HMODULE module, const ItemText (&texts)[N]) {
    for (int i = 0; i < N; ++i) setItemText(dlg, texts[i].control, module, texts[i].string);
}

// The item data of the selected entry; CB_ERR (all bits set) with no entry.
LRESULT selectedItemData(HWND dlg, int listId) {
    LRESULT sel = SendDlgItemMessageA(dlg, listId, CB_GETCURSEL, 0, 0);
    return SendDlgItemMessageA(dlg, listId, CB_GETITEMDATA, (WPARAM)sel, 0);
}

// ---- language page -------------------------------------------------------

INT_PTR CALLBACK languagePageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        centreWindow(dlg);
        InstallContext* ctx = (InstallContext*)lParam;
        g_languagePageCtx = ctx;
        keepContext(dlg, lParam);
        HMODULE own = programModule();
        static const ItemText texts[] = {
            {IdLanguagePrompt, StrSelectLanguage}, {IDOK, StrOk}, {IDCANCEL, StrCancel}};
        setItemTexts(dlg, own, texts);

        char root[256];
        DWORD n = GetCurrentDirectoryA(sizeof root, root);
        if (n == 0 || n >= sizeof root) root[0] = '\0';  // deeper than a package root can be
        textCopy(ctx->packageRoot, root);

        LanguageList found;
        g_osFolder = listPackageLanguages(ctx->packageRoot, ctx->osCode, &found);
        HWND list = GetDlgItem(dlg, IdLanguageList);
        for (int i = 0; i < found.count; ++i) addComboEntry(list, own, found.ids[i], (LPARAM)found.ids[i]);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            InstallContext* ctx = g_languagePageCtx;
            // An empty list has no selection: the id is then all bits set,
            // which every lookup treats as English.
            LanguageId id = (LanguageId)selectedItemData(dlg, IdLanguageList);
            buildSourceDir(ctx, g_osFolder, id);
            ctx->languageId = id;
            writeLanguageLibrary(id);
            EndDialog(dlg, 0);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, -1);
        }
        return TRUE;
    }
    return FALSE;
}

// ---- model page ----------------------------------------------------------

INT_PTR CALLBACK modelPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        InstallContext* ctx = (InstallContext*)lParam;
        g_modelPageCtx = ctx;
        keepContext(dlg, lParam);
        centreWindow(dlg);
        static const ItemText texts[] = {{IdModelPrompt, StrSelectModel}, {IDOK, StrOk}, {IDCANCEL, StrCancel}};
        setItemTexts(dlg, programModule(), texts);

        locateInf(ctx);
        ModelList models;
        listModels(ctx->infPath, &models);
        HWND list = GetDlgItem(dlg, IdModelList);
        for (int i = 0; i < models.count; ++i)
            addComboText(list, models.models[i].name, (LPARAM)models.models[i].number);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        // A package that offers no model cannot be installed: OK stays off
        // rather than going on with a model that does not exist.
        if (models.count == 0) EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            InstallContext* ctx = g_modelPageCtx;
            LRESULT data = selectedItemData(dlg, IdModelList);
            if (data == CB_ERR) return TRUE;
            ctx->modelNumber = (ModelNumber)data;
            readModelName(ctx->infPath, ctx->modelNumber, ctx->modelName, sizeof ctx->modelName);
            EndDialog(dlg, 0);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, -1);
        }
        return TRUE;
    }
    return FALSE;
}

// ---- pages after the model page --------------------------------------------

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

// Messages every page after the model page answers the same way.
bool handleCommonPageMessage(HWND dlg, UINT msg, WPARAM wParam, INT_PTR* result) {
    switch (msg) {
    case WM_PAINT: {
        InstallContext* ctx = pageContext(dlg);
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

INT_PTR CALLBACK installPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handleCommonPageMessage(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        centreWindow(dlg);
        keepContext(dlg, lParam);
        // The page offers no choice: its two radio buttons stay out of sight.
        hideAndDisable(dlg, IdRadioUnused1);
        hideAndDisable(dlg, IdRadioUnused2);
        static const ItemText texts[] = {
            {IdMainText, StrInstallWelcome},   {IdStatusText, StrInstallSecond}, {IdRadioUnused1, StrUnusedRadio1},
            {IdRadioUnused2, StrUnusedRadio2}, {IDCANCEL, StrCancel},            {IDOK, StrOk}};
        setItemTexts(dlg, localisedModule(), texts);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            pageContext(dlg)->useNetwork = 1;
            EndDialog(dlg, ModeInstall);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, ModeNone);
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK choicePageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handleCommonPageMessage(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        centreWindow(dlg);
        keepContext(dlg, lParam);
        CheckDlgButton(dlg, IdRadioUpgrade, BST_CHECKED);  // upgrade is the default
        static const ItemText texts[] = {
            {IdMainText, StrChoiceWelcome}, {IdStatusText, StrSelectAction}, {IdRadioUpgrade, StrUpgrade},
            {IdRadioRemove, StrRemove},     {IDOK, StrFinish},                {IDCANCEL, StrCancel}};
        setItemTexts(dlg, localisedModule(), texts);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            bool upgrade = IsDlgButtonChecked(dlg, IdRadioUpgrade) == BST_CHECKED;
            EndDialog(dlg, upgrade ? ModeUpgrade : ModeRemove);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, ModeNone);
        }
        return TRUE;
    }
    return FALSE;
}

// The progress bar's class lives in the common controls library, loaded from
// the system folder (never from the package folder the program starts in).
void initCommonControls(void) {
    typedef void(WINAPI * InitFn)(void);
    HMODULE comctl = (HMODULE)loadSystemLibrary("comctl32.dll");  // kept for the run
    InitFn init = comctl ? (InitFn)(void*)GetProcAddress(comctl, "InitCommonControls") : NULL;
    if (init) init();
}

// The progress page ends only once its worker has finished: the libraries
// that the worker's texts come from are unloaded right after the page.
struct ProgressState {
    HWND page;
    bool workerDone;
    bool endRequested;
};
ProgressState g_progress;

INT_PTR CALLBACK progressPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handleCommonPageMessage(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        initCommonControls();
        centreWindow(dlg);
        keepContext(dlg, lParam);
        g_progress.page = dlg;
        g_progress.workerDone = false;
        g_progress.endRequested = false;
        SendDlgItemMessageA(dlg, IdProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        static const ItemText texts[] = {{IdMainText, StrWaiting}, {IDCANCEL, StrFinish}};
        setItemTexts(dlg, localisedModule(), texts);
        SetDlgItemTextA(dlg, IdStatusText, "");
        startWorker(dlg, (InstallContext*)lParam);
        return TRUE;
    }
    case EndPageMessage:
        // The user cancelled the address prompt: close once the worker is done.
        g_progress.endRequested = true;
        if (g_progress.workerDone) EndDialog(dlg, 0);
        return TRUE;
    case EndMessage: {
        g_progress.workerDone = true;
        if (g_progress.endRequested) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        InstallContext* ctx = pageContext(dlg);
        UINT text = 0;
        if (ctx->mode == ModeInstall) text = StrInstalled;
        else if (ctx->mode == ModeUpgrade) text = StrUpgraded;
        else if (ctx->mode == ModeRemove) text = StrRemoved;
        if (text) setItemText(dlg, IdMainText, localisedModule(), text);
        hideAndDisable(dlg, IdStatusText);
        hideAndDisable(dlg, IdProgressBar);
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        return TRUE;
    }
    case WM_COMMAND:
        // Finish ends the page; while the worker runs the button is hidden
        // and Escape is not acted on either.
        if (LOWORD(wParam) == IDCANCEL && g_progress.workerDone) EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR runLocalisedPage(int templateId, DLGPROC proc, InstallContext* ctx) {
    return runDialog(localisedModule(), templateId, NULL, proc, (LPARAM)ctx);
}

}  // namespace

const LOGFONTA* headerFont(const char* face, LONG height, LONG weight) {
    static LOGFONTA font;
    memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    textCopy(font.lfFaceName, face);
    return &font;
}

void paintHeader(void* page, const char* text) {
    HWND dlg = (HWND)page;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    HBITMAP bitmap = LoadBitmapA(localisedModule(), MAKEINTRESOURCEA(kHeaderBitmapId));
    if (bitmap) {
        BITMAP info;
        memset(&info, 0, sizeof info);
        GetObjectA(bitmap, sizeof info, &info);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, info.bmWidth, info.bmHeight, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(bitmap);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HFONT font = CreateFontIndirectA(headerFont("Arial Black", 30, FW_BOLD));
    HGDIOBJ oldFont = SelectObject(dc, font);
    TextOutA(dc, 30, 20, text, (int)strlen(text));
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(dlg, &ps);
    // The pages have no title bar; the text names the window to the system.
    SetWindowTextA(dlg, text);
}

intptr_t runLanguagePage(InstallContext* ctx) {
    return runDialog(programModule(), LanguagePageId, NULL, languagePageProc, (LPARAM)ctx);
}

intptr_t runModelPage(InstallContext* ctx) {
    return runDialog(programModule(), ModelPageId, NULL, modelPageProc, (LPARAM)ctx);
}

void runMaintenanceFlow(InstallContext* ctx) {
    if (isDriverPresent(ctx)) {
        ctx->mode = (int16_t)runLocalisedPage(ChoicePageId, choicePageProc, ctx);
        if (ctx->mode != ModeUpgrade && ctx->mode != ModeRemove) return;
    } else {
        ctx->mode = (int16_t)runLocalisedPage(InstallPageId, installPageProc, ctx);
        if (ctx->mode != ModeInstall) return;
    }
    runLocalisedPage(ProgressPageId, progressPageProc, ctx);
}
