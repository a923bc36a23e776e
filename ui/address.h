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

// Shows the address dialog owned by the progress page; on OK stores the
// address in scannerAddress and returns 1, on Cancel returns 0.
int promptScannerAddress(InstallContext* ctx);

// Dotted IPv4 text to a value with the first field most significant; the
// parser's all-ones failure value for a text it rejects.
uint32_t addressToHostOrder(const char* text);

#endif
