// The work behind the progress page: one worker thread runs the install,
// upgrade or remove sequence chosen by the record's mode, shows each stage on
// the page as a percentage, and tells the page when it has finished.
//
// The page's controls that the worker drives: button 2 (hidden and disabled
// while the worker runs), progress bar 1011 (range 0 to 100, set by the page)
// and step text 1013.
#ifndef OPERATIONS_OPERATIONS_H
#define OPERATIONS_OPERATIONS_H

#include "core/context.h"

enum {
    // Sent (synchronously) by the worker when its sequence has ended and
    // button 2 is enabled and shown again; both parameters 0.
    EndMessage = 0x801E,      // WM_APP + 30
    // Sent (synchronously) by the worker when the user cancelled the address
    // prompt, before anything was touched: the page ends itself with 0 on its
    // own thread, at once or when the EndMessage that still follows arrives.
    // (A page that ended at once is gone by then; the message goes nowhere.)
    EndPageMessage = 0x801F,  // WM_APP + 31
};

enum {
    ProgressButtonId = 2,
    ProgressBarId = 1011,
    ProgressTextId = 1013,
    ProcessStepStringId = 39,  // "Process step"
};

// Stores the page in progressWindow, starts the worker on the record and
// stores its thread handle in workerThread; returns the handle (a HANDLE).
// The worker closes the handle itself when it ends; nobody waits for it.
void* startWorker(void* page, InstallContext* ctx);

// The worker's body: the sequence for mode (1 install, 2 upgrade, 3 remove,
// anything else nothing), framed by hiding and showing button 2, then
// EndMessage. Returns 0.
int runOperation(InstallContext* ctx);

// Shows "<string 39> (<percent>%)..." in text 1013, moves bar 1011 to percent
// and pauses the worker. Does nothing at all while progressWindow is null.
void reportProgress(InstallContext* ctx, int percent);

// The pause after every progress report, for the whole process: 1000 ms in
// the product; tests shorten it.
void setProgressPause(unsigned long milliseconds);

// Install: turns into an upgrade (mode 2) when the data-source folder is
// already there; prompts for the address when a network install has none
// (a cancelled prompt ends the page and the sequence); reports 20, copies,
// writes the settings file for a network install, reports 40, 60, 100.
void installDriver(InstallContext* ctx);
// Upgrade: 20, copy over the old files, 60, 100. No prompt, no settings.
void upgradeDriver(InstallContext* ctx);
// Remove: 100, 80, data-source folder, 60, OEM INF files, 20, devices, 0.
void removeDriver(InstallContext* ctx);

// The install's copy step: the copy, and for a network install the settings
// file after it. Returns 1.
int copyAndConfigure(InstallContext* ctx);
// Creates "TWAIN_32" under the Windows folder and targetDir, then copies each
// data-source file of the model from sourceDir, replacing what is there.
// With no usable targetDir nothing is created and nothing copied.
void copyDataSourceFiles(InstallContext* ctx);

// Copies source to target so that target is, at every moment, either its old
// self whole or the new file whole: the copy goes to a temporary file in
// folder first and takes target's place only once complete. A copy that fails
// (a full disk, an unreadable source) leaves no partial file behind, and a
// target that cannot be replaced (read-only, held open) stays as it was.
// Returns whether target now holds the new file.
int replaceFile(const char* source, const char* target, const char* folder);
// Deletes every file in targetDir, then the folder when it is empty. Never
// touches the Windows folder itself.
void removeTargetDir(InstallContext* ctx);

#endif
