// The model's data-source files, put in place all together or not at all.
// Each new file is first copied whole into a temporary file beside its
// target; only when every one is complete do they take their targets' places,
// each old file kept aside until the whole set is finished, so that a set
// that fails anywhere leaves every target as it was, byte for byte.
#ifndef OPERATIONS_FILESET_H
#define OPERATIONS_FILESET_H

#include <windows.h>
#include <stdint.h>

#include "core/outcome.h"

struct SetFile {
    char source[MAX_PATH];
    char target[MAX_PATH];
    char staged[MAX_PATH];      // the new content, whole, until it is placed
    char backup[MAX_PATH];      // the old content, until the set is finished or undone
    char stagedName[MAX_PATH];  // the names the journal gives: the staged file's,
    char backupName[MAX_PATH];  // and the one the old file steps aside to (".old")
    uint32_t size;
    int placed;
    int hadOld;                 // a file stood at target when placing began
};

struct FileSet {
    SetFile* files;
    unsigned count;
    unsigned capacity;
    char folder[MAX_PATH];  // where the temporary files go: the targets' folder
    Outcome* outcome;       // every copy, placement and undo is recorded here
};

// An empty set for at most capacity files whose targets are in folder.
// Returns 0 (and records nothing) when there is no memory for it.
int fileSetOpen(FileSet* set, const char* folder, unsigned capacity, Outcome* outcome);
// Copies source whole into a temporary file beside target. A target that is
// a folder cannot be replaced, and a source that cannot be read or a copy
// that does not fit fails: recorded, and 0.
int fileSetStage(FileSet* set, const char* source, const char* target);
// Puts every staged file in its target's place. When one cannot be placed,
// every target already replaced gets its old content back; recorded, and 0.
int fileSetPlace(FileSet* set);
// Instead of fileSetPlace, while a program holds the targets: every staged
// file takes its target's place at the next restart, all in one go, so that
// the old set stays whole until then and the new one is whole after it. Each
// is recorded. When one cannot be scheduled, nothing changes: 0.
int fileSetSchedule(FileSet* set);
// After a successful fileSetPlace: every target back as it was before.
void fileSetUndo(FileSet* set);
// Drops the kept old files and records each file copied: the set stays as
// placed. Then, as fileSetClose, frees the set.
void fileSetFinish(FileSet* set);
// Deletes what is left staged and frees the set (after any outcome).
void fileSetClose(FileSet* set);

// The next start after a run that was cut short while a set was staged or
// placed (its journal is still in the TWAIN_32 folder): every target back to
// its old content, or, when every new file was in place, the old ones
// dropped; then every staged or old file the run left in its folder deleted,
// and the journal. Returns 0 when there was nothing to do, else 1 with what
// was done in summary.
// A removal cut short (journalRemoval): the rest of its folder's files and
// the folder deleted, the folder's path in removed (empty otherwise), so that
// the caller can take its entry among the installed programs away as well.
int recoverInterruptedSet(char* summary, size_t cap, char (&removed)[MAX_PATH]);
// Deletes what runs cut short left in folder: staged new files and old files
// stepped aside ("tws*.tmp", "tws*.old"), or with only, the files matching
// it. Those still in use stay.
void deleteLeftovers(const char* folder, const char* only = nullptr);
// The journal of a removal about to empty folder, and its end (also that of
// a file set, which fileSetClose drops by itself).
void journalRemoval(const char* folder);
void dropJournal(void);

// Copies source to target as CopyFileA would (content, attributes, last
// write time), in large blocks. Returns 0 or the Win32 error; a failed copy leaves
// no target behind. size gets the bytes copied.
DWORD copyWholeFile(const char* source, const char* target, uint32_t* size);

#endif
