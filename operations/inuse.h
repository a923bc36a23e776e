// Files of the driver that another program holds. A scanning application
// keeps the data source open, or loaded, while it uses the scanner; such a
// file can be neither overwritten nor deleted until that program lets go.
// Each sequence looks for one before it changes anything, so that the wizard
// can ask the user to close the program, and an unattended run can leave
// every change to the next restart instead of doing half of it now.
#ifndef OPERATIONS_INUSE_H
#define OPERATIONS_INUSE_H

#include <stddef.h>

#include "core/context.h"

// Whether path can be overwritten and deleted now: 0 when a program holds it
// open or has it loaded; 1 otherwise (a missing file included).
int fileIsFree(const char* path);

// The first file that the sequence of ctx->mode would replace or delete in
// ctx->targetDir and that a program holds: 1 with its full path in path;
// 0 (and an empty path) when every one is free.
int findHeldFile(const InstallContext* ctx, char* path, size_t cap);

// The name of a program that holds path, as Windows tells it (the Restart
// Manager, Windows Vista and later): 1 with the name; 0 where Windows cannot
// say.
int nameHolder(const char* path, char* name, size_t cap);

#endif
