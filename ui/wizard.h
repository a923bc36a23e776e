// The wizard's pages, run by the start-up routine over the one record.
#ifndef UI_WIZARD_H
#define UI_WIZARD_H

#include <stdint.h>

#include "core/context.h"

// Dialog template ids.
enum {
    AddressDialogId = 105,
    SearchDialogId = 106,
    InstallPageId = 107,
    ChoicePageId = 108,
    ProgressPageId = 109,
    ModelPageId = 111,
    LanguagePageId = 112,
};

// Language page: 0 on OK, -1 on Cancel or when it cannot be shown.
intptr_t runLanguagePage(InstallContext* ctx);
// Model page: 0 on OK, -1 on Cancel or when it cannot be shown.
intptr_t runModelPage(InstallContext* ctx);
// Install or upgrade-or-remove page, then the progress page.
void runMaintenanceFlow(InstallContext* ctx);

#endif
