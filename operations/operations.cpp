#include "operations/operations.h"

#include <windows.h>
#include <commctrl.h>

#include "core/system.h"
#include "core/text.h"
#include "operations/cleanup.h"
#include "operations/cleanup.h"
#include "operations/settings.h"
#include "package/package.h"
#include "ui/progress.h"
#include "ui/uitext.h"

namespace {

volatile DWORD g_progressPause = 1000;
AddressPromptFn g_prompt = NULL;

DWORD WINAPI workerEntry(LPVOID param) { return (DWORD)runOperation((InstallContext*)param); }

void setButtonAvailable(HWND page, BOOL available) {
    // The page may already be gone (a cancelled address prompt ends it): then
    // there is no button and nothing to do.
    HWND button = page ? GetDlgItem(page, ProgressButtonId) : NULL;
    if (!button) return;
    EnableWindow(button, available);
    ShowWindow(button, available ? SW_SHOW : SW_HIDE);
}

}  // namespace

void setProgressPause(unsigned long milliseconds) { g_progressPause = milliseconds; }

HANDLE startWorker(HWND page, InstallContext* ctx, AddressPromptFn prompt) {
    g_prompt = prompt;
    ctx->progressWindow = page;
    // The worker closes its own handle when it ends, so the handle must be
    // stored before it can run: it is created suspended and let go after.
    DWORD threadId = 0;  // Windows 95 refuses a null identifier pointer
    HANDLE thread = CreateThread(NULL, 0, workerEntry, ctx, CREATE_SUSPENDED, &threadId);
    ctx->workerThread = thread;
    if (thread) ResumeThread(thread);
    return thread;
}

int runOperation(InstallContext* ctx) {
    HWND page = (HWND)ctx->progressWindow;  // taken once; later steps use this value
    setButtonAvailable(page, FALSE);
    switch (ctx->mode) {
    case ModeInstall: installDriver(ctx); break;
    case ModeRemove: removeDriver(ctx); break;
    case ModeUpgrade: upgradeDriver(ctx); break;
    default: break;
    }
    setButtonAvailable(page, TRUE);
    // Nobody waits for the worker: it closes its own handle.
    HANDLE self = (HANDLE)ctx->workerThread;
    ctx->workerThread = NULL;
    if (self) CloseHandle(self);
    if (page) SendMessageA(page, WM_TW_WORKER_DONE, 0, 0);
    return 0;
}

void reportProgress(InstallContext* ctx, int percent) {
    HWND page = (HWND)ctx->progressWindow;
    if (!page) return;
    // String 39 of the language library (of the program while none is
    // loaded), shown wide on the NT family like every text of the pages.
    setItemTextFormatted(page, IDC_STATUS_TEXT, localisedModule(), IDS_PROCESS_STEP, "%s (%d%%)...", percent);
    SendDlgItemMessageA(page, IDC_PROGRESS_BAR, PBM_SETPOS, (WPARAM)percent, 0);
    Sleep(g_progressPause);
}

void installDriver(InstallContext* ctx) {
    if (isDriverPresent(ctx)) {
        ctx->mode = ModeUpgrade;
        upgradeDriver(ctx);
        return;
    }
    if (ctx->useNetwork == 1 && ctx->scannerAddress[0] == '\0') {
        readHardwareId(ctx, 1);
        uint16_t productId = deriveProductId(ctx);
        if (!g_prompt || !g_prompt(ctx, productId)) {
            // The page belongs to the user-interface thread and must end
            // there: ask it to, and touch nothing else.
            HWND page = (HWND)ctx->progressWindow;
            if (page) SendMessageA(page, WM_TW_END_PAGE, 0, 0);
            return;
        }
    }
    reportProgress(ctx, 20);
    copyAndConfigure(ctx);
    reportProgress(ctx, 40);
    reportProgress(ctx, 60);
    reportProgress(ctx, 100);
}

void upgradeDriver(InstallContext* ctx) {
    reportProgress(ctx, 20);
    copyDataSourceFiles(ctx);
    reportProgress(ctx, 60);
    reportProgress(ctx, 100);
}

void removeDriver(InstallContext* ctx) {
    reportProgress(ctx, 100);
    reportProgress(ctx, 80);
    removeTargetDir(ctx);
    reportProgress(ctx, 60);
    removeOemInfFiles(ctx);
    reportProgress(ctx, 20);
    removeDevices(ctx);
    reportProgress(ctx, 0);
}

int copyAndConfigure(InstallContext* ctx) {
    if (ctx->useNetwork == 0) {
        copyDataSourceFiles(ctx);
    } else if (ctx->useNetwork == 1) {
        copyDataSourceFiles(ctx);
        writeScannerSettings(ctx);
    }
    return 1;
}

void copyDataSourceFiles(InstallContext* ctx) {
    char windowsDir[1024];
    if (!windowsFolder(windowsDir)) return;
    // A missing or unsafe DestinationDirs entry leaves targetDir empty: then
    // there is no folder of the model to create or fill.
    if (!isUsableTargetDir(ctx->targetDir, windowsDir)) return;

    char twainDir[1024];
    if (pathJoin(twainDir, windowsDir, "TWAIN_32")) CreateDirectoryA(twainDir, NULL);
    CreateDirectoryA(ctx->targetDir, NULL);

    DataSourceList list;
    listDataSourceFiles(ctx->infPath, ctx->modelNumber, &list);
    if (list.length == 0) return;

    char tempDir[1024];
    readTempDirectory(tempDir, sizeof tempDir);

    unsigned offset = 0;
    const char* entry;
    while ((entry = nextSectionEntry(&list, &offset)) != NULL) {
        // An entry with a folder part or a drive would copy from or to a
        // place outside the two folders.
        if (!isBareFileName(entry)) continue;
        deriveSettingsPath(ctx, entry, tempDir);
        char source[1024];
        char target[1024];
        if (!pathJoin(source, ctx->sourceDir, entry) || !pathJoin(target, ctx->targetDir, entry)) continue;
        replaceFile(source, target, ctx->targetDir);
    }
}

int replaceFile(const char* source, const char* target, const char* folder) {
    char temporary[MAX_PATH];
    // A folder too deep for a temporary name: the plain copy, as before.
    if (!GetTempFileNameA(folder, "tws", 0, temporary)) return CopyFileA(source, target, FALSE) ? 1 : 0;
    if (!CopyFileA(source, temporary, FALSE)) {
        DeleteFileA(temporary);
        return 0;
    }
    // Windows 95 has no MoveFileEx: the old file goes first. One that cannot
    // go (read-only, in use) is kept, and the new copy is dropped.
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(target)) {
        DeleteFileA(temporary);
        return 0;
    }
    if (MoveFileA(temporary, target)) return 1;
    // The name could not be taken over: the bytes can still be.
    int copied = CopyFileA(temporary, target, FALSE) ? 1 : 0;
    DeleteFileA(temporary);
    return copied;
}

void removeTargetDir(InstallContext* ctx) {
    char windowsDir[1024];
    if (!windowsFolder(windowsDir)) return;
    if (!isUsableTargetDir(ctx->targetDir, windowsDir)) return;
    deleteMatchingFiles(ctx->targetDir, "*.*");
    RemoveDirectoryA(ctx->targetDir);
}
