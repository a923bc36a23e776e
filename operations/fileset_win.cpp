#include "operations/fileset.h"

#include <string.h>

#include "core/system.h"
#include "core/text.h"
#include "operations/cleanup.h"
#include "operations/registration.h"

namespace {

// A free temporary name in folder. GetTempFileName makes the file itself
// (so that no other caller takes the name); keep says whether it stays.
int temporaryName(const char* folder, char* name, int keep) {
    if (!GetTempFileNameA(folder, "tws", 0, name)) {
        name[0] = '\0';
        return 0;
    }
    if (!keep) DeleteFileA(name);
    return 1;
}

// Deletes a file that may carry the read-only attribute of its source.
BOOL deleteAnyFile(const char* path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path);
}

int isThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// ---- the journal -------------------------------------------------------------
// Written before any target moves, so that a run cut short (the program
// crashed or was ended from outside) can be put right by the next start
// (recoverInterruptedSet): one per computer, in the TWAIN_32 folder, since
// only one copy of the program runs at a time. Text lines: a header, the
// folder, the state, then one line per file: target|staged|backup|had-old.
//   placing, undoing  every target goes back to its old content
//   placed            every new file is in place: the old ones are dropped
//   removing          a removal had begun: the rest of the folder goes too
const char kJournalName[] = "TwainSetup.jnl";
const char kJournalHeader[] = "TwainSetup journal 1";

int journalPath(char (&path)[MAX_PATH]) {
    char windowsDir[MAX_PATH], twain[MAX_PATH];
    return windowsFolder(windowsDir) && pathJoin(twain, windowsDir, "TWAIN_32") &&
           GetFileAttributesA(twain) != INVALID_FILE_ATTRIBUTES && pathJoin(path, twain, kJournalName);
}

int putText(HANDLE h, const char* text) {
    DWORD n = 0, length = (DWORD)strlen(text);
    return WriteFile(h, text, length, &n, NULL) && n == length;
}

// The journal as the set stands. It is written, not flushed: what it guards
// against is a run that ends abruptly (killed, crashed), after which the
// system's cache still holds every write. Flushing it made the file system
// write out the staged files first, 100 ms and more for a 200 MB driver on
// every placement, and without flushing those files as well a power cut
// would not be covered anyway; no installer flushes them.
void writeJournal(const FileSet* set, const char* state) {
    char path[MAX_PATH];
    if (!journalPath(path)) return;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return;
    char line[4 * MAX_PATH + 16];
    int ok = putText(h, kJournalHeader) && putText(h, "\r\nfolder=") && putText(h, set->folder) &&
             putText(h, "\r\nstate=") && putText(h, state) && putText(h, "\r\n");
    for (unsigned i = 0; ok && i < set->count; ++i) {
        const SetFile* f = &set->files[i];
        ok = textFormat(line, sizeof line, "file=%s|%s|%s|%d\r\n", f->target, f->stagedName, f->backupName, f->hadOld) &&
             putText(h, line);
    }
    CloseHandle(h);
}

}  // namespace

void dropJournal(void) {
    char path[MAX_PATH];
    if (journalPath(path)) DeleteFileA(path);
}

void journalRemoval(const char* folder) {
    FileSet set;
    memset(&set, 0, sizeof set);
    if (textCopy(set.folder, folder)) writeJournal(&set, "removing");
}

namespace {

// An undo step: recorded only when it fails (the undo of a run is not news).
void undoFailed(Outcome* outcome, const char* path) { outcomeRecord(outcome, ActionUndo, path, lastErrorOr(ERROR_GEN_FAILURE), 0); }

}  // namespace

int fileSetOpen(FileSet* set, const char* folder, unsigned capacity, Outcome* outcome) {
    memset(set, 0, sizeof *set);
    set->outcome = outcome;
    textCopy(set->folder, folder);
    if (capacity == 0) return 1;
    set->files = (SetFile*)LocalAlloc(LPTR, capacity * sizeof(SetFile));
    if (!set->files) return 0;
    set->capacity = capacity;
    // Staged files are new names in the folder: a run cut short while
    // copying leaves them to the next start to delete.
    writeJournal(set, "staging");
    return 1;
}

int fileSetStage(FileSet* set, const char* source, const char* target) {
    if (set->count >= set->capacity) return outcomeRecord(set->outcome, ActionCopyFile, source, ERROR_NOT_ENOUGH_MEMORY, 0);
    // A folder standing where the file goes is refused before anything is
    // touched. A read-only old file is replaced: it is the package's own,
    // copied with its attributes (a package read from a CD is read-only).
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return outcomeRecord(set->outcome, ActionPlaceFile, target, ERROR_ACCESS_DENIED, 0);
    SetFile* f = &set->files[set->count];
    memset(f, 0, sizeof *f);
    if (!textCopy(f->source, source) || !textCopy(f->target, target))
        return outcomeRecord(set->outcome, ActionCopyFile, source, ERROR_FILENAME_EXCED_RANGE, 0);
    if (!temporaryName(set->folder, f->staged, 1))
        return outcomeRecord(set->outcome, ActionCopyFile, source, lastErrorOr(ERROR_CANNOT_MAKE), 0);
    // The old file's name aside is the staged file's with ".old": unique as
    // that one is, and known to the journal before anything moves.
    size_t length = strlen(f->staged);
    textCopy(f->stagedName, f->staged);
    if (length < 4 || !textCopyN(f->backupName, sizeof f->backupName, f->staged, length - 4) ||
        !textAppend(f->backupName, ".old")) {
        deleteAnyFile(f->staged);
        return outcomeRecord(set->outcome, ActionCopyFile, source, ERROR_FILENAME_EXCED_RANGE, 0);
    }
    DWORD error = copyWholeFile(source, f->staged, &f->size);
    if (error) {
        deleteAnyFile(f->staged);
        return outcomeRecord(set->outcome, ActionCopyFile, source, error, 0);
    }
    ++set->count;
    return 1;
}

int fileSetPlace(FileSet* set) {
    for (unsigned i = 0; i < set->count; ++i) set->files[i].hadOld = isThere(set->files[i].target);
    writeJournal(set, "placing");
    for (unsigned i = 0; i < set->count; ++i) {
        SetFile* f = &set->files[i];
        // The old file steps aside under a temporary name (Windows 95 has no
        // MoveFileEx to replace in one step), and comes back on a failure.
        int aside = !f->hadOld || (textCopy(f->backup, f->backupName) && MoveFileA(f->target, f->backup));
        if (!aside) f->backup[0] = '\0';
        if (aside && MoveFileA(f->staged, f->target)) {
            f->placed = 1;
            f->staged[0] = '\0';
            continue;
        }
        outcomeRecord(set->outcome, ActionPlaceFile, f->target, lastErrorOr(ERROR_ACCESS_DENIED));
        if (f->backup[0] && !MoveFileA(f->backup, f->target)) undoFailed(set->outcome, f->target);
        f->backup[0] = '\0';
        fileSetUndo(set);
        return 0;
    }
    writeJournal(set, "placed");
    return 1;
}

int fileSetSchedule(FileSet* set) {
    for (unsigned i = 0; i < set->count; ++i) {
        SetFile* f = &set->files[i];
        // A staged file whose move did get scheduled before a later one
        // failed is deleted with the rest: its move then finds nothing.
        if (!moveAtRestart(f->staged, f->target))
            return outcomeRecord(set->outcome, ActionReplaceAtRestart, f->target, lastErrorOr(ERROR_ACCESS_DENIED));
    }
    for (unsigned i = 0; i < set->count; ++i) {
        SetFile* f = &set->files[i];
        outcomeRecord(set->outcome, ActionReplaceAtRestart, f->target, 0, f->size, f->staged);
        f->staged[0] = '\0';  // it waits for the restart: fileSetClose keeps it
    }
    return 1;
}

void fileSetUndo(FileSet* set) {
    writeJournal(set, "undoing");
    for (unsigned i = set->count; i-- > 0;) {
        SetFile* f = &set->files[i];
        if (!f->placed) continue;
        if (!deleteAnyFile(f->target)) undoFailed(set->outcome, f->target);
        else if (f->backup[0] && !MoveFileA(f->backup, f->target)) undoFailed(set->outcome, f->target);
        f->backup[0] = '\0';
        f->placed = 0;
    }
}

void fileSetFinish(FileSet* set) {
    for (unsigned i = 0; i < set->count; ++i) {
        SetFile* f = &set->files[i];
        if (!f->placed) continue;
        if (f->backup[0] && !deleteAnyFile(f->backup))
            outcomeRecord(set->outcome, ActionLeaveOldFile, f->backup, lastErrorOr(ERROR_SHARING_VIOLATION));
        f->backup[0] = '\0';
        outcomeRecord(set->outcome, ActionCopyFile, f->source, 0, f->size, f->target);
    }
    fileSetClose(set);
}

void fileSetClose(FileSet* set) {
    for (unsigned i = 0; i < set->count; ++i)
        if (set->files[i].staged[0]) deleteAnyFile(set->files[i].staged);
    if (set->files) LocalFree(set->files);
    set->files = NULL;
    set->count = set->capacity = 0;
    dropJournal();
}

void deleteLeftovers(const char* folder, const char* only) {
    static const char* const kPatterns[] = {"tws*.tmp", "tws*.old"};
    char pattern[MAX_PATH], path[MAX_PATH];
    for (const char* p : kPatterns) {
        if (only) p = only;
        if (!pathJoin(pattern, folder, p)) return;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(pattern, &found);
        if (h == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && pathJoin(path, folder, found.cFileName))
                deleteAnyFile(path);
        } while (FindNextFileA(h, &found));
        FindClose(h);
        if (only) break;
    }
}

namespace {

// Whether path begins with the n characters of prefix, letter case ignored
// as Windows ignores it in paths.
int beginsWith(const char* path, const char* prefix, size_t n) {
    return strlen(path) >= n && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, (int)n, prefix, (int)n) == 2;
}

// A name the journal may touch: a file directly in folder.
int isInFolder(const char* path, const char* folder) {
    size_t n = strlen(folder);
    return n > 0 && beginsWith(path, folder, n) && path[n] == '\\' && path[n + 1] && !strchr(path + n + 1, '\\');
}

}  // namespace

int recoverInterruptedSet(char* summary, size_t cap, char (&removed)[MAX_PATH]) {
    if (cap) summary[0] = '\0';
    removed[0] = '\0';
    char path[MAX_PATH];
    if (!journalPath(path)) return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    static char text[65536];
    DWORD length = 0;
    if (GetFileSize(h, NULL) >= sizeof text || !ReadFile(h, text, sizeof text - 1, &length, NULL)) length = 0;
    CloseHandle(h);
    text[length] = '\0';

    char folder[MAX_PATH] = "", state[16] = "", windowsDir[MAX_PATH];
    unsigned undone = 0, finished = 0;
    int stuck = 0;  // a file that could not go back: the journal stays for the next start
    int valid = strncmp(text, kJournalHeader, sizeof kJournalHeader - 1) == 0 && windowsFolder(windowsDir);
    for (char* line = text; valid && *line;) {
        char* end = line + strcspn(line, "\r\n");
        char* next = end + strspn(end, "\r\n");
        *end = '\0';
        char* current = line;
        line = next;
        if (strncmp(current, "folder=", 7) == 0) {
            // Only a data-source folder under the Windows folder, never that folder itself.
            size_t n = strlen(windowsDir);
            valid = textCopy(folder, current + 7) && isUsableTargetDir(folder, windowsDir) && beginsWith(folder, windowsDir, n) &&
                    (folder[n] == '\\' || windowsDir[n - 1] == '\\');
        } else if (strncmp(current, "state=", 6) == 0) {
            textCopy(state, current + 6);
        } else if (strncmp(current, "file=", 5) == 0 && folder[0]) {
            char* part[4] = {current + 5, NULL, NULL, NULL};
            for (int i = 1; i < 4 && part[i - 1]; ++i) {
                part[i] = strchr(part[i - 1], '|');
                if (part[i]) *part[i]++ = '\0';
            }
            const char *target = part[0], *staged = part[1], *backup = part[2];
            if (!part[3] || !isInFolder(target, folder) || !isInFolder(staged, folder) || !isInFolder(backup, folder))
                continue;
            if (strcmp(state, "placed") == 0) {
                // Every new file is in place: the old ones go.
                if (isThere(backup)) deleteAnyFile(backup), ++finished;
            } else if (part[3][0] == '1') {
                // An old file aside goes back; one never moved stays.
                if (!isThere(backup)) continue;
                if ((!isThere(target) || deleteAnyFile(target)) && MoveFileA(backup, target)) ++undone;
                else stuck = 1;
            } else if (!isThere(staged) && isThere(target)) {
                // A file new to the folder, placed: there was none before.
                if (deleteAnyFile(target)) ++undone;
                else stuck = 1;
            }
        }
    }
    if (valid && folder[0] && strcmp(state, "removing") == 0) {
        deleteLeftovers(folder, "*.*");
        stuck = !RemoveDirectoryA(folder) && isThere(folder);
        if (!stuck) textCopy(removed, folder);
    }
    if (stuck) {
        textFormat(summary, cap, "a run cut short was found in %s; some files could not be put back yet", folder);
        return 1;
    }
    if (removed[0]) {
        DeleteFileA(path);
        textFormat(summary, cap, "a removal cut short was finished: %s is gone", folder);
        return 1;
    }
    if (valid && folder[0]) deleteLeftovers(folder);
    DeleteFileA(path);
    if (!valid || !folder[0]) return 0;
    textFormat(summary, cap, strcmp(state, "placed") == 0
                                 ? "a run cut short was finished in %s: the new files stay, %u old ones deleted"
                                 : "a run cut short was undone in %s: %u files back as they were",
               folder, strcmp(state, "placed") == 0 ? finished : undone);
    return 1;
}
