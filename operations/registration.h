// The driver among Windows' installed programs (Programs and Features, Add or
// Remove Programs, winget, deployment tools): one Uninstall entry per model,
// and beside the model's data-source folder a folder of its own holding a
// copy of the program, the package's INF and a small removal file, from
// which the entry's command removes the model without the package.
#ifndef OPERATIONS_REGISTRATION_H
#define OPERATIONS_REGISTRATION_H

#include <stddef.h>

#include "core/context.h"

// ---- pure (operations/registration.cpp) -------------------------------------

// The entry's key name: "TwainSetup_" and the data-source folder's own name,
// cut to 62 characters in all (Windows 95 passes over longer ones); the same
// for the same model on every run. 0 with out empty when targetDir names no
// folder or cap is too small.
int uninstallKeyName(const char* targetDir, char* out, size_t cap);
// The folder of the copy: targetDir and "_Setup", beside it, never inside
// (the data-source folder holds exactly the package's files). 0 when it does
// not fit or targetDir is empty.
int keptFolderPath(const char* targetDir, char* out, size_t cap);
// The version of an INF DriverVer value "mm/dd/yyyy,1.2.3.4": what follows
// the comma, blanks trimmed, else the date. 0 with out empty when nothing is
// left.
int driverVersion(const char* driverVer, char* out, size_t cap);

// ---- Win32 glue (operations/registration_win.cpp) ---------------------------

// The files of the folder of the copy.
extern const char kKeptProgramName[];  // "TwainSetup.exe"
extern const char kRemovalFileName[];  // "Removal.ini": [Removal] Model, Language, Inf

// After a complete install or upgrade: puts the copy of the running program,
// the INF and the removal file in the folder of the copy, then writes the
// entry (HKLM, the 32-bit view on 64-bit Windows), every value told to the
// outcome's observer as an ActionRegister item. Without the copy there is no
// entry: its command would name a program that is not there.
void registerModel(InstallContext* ctx);
// After a removal that left nothing: deletes the entry and the folder of the
// copy; a file that is in use (the program that started this removal runs
// from there) is deleted at the next restart.
void unregisterModel(InstallContext* ctx);
// The removal file of the folder keptDir into the record: infPath (the INF
// kept there), modelNumber, languageId and modelName. Returns 1 when it names
// a model with its INF.
int readRemovalFile(InstallContext* ctx, const char* keptDir);
// Moves from to to at the next restart, replacing what stands there, or with
// to null deletes from: MoveFileEx on the NT family, a line at the end of the
// [rename] section of WININIT.INI on Windows 95, 98 and Me ("NUL=" deletes).
// Lines are carried out in the order they were added. Returns 1 when it is
// scheduled.
int moveAtRestart(const char* from, const char* to);
inline int deleteAtRestart(const char* path) { return moveAtRestart(path, nullptr); }

#endif
