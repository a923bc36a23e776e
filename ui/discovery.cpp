#include "ui/discovery.h"

#include <string.h>

#include "core/text.h"

namespace {

int isLoopback(const Ipv4Bytes& a) { return a.b[0] == 127; }

}  // namespace

int formatAddressText(char* out, size_t cap, const Ipv4Bytes& a) {
    if (!textFormat(out, cap, "%d.%d.%d.%d", a.b[0], a.b[1], a.b[2], a.b[3])) {
        if (cap) out[0] = '\0';
        return 0;
    }
    return 1;
}

int chooseLocalAddressText(char* out, size_t cap, const Ipv4Bytes* addresses, size_t count) {
    if (cap) out[0] = '\0';
    if (!addresses || count == 0) return 0;
    size_t pick = 0;
    if (isLoopback(addresses[0])) {
        for (size_t i = 1; i < count; ++i) {
            if (!isLoopback(addresses[i])) {
                pick = i;
                break;
            }
        }
    }
    return formatAddressText(out, cap, addresses[pick]);
}

size_t buildDiscoveryRequest(char* out, size_t cap, uint16_t productId, const char* localAddressText) {
    if (!localAddressText || localAddressText[0] == '\0') return 0;
    char request[DiscoveryRequestMax + 1];
    // The 16-bit id widens to a non-negative int, so "%d" never writes a
    // sign. An address text longer than a dotted IPv4 one would make the
    // request overlong; such a request is not sent at all rather than cut.
    if (!textFormat(request, sizeof request, "%d%s", (int)productId, localAddressText))
        return 0;
    size_t length = strlen(request);
    if (length == 0 || length > cap) return 0;
    memcpy(out, request, length);
    return length;
}

int isDiscoveryReply(const char* data, long length, const char* localAddressText) {
    if (!localAddressText || localAddressText[0] == '\0') return 0;
    if (!data || length <= 0) return 0;
    size_t n = (size_t)length;
    if (n > DiscoveryReadMax) n = DiscoveryReadMax;
    const void* nul = memchr(data, '\0', n);
    if (nul) n = (size_t)((const char*)nul - data);
    size_t want = strlen(localAddressText);
    return n == want && memcmp(data, localAddressText, n) == 0;
}
