// The start-up routine: the ten stages of a run over one InstallContext.
#ifndef APP_STARTUP_H
#define APP_STARTUP_H

#include "core/context.h"

// Creates, closes and deletes "TEST.T" in the system folder: the installer
// must be able to write there (it puts its libraries there for the run).
int probeSystemDirectory(void);

// Runs the installer on the given record as its command line asks (the
// program's name first; null or no switch: the wizard). The wizard's exit
// code is 0 however it ended; while another copy runs, a wizard start only
// brings that copy to the front. /? shows the usage; /S runs unattended and
// returns its exit code (app/unattended.h).
int runInstaller(InstallContext* ctx, const char* commandLine = 0);

#endif
