// The wizard's pages, run by the start-up routine over the one record.
#ifndef UI_WIZARD_H
#define UI_WIZARD_H

#include <stdint.h>

#include "core/context.h"

// Language page: 0 on OK, -1 on Cancel or when it cannot be shown. Sets
// packageRoot when it opens; on OK sets sourceDir and languageId and writes
// the language's library into the system folder.
intptr_t runLanguagePage(InstallContext* ctx);
// Model page: 0 on OK, -1 on Cancel or when it cannot be shown. Sets infPath
// when it opens; on OK sets modelNumber and modelName.
intptr_t runModelPage(InstallContext* ctx);
// Install or upgrade-or-remove page (targetDir set by the presence query;
// mode, and useNetwork on install), then the progress page.
void runMaintenanceFlow(InstallContext* ctx);
// A removal started from the installed programs (the record names the model
// and its INF): one page asks to confirm, then the progress page removes.
void runRemovalFlow(InstallContext* ctx);
// The progress page: starts the worker and ends once it is done and Finish
// is pressed (or at once after a cancelled prompt).
void runProgressPage(InstallContext* ctx);

#endif
