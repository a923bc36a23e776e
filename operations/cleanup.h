// Driver clean-up of a removal: the OEM INF files of the Windows INF folder
// that name the model's hardware id, and the model's device entries. The
// Windows 9x family and the NT family take different paths (by osCode).
#ifndef OPERATIONS_CLEANUP_H
#define OPERATIONS_CLEANUP_H

#include "core/context.h"

// ---- pure (operations/cleanup.cpp) ---------------------------------------

// A wildcard listing of "OEM*.INF" also matches through 8.3 short names
// (a long name "oemsetup.infx" has the short name OEMSET~1.INF); only names
// that themselves begin with "OEM" and end in ".INF", in any letter case, count.
int isOemInfName(const char* name);

// Walks a hardware-id list (texts one after another, each ending in a NUL) of
// size bytes as the system reported it. Returns the entry at *offset when it
// begins inside size and is not empty, and moves *offset past it; else null.
// The caller keeps a NUL after the reported size, so that an entry that the
// system left unterminated still ends inside the buffer.
char* nextListEntry(char* list, unsigned size, unsigned* offset);

// The data-source folder may be created, filled and emptied only when it is
// named at all and is not the Windows folder itself (with or without a
// trailing backslash, in any letter case).
int isUsableTargetDir(const char* targetDir, const char* windowsDir);

// ---- Win32 glue (operations/cleanup_win.cpp) --------------------------------

// Re-reads hardwareId from section ModelList of the INF (no fallback), then:
// osCode 2400 nothing more; below 2500 the legacy patterns of the record,
// which nothing fills, so nothing is deleted; 2500 and above, when the id is
// not empty, deletes every "OEM*.INF" file of the Windows INF folder whose
// bytes contain the id, literally and case-sensitively, as 8-bit text or as
// UTF-16LE text. Each deletion is recorded in ctx->outcome.
void removeOemInfFiles(InstallContext* ctx);

// Below 2500: deleteEnumKey with hardwareId. 2500 and above: upper-cases
// hardwareId in place and removes every device entry, present or not, one of
// whose hardware ids equals it regardless of letter case. Runs after
// removeOemInfFiles, which fills hardwareId. Each entry removed, or not, is
// recorded in ctx->outcome.
void removeDevices(InstallContext* ctx);

// Windows 95, 98 and Me (osCode 1490 and below) with a non-empty id: deletes
// HKEY_LOCAL_MACHINE\Enum\<id> with all its subkeys. Otherwise nothing.
void deleteEnumKey(InstallContext* ctx, const char* hardwareId);

// Deletes every file of directory that matches the wildcard pattern, after
// setting its attributes to normal. An empty pattern deletes nothing;
// subdirectories stay; "." and ".." are passed over. With an outcome, each
// deletion is recorded (a subdirectory as one that failed).
void deleteMatchingFiles(const char* directory, const char* pattern, Outcome* outcome = 0);

#endif
