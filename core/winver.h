// Fills the record's osCode from the running system's version answers.
#ifndef CORE_WINVER_H
#define CORE_WINVER_H

#include "core/context.h"

void classifyWindows(InstallContext* ctx);

#endif
