// One copy of the program at a time. Two copies would share the system
// folder's language library: the second would replace or delete the one the
// first shows its pages from. The first copy holds a named mutex for its
// whole run and publishes its process id; a second start finds the mutex,
// brings the first copy's window to the front and ends.
#ifndef APP_INSTANCE_H
#define APP_INSTANCE_H

#include <windows.h>

struct InstanceClaim {
    HANDLE mutex;    // held for the run; null when the claim could not be made
    HANDLE mapping;  // the published process id
};

// 1 when this is the only copy running (the claim is held until
// releaseInstance); 0 when another copy holds it. When the system cannot make
// the mutex at all, the run goes on as the only copy.
int claimInstance(InstanceClaim* claim);
void releaseInstance(InstanceClaim* claim);

// Brings the running copy's foremost window (a page, or the address or search
// dialog over it) to the front, restoring it when minimised.
void showRunningInstance(void);

#endif
