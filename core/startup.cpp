#include "core/startup.h"

#include <windows.h>
#include <string.h>

#include "core/instance.h"
#include "core/libraries.h"
#include "core/oscode.h"
#include "core/system.h"
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

// Stages 1 to 9 of a run; the exit code is the caller's.
void runStages(InstallContext* ctx) {
    memset(ctx, 0, sizeof *ctx);                       // 1
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

int runInstaller(InstallContext* ctx) {
    // Before anything is written: a second copy would replace the running
    // one's language library in the system folder.
    InstanceClaim claim;
    if (!claimInstance(&claim)) {
        reason("TwainSetup: another copy is running\n");
        showRunningInstance();
        return 0;
    }
    runStages(ctx);
    releaseInstance(&claim);
    return 0;
}
