// The work behind the progress page: one worker thread runs the install,
// upgrade or remove sequence chosen by the record's mode, shows each stage on
// the page as a percentage, and tells the page when it has finished. What the
// worker and the page expect of each other is in ui/progress.h.
#ifndef OPERATIONS_OPERATIONS_H
#define OPERATIONS_OPERATIONS_H

#include <windows.h>

#include "core/context.h"
#include "ui/progress.h"

// Stores the page in progressWindow, starts the worker on the record and
// stores its thread handle in workerThread; returns the handle. The worker
// closes the handle itself when it ends; nobody waits for it. prompt is the
// address prompt of an install without an address (null: none, as if
// cancelled); it stays for the process.
HANDLE startWorker(HWND page, InstallContext* ctx, AddressPromptFn prompt);

// The worker's body: the sequence for mode (1 install, 2 upgrade, 3 remove,
// anything else nothing), framed by hiding and showing button 2, then
// WM_TW_WORKER_DONE. Returns 0.
int runOperation(InstallContext* ctx);

// Shows "<IDS_PROCESS_STEP> (<percent>%)..." in IDC_STATUS_TEXT, moves IDC_PROGRESS_BAR to percent
// and pauses the worker. Does nothing at all while progressWindow is null.
void reportProgress(InstallContext* ctx, int percent);

// The pause after every progress report, for the whole process: 1000 ms in
// the product; tests shorten it.
void setProgressPause(unsigned long milliseconds);

// Install: turns into an upgrade (mode 2) when the data-source folder is
// already there (the presence query sets targetDir); prompts for the address
// when a network install has none, with the product id of hardwareId, which
// it reads again from the INF with the NTx86 fallback (a cancelled prompt
// ends the page and the sequence); reports 20, copies,
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
// data-source file of the model from sourceDir, replacing what is there;
// sets settingsPath from the data-source file's name.
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
