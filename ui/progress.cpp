// The progress page (template IDD_PROGRESS): it starts the worker and shows
// its closing text; the contract with the worker is in ui/progress.h.
#include "ui/progress.h"

#include <commctrl.h>

#include "core/system.h"
#include "core/text.h"
#include "operations/operations.h"
#include "ui/address.h"
#include "ui/header.h"
#include "ui/uitext.h"
#include "ui/wizard.h"

namespace {

// The progress page ends only once its worker has finished: the libraries
// that the worker's texts come from are unloaded right after the page.
struct ProgressState {
    HWND page;
    bool workerDone;
    bool endRequested;
};
ProgressState g_progress;

// The closing text: the completion text of the mode only when everything was
// done; otherwise what failed, what state the computer is in, the first item
// that failed and how many more did.
void showClosingText(HWND dlg, const InstallContext* ctx) {
    const Outcome& o = ctx->outcome;
    if (o.failures == 0) {
        UINT text = 0;
        if (ctx->mode == ModeInstall) text = IDS_INSTALLED;
        else if (ctx->mode == ModeUpgrade) text = IDS_UPGRADED;
        else if (ctx->mode == ModeRemove) text = IDS_REMOVED;
        if (text) setItemText(dlg, IDC_MAIN_TEXT, localisedModule(), text);
        return;
    }
    UINT head = ctx->mode == ModeRemove ? IDS_REMOVE_INCOMPLETE
                : o.undoFailures        ? IDS_UNDO_INCOMPLETE
                : ctx->mode == ModeUpgrade ? IDS_UPGRADE_FAILED
                                           : IDS_INSTALL_FAILED;
    char error[16];
    char more[16];
    textFormat(error, sizeof error, "%lu", (unsigned long)o.firstError);
    textFormat(more, sizeof more, "%lu", (unsigned long)(o.failures - 1));
    TextLine lines[] = {{head, NULL, NULL}, {IDS_FAILED_ITEM, outcomeFirstName(&o), error}, {IDS_MORE_FAILED, more, NULL}};
    // The text takes the room of the bar and the step text, hidden now, down
    // to the button: a failure needs more lines than the completion text.
    growTextToButton(dlg, IDC_MAIN_TEXT);
    setItemTextLines(dlg, IDC_MAIN_TEXT, localisedModule(), lines, o.failures > 1 ? 3 : 2);
}

INT_PTR CALLBACK progressPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handlePageChrome(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        initCommonControls();  // the bar's class lives in the common controls
        openPage(dlg, lParam);
        g_progress.page = dlg;
        g_progress.workerDone = false;
        g_progress.endRequested = false;
        SendDlgItemMessageA(dlg, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        static const ItemText texts[] = {{IDC_MAIN_TEXT, IDS_WAITING}, {IDCANCEL, IDS_FINISH}};
        setItemTexts(dlg, localisedModule(), texts, 0);
        SetDlgItemTextA(dlg, IDC_STATUS_TEXT, "");
        startWorker(dlg, (InstallContext*)lParam, promptScannerAddress);
        return TRUE;
    }
    case WM_TW_END_PAGE:
        // The user cancelled the address prompt: close once the worker is done.
        g_progress.endRequested = true;
        if (g_progress.workerDone) EndDialog(dlg, 0);
        return TRUE;
    case WM_TW_WORKER_DONE: {
        g_progress.workerDone = true;
        if (g_progress.endRequested) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        showClosingText(dlg, (InstallContext*)GetWindowLongPtrA(dlg, DWLP_USER));
        hideAndDisable(dlg, IDC_STATUS_TEXT);
        hideAndDisable(dlg, IDC_PROGRESS_BAR);
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

}  // namespace

void runProgressPage(InstallContext* ctx) {
    runDialog(localisedModule(), IDD_PROGRESS, NULL, progressPageProc, (LPARAM)ctx);
}
