// splitTokens against a plain model of strtok over the 1023 characters read:
// same tokens, cut to 63 characters, at most 9, every slot terminated.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "package/inf_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte: how many delimiter characters follow (0..3).
    size_t delimiterCount = data[0] % 4;
    if (size < 1 + delimiterCount) return 0;
    std::string delimiters((const char*)data + 1, delimiterCount);
    delimiters = delimiters.c_str();  // the set ends at its first NUL
    std::string text((const char*)data + 1 + delimiterCount, size - 1 - delimiterCount);
    text = text.c_str();

    std::vector<std::string> expected;
    std::string read = text.substr(0, 1023), current;
    for (size_t i = 0; i <= read.size(); ++i) {
        if (i == read.size() || delimiters.find(read[i]) != std::string::npos) {
            if (!current.empty()) expected.push_back(current);
            current.clear();
        } else {
            current += read[i];
        }
    }
    bool lost = expected.size() > 9;
    if (lost) expected.resize(9);

    TokenSlots slots;
    memset(slots, 'Q', sizeof slots);
    unsigned cut = 0;
    int count = splitTokensChecked(text.c_str(), delimiters.c_str(), slots, &cut);
    if (count != (int)expected.size()) abort();
    if (((cut >> TokenLostBit) & 1u) != (lost ? 1u : 0u)) abort();
    for (int i = 0; i < count; ++i) {
        if (memchr(slots[i], '\0', TokenSlotWidth) == nullptr) abort();
        std::string want = expected[i].substr(0, TokenSlotWidth - 1);
        if (want != slots[i]) abort();
        if (expected[i].size() >= TokenSlotWidth && !(cut & (1u << i))) abort();
    }
    if (slots[count][0] != '\0') abort();
    for (int i = count + 1; i < TokenSlotCount; ++i)
        if (slots[i][0] != 'Q') abort();  // untouched behind the end marker
    return 0;
}
