// The product id: base-16 reading the way strtol does with a 32-bit long,
// and the whole derivation from a hardware identifier.
#include <errno.h>
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/context.h"
#include "core/text.h"
#include "package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text((const char*)data, size);
    text = text.c_str();

    // strtoll (64 bits) clamped to 32 bits gives what a 32-bit strtol gives.
    long long wide = strtoll(text.c_str(), nullptr, 16);
    int32_t expected = wide > INT32_MAX ? INT32_MAX : wide < INT32_MIN ? INT32_MIN : (int32_t)wide;
    if (parseHexLong32(text.c_str()) != expected) abort();

    InstallContext ctx = {};
    textCopy(ctx.hardwareId, text.c_str());
    uint16_t id = deriveProductId(&ctx);
    if (memchr(ctx.productIdText, '\0', sizeof ctx.productIdText) == nullptr) abort();
    if (strstr(ctx.productIdText, "PID_")) abort();
    if (id != (uint16_t)((uint32_t)parseHexLong32(ctx.productIdText) & 0xFFFFu)) abort();

    if (size >= 2) {
        const char* folder = selectOsFolder((OsCode)(data[0] | data[1] << 8));
        if (strcmp(folder, "WINVISTA") && strcmp(folder, "WIN2K_XP") && strcmp(folder, "WIN98_ME")) abort();
    }
    return 0;
}
