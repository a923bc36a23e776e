#include "app/unattended.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/oscode.h"
#include "app/startup.h"
#include "core/system.h"
#include "core/text.h"
#include "core/version.h"
#include "operations/inuse.h"
#include "operations/operations.h"
#include "operations/registration.h"
#include "operations/settings.h"
#include "package/languages.h"
#include "package/package.h"

struct RunLog {
    HANDLE file;
};

namespace {

RunLog g_log;

// ANSI text of the system's code page as UTF-8 (Windows 95 has no UTF-8
// conversion: its bytes are written as they are).
void writeUtf8(HANDLE file, const char* text) {
    WCHAR wide[1200];
    char utf8[3600];
    DWORD written = 0;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 1200);
    int m = n > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, n - 1, utf8, sizeof utf8, NULL, NULL) : 0;
    if (m > 0) WriteFile(file, utf8, (DWORD)m, &written, NULL);
    else WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
}

const char* actionName(OutcomeAction a) {
    switch (a) {
    case ActionCreateFolder: return "create folder";
    case ActionCopyFile: return "copy";
    case ActionPlaceFile: return "put in place";
    case ActionWriteSettings: return "write settings file";
    case ActionDeleteFile: return "delete file";
    case ActionRemoveFolder: return "remove folder";
    case ActionDeleteOemInf: return "delete OEM INF";
    case ActionRemoveDevice: return "remove device entry";
    case ActionUndo: return "undo";
    case ActionLeaveOldFile: return "old file left behind";
    case ActionRegister: return "installed programs";
    case ActionReplaceAtRestart: return "put in place at the next restart";
    case ActionDeleteAtRestart: return "delete at the next restart";
    default: return "step";
    }
}

}  // namespace

void logOutcomeItem(void* data, const OutcomeItem* item) {
    RunLog* log = (RunLog*)data;
    if (item->error == 0) {
        if (item->action == ActionCopyFile)
            logLine(log, "copy: %s -> %s (%lu bytes)", item->path, item->target, (unsigned long)item->size);
        else if (item->action == ActionReplaceAtRestart)
            logLine(log, "%s: %s (now %s, %lu bytes)", actionName(item->action), item->path, item->target,
                    (unsigned long)item->size);
        else logLine(log, "%s: %s", actionName(item->action), item->path);
        return;
    }
    char text[256] = "";
    const char* kind = item->action == ActionLeaveOldFile || item->action == ActionRegister ? "NOTE" : "FAILED";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, item->error, 0, text, sizeof text, NULL);
    for (char* c = text; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';
    logLine(log, "%s %s: %s: error %lu: %s", kind, actionName(item->action), item->path, (unsigned long)item->error, text);
}

namespace {

}  // namespace

namespace {
const char* g_recoveryNote = "";
}  // namespace

void setRecoveryNote(const char* note) { g_recoveryNote = note ? note : ""; }

void logRunStart(RunLog* log, const char* commandLine) {
    logLine(log, "TwainSetup " TW_VERSION_TEXT);
    logLine(log, "command line: %s", commandLine);
    if (g_recoveryNote[0]) logLine(log, "%s", g_recoveryNote);
}

namespace {

// The model of the command line: its number (16, 18, 21, 22) or its name as
// the INF gives it (letter case ignored); the only one when none is named.
int chooseModel(const ModelList& models, const char* wanted, const ModelEntry** out) {
    *out = NULL;
    if (!wanted[0]) {
        if (models.count == 1) *out = &models.models[0];
        return *out != NULL;
    }
    for (int i = 0; i < models.count; ++i) {
        char number[16];
        textFormat(number, sizeof number, "%lu", (unsigned long)models.models[i].number);
        if (strcmp(number, wanted) == 0 || lstrcmpiA(models.models[i].name, wanted) == 0) *out = &models.models[i];
    }
    return *out != NULL;
}

// The end of a run: its reason, its exit code, the log closed.
int finish(RunLog* log, int code, const char* why) {
    if (why) logLine(log, "%s", why);
    return finishRunLog(log, code);
}

}  // namespace

RunLog* openRunLog(const char* path) {
    char name[MAX_PATH];
    if (path && path[0]) {
        // A name that does not fit is no name: a cut one is another file.
        if (!textCopy(name, path)) return NULL;
        g_log.file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        return g_log.file == INVALID_HANDLE_VALUE ? NULL : &g_log;
    }
    char temp[MAX_PATH];
    if (!readTempDirectory(temp, sizeof temp)) return NULL;
    SYSTEMTIME t;
    GetLocalTime(&t);
    // Runs in a row within one millisecond, or a clock set back, still get
    // names of their own: CREATE_NEW never takes over an earlier run's log.
    for (unsigned n = 0; n < 100; ++n) {
        char base[64];
        textFormat(base, sizeof base, "TwainSetup-%04u%02u%02u-%02u%02u%02u-%03u", t.wYear, t.wMonth, t.wDay,
                   t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
        if (n) textFormat(base + strlen(base), sizeof base - strlen(base), "-%u", n);
        if (!textCopy(name, temp) || !textAppend(name, base) || !textAppend(name, ".log")) return NULL;
        g_log.file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (g_log.file != INVALID_HANDLE_VALUE) return &g_log;
        DWORD e = GetLastError();
        if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) return NULL;
    }
    return NULL;
}

void logLine(RunLog* log, const char* format, ...) {
    if (!log) return;
    char line[2048];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) line[0] = '\0';
    writeUtf8(log->file, line);
    writeUtf8(log->file, "\r\n");
}

void closeRunLog(RunLog* log) {
    if (log) CloseHandle(log->file);
}

int finishRunLog(RunLog* log, int code) {
    logLine(log, "exit code %d", code);
    closeRunLog(log);
    return code;
}

int runUnattended(InstallContext* ctx, const CommandLine* cl, const char* commandLine) {
    RunLog* log = cl->log ? openRunLog(cl->logPath) : NULL;
    logRunStart(log, commandLine);
    memset(ctx, 0, sizeof *ctx);
    if (!probeSystemDirectory()) return finish(log, ExitFailed, "the system folder is not writable");
    classifyWindows(ctx);
    OSVERSIONINFOA v;
    memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    logLine(log, "Windows: code %u, version %lu.%lu build %lu", ctx->osCode, (unsigned long)v.dwMajorVersion,
            (unsigned long)v.dwMinorVersion, (unsigned long)(v.dwBuildNumber & 0xFFFF));
    if (ctx->osCode == OsNt4) return finish(log, ExitFailed, "Windows NT 4.0 and older are not supported");
    if (!readPackageRoot(ctx)) return finish(log, ExitFailed, "the current folder cannot be read");
    logLine(log, "package: %s", ctx->packageRoot);

    LanguageList found;
    const char* osFolder = listPackageLanguages(ctx->packageRoot, ctx->osCode, &found);
    LanguageId language = 0;
    for (int i = 0; i < found.count; ++i)
        for (int k = 0; k < LanguageCount; ++k)
            if (languageTable()[k].id == found.ids[i] && lstrcmpiA(languageTable()[k].folder, cl->language) == 0)
                language = found.ids[i];
    if (!language || !buildSourceDir(ctx, osFolder, language)) {
        logLine(log, "language folder %s is not in %s\\%s", cl->language, ctx->packageRoot, osFolder);
        return finish(log, ExitBadCommandLine, NULL);
    }
    ctx->languageId = language;
    logLine(log, "language folder: %s", ctx->sourceDir);
    locateInf(ctx);
    ModelList models;
    listModels(ctx->infPath, &models);
    const ModelEntry* model;
    if (!chooseModel(models, cl->model, &model)) {
        logLine(log, "model \"%s\" is not one of the %d of %s", cl->model, models.count, ctx->infPath);
        return finish(log, ExitBadCommandLine, NULL);
    }
    ctx->modelNumber = model->number;
    readModelName(ctx->infPath, ctx->modelNumber, ctx->modelName, sizeof ctx->modelName);
    logLine(log, "model: %lu, %s", (unsigned long)ctx->modelNumber, ctx->modelName);

    // The data-source file makes an installed driver: a folder without it
    // is what an interrupted run or an unfinished removal left behind.
    int folder = isDriverPresent(ctx);
    int installed = folder && hasDataSourceFile(ctx);
    if (folder && !installed) logLine(log, "found %s without its data-source file: no installed driver", ctx->targetDir);
    else logLine(log, "found: %s", installed ? ctx->targetDir : "no folder of the model");
    ctx->mode = cl->mode;
    if (cl->mode == ModeInstall && !installed && !cl->address[0])
        return finish(log, ExitBadCommandLine, "an install needs the scanner's address (/ip=A.B.C.D)");
    // A removal also takes away what an unfinished run left; an upgrade
    // needs a driver to upgrade.
    if (cl->mode == ModeRemove ? !folder : cl->mode == ModeUpgrade && !installed)
        return finish(log, ExitNotInstalled, "the model is not installed");
    int upgrade = cl->mode != ModeRemove && installed;
    // An address given is always written, so that deploying again moves
    // users to a new scanner address; an upgrade without one keeps the file.
    textCopy(ctx->scannerAddress, cl->address);
    ctx->useNetwork = 1;
    if (cl->mode != ModeRemove) ctx->mode = upgrade ? ModeUpgrade : ModeInstall;
    logLine(log, "operation: %s", cl->mode == ModeRemove ? "remove" : upgrade ? "upgrade" : "install");
    if (upgrade) logLine(log, cl->address[0] ? "settings file: the address is written" : "settings file: kept as it is (no /ip)");
    ctx->outcome.observer = logOutcomeItem;
    ctx->outcome.observerData = log;
    // No one to ask to close the program that holds the driver: every change
    // to its folder is left whole to the next restart instead.
    char held[MAX_PATH], holder[256];
    if (findHeldFile(ctx, held, sizeof held)) {
        ctx->atRestart = 1;
        logLine(log, "in use: %s (%s): its folder changes at the next restart", held,
                nameHolder(held, holder, sizeof holder) ? holder : "by a program Windows does not name");
    }
    // No page: the sequence runs here, without progress or pauses.
    outcomeReset(&ctx->outcome);
    if (cl->mode == ModeRemove) removeDriver(ctx);
    else if (copyDataSourceFiles(ctx, cl->address[0] != '\0')) registerModel(ctx);
    if (cl->mode != ModeRemove && cl->address[0] && ctx->outcome.failures == 0 && ctx->settingsPath[0])
        logLine(log, "settings file: %s [%s] ip0=%s", ctx->settingsPath, ctx->modelName, ctx->scannerAddress);
    const Outcome& o = ctx->outcome;
    logLine(log, "outcome: %lu done, %lu failed, %lu old files left behind", (unsigned long)o.done,
            (unsigned long)o.failures, (unsigned long)o.leftBehind);
    if (o.atRestart) logLine(log, "outcome: %lu changes at the next restart", (unsigned long)o.atRestart);
    return finish(log, o.failures ? ExitFailed : o.atRestart ? ExitRestartNeeded : ExitDone, NULL);
}
