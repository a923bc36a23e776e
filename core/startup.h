// The start-up routine: the ten stages of a run over one InstallContext.
#ifndef CORE_STARTUP_H
#define CORE_STARTUP_H

#include "core/context.h"

// Creates, closes and deletes "TEST.T" in the system folder: the installer
// must be able to write there (it puts its libraries there for the run).
int probeSystemDirectory(void);

// Runs the whole installer on the given record; while another copy runs, only
// brings that copy to the front. Always returns 0, the exit code of every
// run, however it ended.
int runInstaller(InstallContext* ctx);

#endif
