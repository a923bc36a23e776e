#include "ui/wizard.h"

#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "core/libraries.h"
#include "package/languages.h"
#include "operations/inuse.h"
#include "package/package.h"
#include "ui/centre.h"
#include "ui/header.h"
#include "ui/progress.h"
#include "core/resource.h"
#include "ui/uitext.h"

namespace {

// The OS folder the language page chose when it opened, for its OK; the
// record itself stays in each page's own slot.
const char* g_osFolder = "WIN2K_XP";

InstallContext* pageContext(HWND dlg) { return (InstallContext*)GetWindowLongPtrA(dlg, DWLP_USER); }

// The item data of the selected entry; CB_ERR (all bits set) with no entry.
LRESULT selectedItemData(HWND dlg, int listId) {
    LRESULT sel = SendDlgItemMessageA(dlg, listId, CB_GETCURSEL, 0, 0);
    return SendDlgItemMessageA(dlg, listId, CB_GETITEMDATA, (WPARAM)sel, 0);
}

// ---- language page -------------------------------------------------------

INT_PTR CALLBACK languagePageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        openPage(dlg, lParam);
        InstallContext* ctx = (InstallContext*)lParam;
        HMODULE own = programModule();
        static const ItemText texts[] = {{IDC_LANGUAGE_PROMPT, IDS_SELECT_LANGUAGE}};
        setItemTexts(dlg, own, texts, 1);

        readPackageRoot(ctx);

        LanguageList found;
        g_osFolder = listPackageLanguages(ctx->packageRoot, ctx->osCode, &found);
        HWND list = GetDlgItem(dlg, IDC_LANGUAGE_LIST);
        for (int i = 0; i < found.count; ++i) addComboEntry(list, own, found.ids[i], (LPARAM)found.ids[i]);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            InstallContext* ctx = pageContext(dlg);
            // An empty list has no selection: the id is then all bits set,
            // which every lookup treats as English.
            LanguageId id = (LanguageId)selectedItemData(dlg, IDC_LANGUAGE_LIST);
            buildSourceDir(ctx, g_osFolder, id);
            ctx->languageId = id;
            writeLanguageLibrary(languageResourceId(id));
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
        openPage(dlg, lParam);
        static const ItemText texts[] = {{IDC_MODEL_PROMPT, IDS_SELECT_MODEL}};
        setItemTexts(dlg, programModule(), texts, 1);

        locateInf(ctx);
        ModelList models;
        listModels(ctx->infPath, &models);
        HWND list = GetDlgItem(dlg, IDC_MODEL_LIST);
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
            InstallContext* ctx = pageContext(dlg);
            LRESULT data = selectedItemData(dlg, IDC_MODEL_LIST);
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

// The start of a page on the install page's template (the install page, and
// the questions that borrow it): it offers no choice, so its two radio
// buttons stay out of sight.
void openInstallTemplate(HWND dlg, LPARAM record) {
    openPage(dlg, record);
    hideAndDisable(dlg, IDC_RADIO_UNUSED1);
    hideAndDisable(dlg, IDC_RADIO_UNUSED2);
}

INT_PTR CALLBACK installPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handlePageChrome(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        openInstallTemplate(dlg, lParam);
        static const ItemText texts[] = {{IDC_MAIN_TEXT, IDS_INSTALL_WELCOME},
                                         {IDC_STATUS_TEXT, IDS_INSTALL_SECOND},
                                         {IDC_RADIO_UNUSED1, IDS_UNUSED_RADIO1},
                                         {IDC_RADIO_UNUSED2, IDS_UNUSED_RADIO2}};
        setItemTexts(dlg, localisedModule(), texts, 1);
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
    if (handlePageChrome(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        openPage(dlg, lParam);
        CheckDlgButton(dlg, IDC_RADIO_UPGRADE, BST_CHECKED);  // upgrade is the default
        // OK reads "Finish" here, so the shared OK/Cancel pair does not fit.
        static const ItemText texts[] = {{IDC_MAIN_TEXT, IDS_CHOICE_WELCOME}, {IDC_STATUS_TEXT, IDS_SELECT_ACTION},
                                         {IDC_RADIO_UPGRADE, IDS_UPGRADE},    {IDC_RADIO_REMOVE, IDS_REMOVE},
                                         {IDOK, IDS_FINISH},                  {IDCANCEL, IDS_CANCEL}};
        setItemTexts(dlg, localisedModule(), texts, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            bool upgrade = IsDlgButtonChecked(dlg, IDC_RADIO_UPGRADE) == BST_CHECKED;
            EndDialog(dlg, upgrade ? ModeUpgrade : ModeRemove);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, ModeNone);
        }
        return TRUE;
    }
    return FALSE;
}

// The install page's template, asking once whether to remove the model's
// driver: a removal started from the installed programs.
INT_PTR CALLBACK removalPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handlePageChrome(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        openInstallTemplate(dlg, lParam);
        static const ItemText texts[] = {{IDC_STATUS_TEXT, IDS_INSTALL_SECOND}};
        setItemTexts(dlg, localisedModule(), texts, 1);
        TextLine line = {IDS_REMOVE_CONFIRM, ((InstallContext*)lParam)->modelName, NULL};
        setItemTextLines(dlg, IDC_MAIN_TEXT, localisedModule(), &line, 1);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) EndDialog(dlg, ModeRemove);
        else if (LOWORD(wParam) == IDCANCEL) EndDialog(dlg, ModeNone);
        return TRUE;
    }
    return FALSE;
}

// ---- a program holds the driver ------------------------------------------
// The install page's template, shown before a sequence starts while a
// program holds a file it would change: names the file (and the program,
// where Windows can), Retry looks again, Cancel leaves everything as it is.

char g_heldFile[MAX_PATH];

void showHeldFile(HWND dlg) {
    const char* slash = strrchr(g_heldFile, '\\');
    const char* name = slash ? slash + 1 : g_heldFile;
    char program[256];
    TextLine line = {IDS_IN_USE_UNNAMED, name, NULL};
    if (nameHolder(g_heldFile, program, sizeof program)) line = TextLine{IDS_IN_USE, name, program};
    setItemTextLines(dlg, IDC_MAIN_TEXT, localisedModule(), &line, 1);
}

INT_PTR CALLBACK heldPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (handlePageChrome(dlg, msg, wParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG: {
        openInstallTemplate(dlg, lParam);
        hideAndDisable(dlg, IDC_STATUS_TEXT);
        static const ItemText texts[] = {{IDOK, IDS_RETRY}, {IDCANCEL, IDS_CANCEL}};
        setItemTexts(dlg, localisedModule(), texts, 0);
        growTextToButton(dlg, IDC_MAIN_TEXT);
        showHeldFile(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && IsWindowEnabled(GetDlgItem(dlg, IDOK))) {
            if (!findHeldFile(pageContext(dlg), g_heldFile, sizeof g_heldFile)) EndDialog(dlg, 1);
            else showHeldFile(dlg);
        } else if (LOWORD(wParam) == IDCANCEL) {
            // Nothing was changed: the page says so once, then ends.
            if (!IsWindowEnabled(GetDlgItem(dlg, IDOK))) {
                EndDialog(dlg, 0);
                return TRUE;
            }
            hideAndDisable(dlg, IDOK);
            static const ItemText texts[] = {{IDC_MAIN_TEXT, IDS_CANCELLED}, {IDCANCEL, IDS_FINISH}};
            setItemTexts(dlg, localisedModule(), texts, 0);
            SetFocus(GetDlgItem(dlg, IDCANCEL));
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR runLocalisedPage(int templateId, DLGPROC proc, InstallContext* ctx) {
    return runDialog(localisedModule(), templateId, NULL, proc, (LPARAM)ctx);
}

// The progress page, once no program holds a file the sequence changes (or
// nothing, when the user cancels).
void runSequence(InstallContext* ctx) {
    if (findHeldFile(ctx, g_heldFile, sizeof g_heldFile) && !runLocalisedPage(IDD_INSTALL, heldPageProc, ctx)) return;
    runProgressPage(ctx);
}

}  // namespace

intptr_t runLanguagePage(InstallContext* ctx) {
    return runDialog(programModule(), IDD_LANGUAGE, NULL, languagePageProc, (LPARAM)ctx);
}

intptr_t runModelPage(InstallContext* ctx) {
    return runDialog(programModule(), IDD_MODEL, NULL, modelPageProc, (LPARAM)ctx);
}


void runRemovalFlow(InstallContext* ctx) {
    ctx->mode = (int16_t)runLocalisedPage(IDD_INSTALL, removalPageProc, ctx);
    if (ctx->mode == ModeRemove) runSequence(ctx);
}

void runMaintenanceFlow(InstallContext* ctx) {
    if (isDriverPresent(ctx)) {
        ctx->mode = (int16_t)runLocalisedPage(IDD_CHOICE, choicePageProc, ctx);
        if (ctx->mode != ModeUpgrade && ctx->mode != ModeRemove) return;
    } else {
        ctx->mode = (int16_t)runLocalisedPage(IDD_INSTALL, installPageProc, ctx);
        if (ctx->mode != ModeInstall) return;
    }
    runSequence(ctx);
}
