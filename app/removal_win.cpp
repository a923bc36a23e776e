#include "app/removal.h"

#include <windows.h>
#include <string.h>

#include "app/startup.h"
#include "app/unattended.h"
#include "core/libraries.h"
#include "core/oscode.h"
#include "core/text.h"
#include "operations/operations.h"
#include "operations/registration.h"
#include "package/languages.h"
#include "package/package.h"
#include "ui/uitext.h"
#include "ui/wizard.h"

int keptCopyFolder(char* dir, size_t cap) {
    char self[MAX_PATH + 1], removal[MAX_PATH + 32];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    self[n] = '\0';
    char* slash = strrchr(self, '\\');
    if (!slash) return 0;
    *slash = '\0';
    return pathJoin(removal, self, kRemovalFileName) && GetFileAttributesA(removal) != INVALID_FILE_ATTRIBUTES &&
           textCopy(dir, cap, self);
}

int runTemporaryCopy(const char* commandLine, const char* keptDir) {
    char self[MAX_PATH + 1], temp[MAX_PATH], copy[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !readTempDirectory(temp, sizeof temp)) return -1;
    self[n] = '\0';
    if (!GetTempFileNameA(temp, "tws", 0, copy)) return -1;
    if (!CopyFileA(self, copy, FALSE)) {
        DeleteFileA(copy);
        return -1;
    }
    // The same switches after the program's name, then the folder.
    const char* rest = commandLine ? commandLine : "";
    char word[600];
    nextCommandWord(&rest, word, sizeof word);
    static char line[4096];
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!textFormat(line, sizeof line, "\"%s\"%s /keptcopy=\"%s\"", copy, rest, keptDir) ||
        !CreateProcessA(copy, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        DeleteFileA(copy);
        return -1;
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = ExitFailed;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (!DeleteFileA(copy)) deleteAtRestart(copy);
    return code <= 0x7FFFFFFFu ? (int)code : ExitFailed;
}

int runKeptRemoval(InstallContext* ctx, const CommandLine* cl, const char* commandLine) {
    RunLog* log = cl->log ? openRunLog(cl->logPath) : NULL;
    logRunStart(log, commandLine);
    memset(ctx, 0, sizeof *ctx);
    ctx->outcome.observer = log ? logOutcomeItem : NULL;
    ctx->outcome.observerData = log;
    const int failed = cl->silent ? ExitFailed : 0;
    if (!probeSystemDirectory()) {
        logLine(log, "the system folder is not writable");
        return finishRunLog(log, failed);
    }
    classifyWindows(ctx);
    if (!readRemovalFile(ctx, cl->keptDir)) {
        logLine(log, "%s holds no removal file naming a model and its INF", cl->keptDir);
        return finishRunLog(log, failed);
    }
    isDriverPresent(ctx);
    ctx->mode = ModeRemove;
    ctx->useNetwork = 1;
    logLine(log, "removal from the installed programs: model %lu, %s, folder %s", (unsigned long)ctx->modelNumber,
            ctx->modelName, ctx->targetDir);
    int code = 0;
    if (cl->silent) {
        outcomeReset(&ctx->outcome);
        removeDriver(ctx);
        code = ctx->outcome.failures ? ExitFailed : ExitDone;
    } else {
        useWideTexts(isNtFamily(ctx->osCode));
        writeLanguageLibrary(languageResourceId(ctx->languageId));
        loadLibraries(ctx);
        runRemovalFlow(ctx);
        unloadLibraries(ctx);
    }
    logLine(log, "outcome: %lu done, %lu failed", (unsigned long)ctx->outcome.done,
            (unsigned long)ctx->outcome.failures);
    return finishRunLog(log, code);
}
