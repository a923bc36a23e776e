// The scanner-address prompt: the address dialog with its IPv4 field and the
// network search dialog. Runs on the thread that calls it (the worker).
#ifndef UI_ADDRESS_H
#define UI_ADDRESS_H

#include <stdint.h>

#include "core/context.h"

// The record the address and search dialogs share for one prompt.
struct AddressPromptRecord {
    uint16_t productId;
    char addressText[32];
    LanguageId languageId;
};

// Shows the address dialog owned by the progress page (progressWindow), for
// the model of productId; on OK stores the address in scannerAddress and
// returns 1, on Cancel returns 0. Changes nothing else in the record.
int promptScannerAddress(InstallContext* ctx, uint16_t productId);

#endif
