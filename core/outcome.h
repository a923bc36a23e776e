// What a sequence did, item by item. The worker records every step that
// touches the computer (a file copied or replaced, a folder created, the
// settings file written, a file, folder, OEM INF or device entry removed)
// with its Win32 error; the progress page reads the counts and the first
// failure, and an observer (the log of an unattended run) sees every item as
// it happens.
#ifndef CORE_OUTCOME_H
#define CORE_OUTCOME_H

#include <stdint.h>

enum OutcomeAction : uint8_t {
    ActionNone = 0,
    ActionCreateFolder,   // TWAIN_32 or the model's data-source folder
    ActionCopyFile,       // a data-source file, staged whole beside its target
    ActionPlaceFile,      // a staged file put in its target's place
    ActionWriteSettings,  // the settings file in the temporary folder
    ActionDeleteFile,     // a file of the data-source folder
    ActionRemoveFolder,   // the data-source folder itself
    ActionDeleteOemInf,   // an OEM INF file naming the hardware id
    ActionRemoveDevice,   // a device entry of the hardware id
    ActionUndo,           // a change of a failed install or upgrade taken back
    ActionLeaveOldFile,   // an old file an upgrade replaced but could not delete
                          // (a program has it loaded): kept under its temporary
                          // name; the new file is in place, so no failure
    ActionRegister,       // the entry among the installed programs, and the copy
                          // that removes the driver: told, never counted (the
                          // driver is installed or removed either way)
    ActionReplaceAtRestart,  // a staged file that takes its target's place at the
                             // next restart (a program holds the driver now)
    ActionDeleteAtRestart,   // a file or folder deleted at the next restart
};

struct OutcomeItem {
    OutcomeAction action;
    uint32_t error;    // 0: done; else the Win32 error
    const char* path;  // the file, folder or hardware id the item is about
    uint32_t size;     // bytes of a copied file, else 0
    const char* target;  // where a copied file went, else ""
};

typedef void (*OutcomeObserver)(void* data, const OutcomeItem* item);

struct Outcome {
    uint32_t done;           // items that succeeded
    uint32_t failures;       // items that failed, undo failures included
    uint32_t undoFailures;   // changes of a failed run that could not be taken back
    uint32_t leftBehind;     // ActionLeaveOldFile items: files still to be deleted
    uint32_t atRestart;      // changes scheduled for the next restart
    OutcomeAction firstAction;
    uint32_t firstError;
    char firstPath[512];     // path of the first failure, cut to the field
    OutcomeObserver observer;
    void* observerData;
};

// Clears the counts and the first failure; the observer stays.
void outcomeReset(Outcome* o);
// Records one item: counts it and, for the first failure, keeps its action,
// error and path; then hands it to the observer. Returns 1 when error is 0.
int outcomeRecord(Outcome* o, OutcomeAction action, const char* path, uint32_t error, uint32_t size = 0,
                  const char* target = 0);
// The last part of firstPath (after the last backslash): what the page names.
const char* outcomeFirstName(const Outcome* o);

#endif
