// replaceAll against a model of its rule (search again from the start after
// every replacement, in 1000-character areas, give up on what cannot end),
// and never a write past the caller's room.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "package/inf_values.h"

namespace {

// The model: the rewritten text, or the input when the rule gives up.
std::string model(const std::string& text, const std::string& pattern, const std::string& replacement,
                  unsigned cap) {
    if (pattern.empty() || replacement.find(pattern) != std::string::npos) return text;
    if (text.size() >= cap || text.size() >= 1000) return text;
    std::string a = text;
    for (unsigned round = 0;; ++round) {
        size_t at = a.find(pattern);
        if (at == std::string::npos) break;
        if (round == 2000) return text;
        std::string b = a.substr(0, at) + replacement + a.substr(at + pattern.size());
        if (b.size() >= 1000) return text;
        a = b;
    }
    return a.size() < cap ? a : text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Layout: cap byte, pattern length byte (0..7), pattern, replacement up
    // to the first 0x01 byte, then the text.
    unsigned cap = 1 + data[0] * 5;  // 1 .. 1276
    size_t patternLength = data[1] % 8;
    if (size < 2 + patternLength) return 0;
    std::string pattern((const char*)data + 2, patternLength);
    std::string rest((const char*)data + 2 + patternLength, size - 2 - patternLength);
    size_t split = rest.find('\x01');
    std::string replacement = split == std::string::npos ? "" : rest.substr(0, split);
    std::string text = split == std::string::npos ? rest : rest.substr(split + 1);
    pattern = pattern.c_str();
    replacement = replacement.c_str();
    text = text.c_str();
    if (text.size() >= cap) text.resize(cap - 1);

    // Exactly cap bytes, so that ASan sees any write past the room.
    char* buffer = (char*)malloc(cap);
    memcpy(buffer, text.c_str(), text.size() + 1);
    replaceAll(buffer, cap, pattern.c_str(), replacement.c_str());
    if (memchr(buffer, '\0', cap) == nullptr) abort();
    if (model(text, pattern, replacement, cap) != buffer) abort();
    free(buffer);
    return 0;
}
