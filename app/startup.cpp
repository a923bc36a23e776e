#include "app/startup.h"

#include <windows.h>
#include <string.h>

#include "app/cmdline.h"
#include "app/instance.h"
#include "app/removal.h"
#include "core/libraries.h"
#include "operations/fileset.h"
#include "operations/registration.h"
#include "core/oscode.h"
#include "core/system.h"
#include "core/text.h"
#include "app/unattended.h"
#include "core/resource.h"
#include "core/version.h"
#include "ui/uitext.h"
#include "ui/wizard.h"

namespace {

// The program shows no message of its own when it ends early; a debugger or
// a debug-output viewer still learns why.
void reason(const char* text) { OutputDebugStringA(text); }

}  // namespace

int probeSystemDirectory(void) {
    char probePath[MAX_PATH];
    if (!systemFilePath(probePath, "TEST.T")) return 0;
    HANDLE h = CreateFileA(probePath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(h);
    DeleteFileA(probePath);
    return 1;
}

namespace {

// Stages 1 to 9 of a run; the exit code is the caller's. With a log, every
// step of the sequence is written to it.
void runStages(InstallContext* ctx, RunLog* log) {
    memset(ctx, 0, sizeof *ctx);                       // 1
    ctx->outcome.observer = log ? logOutcomeItem : NULL;
    ctx->outcome.observerData = log;
    if (!probeSystemDirectory()) {                     // 2
        reason("TwainSetup: the system folder is not writable\n");
        return;
    }
    classifyWindows(ctx);                              // 3
    if (ctx->osCode == OsNt4) {                        // 4
        reason("TwainSetup: Windows NT 4.0 and older are not supported\n");
        return;
    }
    // Wide texts show every chosen language whatever the system's code page;
    // the 9x family has only the ANSI calls.
    useWideTexts(isNtFamily(ctx->osCode));
    if (runLanguagePage(ctx) < 0) return;              // 5
    if (runModelPage(ctx) < 0) {                       // 6
        // Stage 5 wrote the language library; nothing else will remove it.
        deleteLanguageLibrary();
        return;
    }
    loadLibraries(ctx);                                // 7
    runMaintenanceFlow(ctx);                           // 8
    unloadLibraries(ctx);                              // 9
}

}  // namespace

int runInstaller(InstallContext* ctx, const char* commandLine) {
    CommandLine cl;
    int valid = parseCommandLine(commandLine, &cl);
    // With /S anywhere on the line no window ever opens: a deployment tool's
    // account has nobody to close one, and the run would never end.
    if (!cl.silent && (cl.help || !valid)) {
        // The usage, the program's one message of its own, in the user's language.
        memset(ctx, 0, sizeof *ctx);
        classifyWindows(ctx);
        useWideTexts(isNtFamily(ctx->osCode));
        showTableMessage(programModule(), IDS_USAGE, IDS_USAGE_TITLE, " - TwainSetup " TW_VERSION_TEXT);
        return valid ? ExitDone : ExitBadCommandLine;
    }
    if (!valid || cl.help) {
        RunLog* log = cl.log ? openRunLog(cl.logPath) : NULL;
        logRunStart(log, commandLine);
        if (!valid) logLine(log, "not a valid switch: %s", cl.refused);
        else logLine(log, "/? with /S: nothing to show and nothing done");
        return finishRunLog(log, valid ? ExitDone : ExitBadCommandLine);
    }
    // The copy kept beside the driver removes it, from a temporary copy of
    // itself so that its own folder can go too; that copy claims the one-copy
    // guard, this one only waits for it.
    if (!cl.keptDir[0] && keptCopyFolder(cl.keptDir, sizeof cl.keptDir)) {
        int code = runTemporaryCopy(commandLine, cl.keptDir);
        if (code >= 0) return code;
    }
    // Before anything is written: a second copy would replace the running
    // one's language library in the system folder.
    InstanceClaim claim;
    if (!claimInstance(&claim)) {
        reason("TwainSetup: another copy is running\n");
        if (cl.silent) {
            // Logged where it can be: the running copy may hold the same file.
            RunLog* log = cl.log ? openRunLog(cl.logPath) : NULL;
            logRunStart(log, commandLine);
            logLine(log, "another copy of the program is running");
            return finishRunLog(log, ExitBusy);
        }
        showRunningInstance();
        return 0;
    }
    // A run cut short leaves the driver whole again before anything else.
    static char recovered[1024];
    char removedFolder[MAX_PATH];
    if (recoverInterruptedSet(recovered, sizeof recovered, removedFolder)) reason(recovered);
    setRecoveryNote(recovered);
    if (removedFolder[0]) {
        // The driver is gone: so is its entry among the installed programs.
        memset(ctx, 0, sizeof *ctx);
        classifyWindows(ctx);
        textCopy(ctx->targetDir, removedFolder);
        unregisterModel(ctx);
        memset(ctx, 0, sizeof *ctx);
    }
    int code = 0;
    if (cl.keptDir[0]) {
        code = runKeptRemoval(ctx, &cl, commandLine);
    } else if (cl.silent) {
        code = runUnattended(ctx, &cl, commandLine);
    } else {
        RunLog* log = cl.log ? openRunLog(cl.logPath) : NULL;
        logRunStart(log, commandLine);
        runStages(ctx, log);
        logLine(log, "outcome: %lu done, %lu failed", (unsigned long)ctx->outcome.done,
                (unsigned long)ctx->outcome.failures);
        closeRunLog(log);
    }
    releaseInstance(&claim);
    return code;
}
