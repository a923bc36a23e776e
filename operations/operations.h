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
// ends the page and the sequence); reports 20, copies, writes the settings
// file for a network install, reports 40, 60, 100. A failed copy or settings
// file ends the sequence after 20 with everything undone (ctx->outcome says
// what failed).
void installDriver(InstallContext* ctx);
// Upgrade: 20, every file replaced or none, 60, 100. No prompt, no settings.
void upgradeDriver(InstallContext* ctx);
// Remove: 100, 80, data-source folder, 60, OEM INF files, 20, devices, 0.
// Removes what it can; what stays is recorded in ctx->outcome.
void removeDriver(InstallContext* ctx);

// The install's copy step: the copy, and for a network install the settings
// file with it. Returns 1 when all of it was done; 0 with nothing changed.
int copyAndConfigure(InstallContext* ctx);
// Creates "TWAIN_32" under the Windows folder and targetDir where they are
// missing, then puts each data-source file of the model from sourceDir in
// place, all of them or none; with withSettings, the settings file too, after
// the files. Sets settingsPath from the data-source file's name. Returns 1
// when everything was done; 0 when anything failed (no usable targetDir, no
// data-source file, an unsafe name, a missing source, a copy or settings
// write that failed): then what this call made is taken away again, every
// replaced file has its old content back and the settings file is as before.
// Each step is recorded in ctx->outcome.
int copyDataSourceFiles(InstallContext* ctx, int withSettings);

// Deletes every file in targetDir, then the folder when it is empty. Never
// touches the Windows folder itself. What cannot be deleted is recorded.
void removeTargetDir(InstallContext* ctx);

#endif
