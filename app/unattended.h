// An unattended run for deployment tools: the wizard's own sequence with no
// window, no pause and no search, chosen by the command line, ending in a
// Windows Installer exit code and, with /log, a UTF-8 log.
#ifndef APP_UNATTENDED_H
#define APP_UNATTENDED_H

#include "app/cmdline.h"
#include "core/context.h"

enum ExitCode {
    ExitDone = 0,
    ExitRestartNeeded = 3010, // done; a program held the driver, so its files
                              // change at the next restart
    ExitFailed = 1603,        // the system as before for an install or upgrade
    ExitNotInstalled = 1605,  // upgrade or removal of a model that is not there
    ExitBusy = 1618,          // another copy is running
    ExitBadCommandLine = 1639,
};

// Runs the command line's operation on the record (zero-filled here), as the
// only copy (the caller holds the claim). Returns the exit code.
int runUnattended(InstallContext* ctx, const CommandLine* cl, const char* commandLine);

// The log of a run: the default name is a new
// TwainSetup-YYYYMMDD-HHMMSS-mmm[-N].log in the temporary folder, never one
// that exists (the log of an earlier run is kept); /log=FILE is replaced.
// Lines are UTF-8.
struct RunLog;
RunLog* openRunLog(const char* path);
void logLine(RunLog* log, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void closeRunLog(RunLog* log);
// The last line of a run ("exit code N"), the log closed; returns code.
int finishRunLog(RunLog* log, int code);
// The first lines of every log: the program's version and its command line,
// then what the start did about a run cut short, when it did anything
// (setRecoveryNote).
void logRunStart(RunLog* log, const char* commandLine);
void setRecoveryNote(const char* note);
// An outcome observer (data: the RunLog) that writes each item as a line:
// each file copied with its size, each failure with its Win32 error and text.
void logOutcomeItem(void* log, const OutcomeItem* item);

#endif
