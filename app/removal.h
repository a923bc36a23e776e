// A removal started from the installed programs: the copy of the program
// that the install keeps beside the driver's folder (with the INF and a
// removal file) runs the removal from a temporary copy of itself, so that
// its own folder can go too, and waits for it to hand on its exit code.
#ifndef APP_REMOVAL_H
#define APP_REMOVAL_H

#include <stddef.h>

#include "app/cmdline.h"
#include "core/context.h"

// Whether the running program is such a copy: a removal file beside it.
// Sets dir to its folder.
int keptCopyFolder(char* dir, size_t cap);

// Runs a temporary copy of the program with the command line's switches and
// /keptcopy=DIR, waits for it and returns its exit code, after deleting it.
// -1 when no copy could be started: the removal then runs in this process.
int runTemporaryCopy(const char* commandLine, const char* keptDir);

// The removal for the kept copy in cl->keptDir: with /S without a window
// (exit codes of the unattended mode), else the confirmation page in the
// language of the install and the progress page (0).
int runKeptRemoval(InstallContext* ctx, const CommandLine* cl, const char* commandLine);

#endif
