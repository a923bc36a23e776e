#include "ui/wizard.h"

#include <windows.h>

namespace {

INT_PTR CALLBACK simplePageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK) EndDialog(dlg, 0);
        else if (LOWORD(wParam) == IDCANCEL) EndDialog(dlg, -1);
        return TRUE;
    }
    return FALSE;
}

intptr_t runOwnPage(int templateId, InstallContext* ctx) {
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId), NULL,
                           simplePageProc, (LPARAM)ctx);
}

}  // namespace

intptr_t runLanguagePage(InstallContext* ctx) { return runOwnPage(LanguagePageId, ctx); }

intptr_t runModelPage(InstallContext* ctx) { return runOwnPage(ModelPageId, ctx); }

void runMaintenanceFlow(InstallContext*) {}
