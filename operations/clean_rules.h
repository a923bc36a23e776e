// Small rules of the removal that need no Windows call: which listed INF
// names are OEM INF files, how a device's hardware-id list is walked, and
// which data-source folder may be emptied at all.
#ifndef OPERATIONS_CLEAN_RULES_H
#define OPERATIONS_CLEAN_RULES_H

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

#endif
