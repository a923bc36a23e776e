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

// Control ids of the pages.
enum {
    IdRadioUnused1 = 1007,
    IdRadioUnused2 = 1008,
    IdRadioUpgrade = 1009,
    IdRadioRemove = 1010,
    IdProgressBar = 1011,
    IdMainText = 1012,
    IdStatusText = 1013,
    IdModelList = 1014,
    IdLanguageList = 1015,
    IdModelPrompt = 1016,
    IdLanguagePrompt = 1017,
};

// Language page: 0 on OK, -1 on Cancel or when it cannot be shown.
intptr_t runLanguagePage(InstallContext* ctx);
// Model page: 0 on OK, -1 on Cancel or when it cannot be shown.
intptr_t runModelPage(InstallContext* ctx);
// Install or upgrade-or-remove page, then the progress page.
void runMaintenanceFlow(InstallContext* ctx);

// Paints bitmap 108 with the text over it in white, and names the window.
void paintHeader(void* page, const char* text);

#endif
