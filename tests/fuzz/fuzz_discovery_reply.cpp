// Fuzzes the judging of a received datagram and the request built for the
// same address. Input: 4 bytes of local address, 2 of product id, then the
// datagram. Checks against a plain restatement of the reply rule (first 255
// bytes, up to the first NUL, equal to the address text) and the request's
// shape (decimal id, then the text, no NUL, at most 20 bytes).
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "ui/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    Ipv4Bytes local;
    memcpy(local.b, data, 4);
    uint16_t productId = (uint16_t)(data[4] | (data[5] << 8));
    const char* datagram = (const char*)data + 6;
    size_t length = size - 6;

    char text[AddressTextCap];
    if (!formatAddressText(text, sizeof text, local)) __builtin_trap();

    std::string seen(datagram, length < DiscoveryReadMax ? length : DiscoveryReadMax);
    seen = seen.substr(0, seen.find('\0'));
    int expected = seen == text;
    if (isDiscoveryReply(datagram, (long)length, text) != expected) __builtin_trap();

    char request[DiscoveryRequestMax];
    size_t n = buildDiscoveryRequest(request, sizeof request, productId, text);
    if (n < 8 || n > DiscoveryRequestMax || memchr(request, '\0', n)) __builtin_trap();
    char id[8];
    snprintf(id, sizeof id, "%u", (unsigned)productId);
    if (std::string(request, n) != std::string(id) + text) __builtin_trap();
    return 0;
}
