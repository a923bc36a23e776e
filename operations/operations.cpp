#include "operations/operations.h"

#include <windows.h>
#include <commctrl.h>

#include "core/oscode.h"
#include "core/system.h"
#include "core/text.h"
#include "operations/cleanup.h"
#include "operations/fileset.h"
#include "operations/registration.h"
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
    outcomeReset(&ctx->outcome);
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
    // A failed install has been undone: its last steps are not shown.
    if (!copyAndConfigure(ctx)) return;
    registerModel(ctx);
    reportProgress(ctx, 40);
    reportProgress(ctx, 60);
    reportProgress(ctx, 100);
}

void upgradeDriver(InstallContext* ctx) {
    reportProgress(ctx, 20);
    if (!copyDataSourceFiles(ctx, 0)) return;
    registerModel(ctx);
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
    // Something left behind keeps the entry: the user can try again from it.
    if (ctx->outcome.failures == 0) unregisterModel(ctx);
    dropJournal();
    reportProgress(ctx, 0);
}

int copyAndConfigure(InstallContext* ctx) {
    if (ctx->useNetwork == 0) return copyDataSourceFiles(ctx, 0);
    if (ctx->useNetwork == 1) return copyDataSourceFiles(ctx, 1);
    return 1;
}

namespace {

// A folder this run makes, and takes away again when the run fails.
struct MadeFolder {
    const char* path;
    int made;
};

int makeFolder(Outcome* outcome, MadeFolder* f) {
    f->made = 0;
    if (GetFileAttributesA(f->path) != INVALID_FILE_ATTRIBUTES) return 1;
    if (!CreateDirectoryA(f->path, NULL))
        return outcomeRecord(outcome, ActionCreateFolder, f->path, lastErrorOr(ERROR_CANNOT_MAKE));
    f->made = 1;
    return outcomeRecord(outcome, ActionCreateFolder, f->path, 0);
}

void unmakeFolder(Outcome* outcome, const MadeFolder* f) {
    if (f->made && !RemoveDirectoryA(f->path)) outcomeRecord(outcome, ActionUndo, f->path, lastErrorOr(ERROR_GEN_FAILURE));
}

unsigned entryCount(const DataSourceList* list) {
    unsigned offset = 0, n = 0;
    while (nextSectionEntry(list, &offset) != NULL) ++n;
    return n;
}

// A removal while a program holds the driver: every file of the folder, then
// the folder, deleted at the next restart, so that the driver stays whole
// until then rather than losing the files nobody holds.
void scheduleFolderRemoval(InstallContext* ctx) {
    char pattern[1024], path[1024];
    WIN32_FIND_DATAA found;
    HANDLE h = pathJoin(pattern, ctx->targetDir, "*.*") ? FindFirstFileA(pattern, &found) : INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !pathJoin(path, ctx->targetDir, found.cFileName))
                continue;
            outcomeRecord(&ctx->outcome, ActionDeleteAtRestart, path, deleteAtRestart(path) ? 0 : lastErrorOr(ERROR_ACCESS_DENIED));
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    // Windows 95, 98 and Me delete files only at the restart: the empty
    // folder stays there.
    if (isNtFamily(ctx->osCode))
        outcomeRecord(&ctx->outcome, ActionDeleteAtRestart, ctx->targetDir,
                      deleteAtRestart(ctx->targetDir) ? 0 : lastErrorOr(ERROR_ACCESS_DENIED));
}

}  // namespace

int copyDataSourceFiles(InstallContext* ctx, int withSettings) {
    Outcome* outcome = &ctx->outcome;
    char windowsDir[1024];
    // A missing or unsafe DestinationDirs entry leaves targetDir empty: then
    // there is no folder of the model to create or fill, and nothing to
    // install. The package's INF is what is wrong.
    if (!windowsFolder(windowsDir) || !isUsableTargetDir(ctx->targetDir, windowsDir))
        return outcomeRecord(outcome, ActionCreateFolder, ctx->infPath, ERROR_BAD_PATHNAME);

    char twainDir[1024];
    if (!pathJoin(twainDir, windowsDir, "TWAIN_32"))
        return outcomeRecord(outcome, ActionCreateFolder, windowsDir, ERROR_FILENAME_EXCED_RANGE);
    MadeFolder twain = {twainDir, 0};
    MadeFolder model = {ctx->targetDir, 0};
    if (!makeFolder(outcome, &twain)) return 0;
    if (!makeFolder(outcome, &model)) {
        unmakeFolder(outcome, &twain);
        return 0;
    }

    // What an earlier run cut short or an upgrade could not delete (a file a
    // program had loaded) goes first, where it can.
    deleteLeftovers(ctx->targetDir);
    DataSourceList list;
    listDataSourceFiles(ctx->infPath, ctx->modelNumber, &list);
    char tempDir[1024];
    readTempDirectory(tempDir, sizeof tempDir);
    FileSet set;
    int ok = fileSetOpen(&set, ctx->targetDir, entryCount(&list), outcome) ||
             outcomeRecord(outcome, ActionCopyFile, ctx->infPath, ERROR_NOT_ENOUGH_MEMORY);
    // A model without a single data-source file has no driver to install.
    if (ok && list.length == 0) ok = outcomeRecord(outcome, ActionCopyFile, ctx->infPath, ERROR_FILE_NOT_FOUND);

    unsigned offset = 0;
    const char* entry;
    while (ok && (entry = nextSectionEntry(&list, &offset)) != NULL) {
        // An entry with a folder part or a drive would copy from or to a
        // place outside the two folders: the package is not installable.
        char source[1024];
        char target[1024];
        if (!isBareFileName(entry)) ok = outcomeRecord(outcome, ActionCopyFile, entry, ERROR_INVALID_NAME);
        else if (!pathJoin(source, ctx->sourceDir, entry) || !pathJoin(target, ctx->targetDir, entry))
            ok = outcomeRecord(outcome, ActionCopyFile, entry, ERROR_FILENAME_EXCED_RANGE);
        else ok = fileSetStage(&set, source, target);
        if (ok) deriveSettingsPath(ctx, entry, tempDir);
    }
    if (ok && ctx->atRestart) {
        // Every file waits for the restart; the settings file is no file of
        // the driver's folder and is written now.
        ok = (!withSettings || writeScannerSettings(ctx)) && fileSetSchedule(&set);
        fileSetClose(&set);
        return ok;
    }
    if (ok) ok = fileSetPlace(&set);
    if (ok && withSettings && !writeScannerSettings(ctx)) {
        fileSetUndo(&set);
        ok = 0;
    }
    if (ok) {
        fileSetFinish(&set);
        return 1;
    }
    fileSetClose(&set);
    unmakeFolder(outcome, &model);
    unmakeFolder(outcome, &twain);
    return 0;
}

void removeTargetDir(InstallContext* ctx) {
    char windowsDir[1024];
    if (!windowsFolder(windowsDir)) return;
    if (!isUsableTargetDir(ctx->targetDir, windowsDir)) return;
    if (ctx->atRestart) {
        scheduleFolderRemoval(ctx);
        return;
    }
    // Cut short from here on, the next start finishes the removal.
    journalRemoval(ctx->targetDir);
    deleteMatchingFiles(ctx->targetDir, "*.*", &ctx->outcome);
    // A folder that is already gone is what removal wants.
    if (!RemoveDirectoryA(ctx->targetDir) && GetFileAttributesA(ctx->targetDir) != INVALID_FILE_ATTRIBUTES)
        outcomeRecord(&ctx->outcome, ActionRemoveFolder, ctx->targetDir, lastErrorOr(ERROR_DIR_NOT_EMPTY));
    else outcomeRecord(&ctx->outcome, ActionRemoveFolder, ctx->targetDir, 0);
}
