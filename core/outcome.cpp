#include "core/outcome.h"

#include <string.h>

#include "core/text.h"

void outcomeReset(Outcome* o) {
    OutcomeObserver observer = o->observer;
    void* data = o->observerData;
    memset(o, 0, sizeof *o);
    o->observer = observer;
    o->observerData = data;
}

int outcomeRecord(Outcome* o, OutcomeAction action, const char* path, uint32_t error, uint32_t size,
                  const char* target) {
    if (!path) path = "";
    if (!target) target = "";
    if (action == ActionLeaveOldFile) {
        ++o->leftBehind;
    } else if (action == ActionRegister) {
    } else if (error == 0 && (action == ActionReplaceAtRestart || action == ActionDeleteAtRestart)) {
        ++o->atRestart;
    } else if (error == 0) {
        ++o->done;
    } else {
        if (o->failures == 0) {
            o->firstAction = action;
            o->firstError = error;
            textCopy(o->firstPath, path);
        }
        ++o->failures;
        if (action == ActionUndo) ++o->undoFailures;
    }
    if (o->observer) {
        OutcomeItem item = {action, error, path, size, target};
        o->observer(o->observerData, &item);
    }
    return error == 0;
}

const char* outcomeFirstName(const Outcome* o) {
    const char* slash = strrchr(o->firstPath, '\\');
    return slash ? slash + 1 : o->firstPath;
}
