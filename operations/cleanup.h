// Driver clean-up of a removal: the OEM INF files of the Windows INF folder
// that name the model's hardware id, and the model's device entries. The
// Windows 9x family and the NT family take different paths (by osCode).
#ifndef OPERATIONS_CLEANUP_H
#define OPERATIONS_CLEANUP_H

#include "core/context.h"

// Re-reads hardwareId from section ModelList of the INF (no fallback), then:
// osCode 2400 nothing more; below 2500 the legacy patterns of the record,
// which nothing fills, so nothing is deleted; 2500 and above, when the id is
// not empty, deletes every "OEM*.INF" file of the Windows INF folder whose
// bytes contain the id, literally and case-sensitively, as 8-bit text or as
// UTF-16LE text.
void removeOemInfFiles(InstallContext* ctx);

// Below 2500: deleteEnumKey with hardwareId. 2500 and above: upper-cases
// hardwareId in place and removes every device entry, present or not, one of
// whose hardware ids equals it regardless of letter case. Runs after
// removeOemInfFiles, which fills hardwareId.
void removeDevices(InstallContext* ctx);

// Windows 95, 98 and Me (osCode 1490 and below) with a non-empty id: deletes
// HKEY_LOCAL_MACHINE\Enum\<id> with all its subkeys. Otherwise nothing.
void deleteEnumKey(InstallContext* ctx, const char* hardwareId);

// Deletes every file of directory that matches the wildcard pattern, after
// setting its attributes to normal. An empty pattern deletes nothing;
// subdirectories stay; "." and ".." are passed over.
void deleteMatchingFiles(const char* directory, const char* pattern);

#endif
