#include "operations/fileset.h"

#include <string.h>

#include "core/system.h"
#include "core/text.h"

namespace {

// Large blocks: Wine's own CopyFile moves 64 KB at a time. No sequential-scan
// hint: under Wine it made some copies of a cold file four times slower
// (bench/run.sh, "file copy").
const DWORD kCopyBlock = 1024 * 1024;
// The attributes a copy carries over, as CopyFileA does.
const DWORD kCopiedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

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

// An undo step: recorded only when it fails (the undo of a run is not news).
void undoFailed(Outcome* outcome, const char* path) { outcomeRecord(outcome, ActionUndo, path, lastErrorOr(ERROR_GEN_FAILURE), 0); }

}  // namespace

DWORD copyWholeFile(const char* source, const char* target, uint32_t* size) {
    *size = 0;
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (in == INVALID_HANDLE_VALUE) return lastErrorOr(ERROR_FILE_NOT_FOUND);
    BY_HANDLE_FILE_INFORMATION info;
    // Only a file on a disk: a device or pipe behind the name would be read
    // without end.
    if (GetFileType(in) != FILE_TYPE_DISK) {
        CloseHandle(in);
        return ERROR_INVALID_NAME;
    }
    if (!GetFileInformationByHandle(in, &info)) {
        DWORD e = lastErrorOr(ERROR_READ_FAULT);
        CloseHandle(in);
        return e;
    }
    // The data-source files are small; one beyond 4 GB is no data-source file.
    if (info.nFileSizeHigh != 0) {
        CloseHandle(in);
        return ERROR_FILE_TOO_LARGE;
    }
    HANDLE out = CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE) {
        DWORD e = lastErrorOr(ERROR_ACCESS_DENIED);
        CloseHandle(in);
        return e;
    }
    DWORD error = 0;
    void* block = error ? NULL : VirtualAlloc(NULL, kCopyBlock, MEM_COMMIT, PAGE_READWRITE);
    if (!error && !block) error = ERROR_NOT_ENOUGH_MEMORY;
    DWORD total = 0;
    while (!error) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in, block, kCopyBlock, &got, NULL)) {
            error = lastErrorOr(ERROR_READ_FAULT);
            break;
        }
        if (got == 0) break;
        // A short write is a full disk that the call did not report as such.
        if (!WriteFile(out, block, got, &put, NULL)) error = lastErrorOr(ERROR_DISK_FULL);
        else if (put != got) error = ERROR_DISK_FULL;
        if (error) break;
        total += got;
    }
    if (block) VirtualFree(block, 0, MEM_RELEASE);
    if (!error && !SetFileTime(out, NULL, NULL, &info.ftLastWriteTime)) error = lastErrorOr(ERROR_WRITE_FAULT);
    if (!CloseHandle(out) && !error) error = lastErrorOr(ERROR_WRITE_FAULT);
    CloseHandle(in);
    if (!error && (info.dwFileAttributes & kCopiedAttributes) &&
        !SetFileAttributesA(target, info.dwFileAttributes & kCopiedAttributes))
        error = lastErrorOr(ERROR_WRITE_FAULT);
    if (error) {
        deleteAnyFile(target);
        return error;
    }
    *size = total;
    return 0;
}

int fileSetOpen(FileSet* set, const char* folder, unsigned capacity, Outcome* outcome) {
    memset(set, 0, sizeof *set);
    set->outcome = outcome;
    textCopy(set->folder, folder);
    if (capacity == 0) return 1;
    set->files = (SetFile*)LocalAlloc(LPTR, capacity * sizeof(SetFile));
    if (!set->files) return 0;
    set->capacity = capacity;
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
    DWORD error = copyWholeFile(source, f->staged, &f->size);
    if (error) {
        deleteAnyFile(f->staged);
        return outcomeRecord(set->outcome, ActionCopyFile, source, error, 0);
    }
    ++set->count;
    return 1;
}

int fileSetPlace(FileSet* set) {
    for (unsigned i = 0; i < set->count; ++i) {
        SetFile* f = &set->files[i];
        // The old file steps aside under a temporary name (Windows 95 has no
        // MoveFileEx to replace in one step), and comes back on a failure.
        int aside = !isThere(f->target) || (temporaryName(set->folder, f->backup, 0) && MoveFileA(f->target, f->backup));
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
    return 1;
}

void fileSetUndo(FileSet* set) {
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
}
