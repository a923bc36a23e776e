// The contract between the progress page and the worker behind it: no
// dialog function, so the operations include it. The page (ui/progress.cpp,
// run through ui/wizard.h) starts the worker on the record (operations/operations.h)
// and pumps its messages; the worker, on its own thread, drives three of the
// page's controls directly and ends with a message:
//   button 2 (IDCANCEL, "Finish")  hidden and disabled while the worker runs
//   bar IDC_PROGRESS_BAR           range 0 to 100, set by the page
//   text IDC_STATUS_TEXT           "<string IDS_PROCESS_STEP> (<percent>%)..."
//   WM_TW_WORKER_DONE              sent synchronously when the sequence has
//                                  ended and button 2 is back; both params 0
//   WM_TW_END_PAGE                 sent synchronously when the user cancelled
//                                  the address prompt, before anything was
//                                  touched: the page ends itself on its own
//                                  thread, at once or at WM_TW_WORKER_DONE
// No lock is used: while the worker runs, the page's thread only pumps.
#ifndef UI_PROGRESS_H
#define UI_PROGRESS_H

#include <windows.h>

#include <stdint.h>

#include "core/context.h"
#include "core/resource.h"

enum { ProgressButtonId = IDCANCEL };

// The scanner-address prompt an install without an address runs on the
// worker's thread, owned by the page (ui/address.h: promptScannerAddress).
// 1 with scannerAddress set on OK; 0 on Cancel.
typedef int (*AddressPromptFn)(InstallContext* ctx, uint16_t productId);

#endif
