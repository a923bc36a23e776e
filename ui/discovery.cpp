#include "ui/discovery.h"

#include <string.h>

#include "core/text.h"

namespace {

int isLoopback(const Ipv4Bytes& a) { return a.b[0] == 127; }

uint32_t hostOrder(const Ipv4Bytes& a) {
    return ((uint32_t)a.b[0] << 24) | ((uint32_t)a.b[1] << 16) | ((uint32_t)a.b[2] << 8) | a.b[3];
}

Ipv4Bytes fromHostOrder(uint32_t v) {
    Ipv4Bytes a = {{(unsigned char)(v >> 24), (unsigned char)(v >> 16), (unsigned char)(v >> 8), (unsigned char)v}};
    return a;
}

// Whether a network of this computer can be reached by a directed broadcast
// at all: an adapter that is up, a real address, a broadcast address.
int hasOwnBroadcast(const LocalNetwork& n) {
    uint32_t address = hostOrder(n.address), mask = hostOrder(n.mask);
    if (!n.up || address == 0 || isLoopback(n.address)) return 0;
    if ((address & 0xFFFF0000u) == 0xA9FE0000u) return 0;  // 169.254/16: link-local
    // /31 and /32 leave no host-free broadcast address: point-to-point links.
    return mask != 0 && (~mask & 0xFFFFFFFFu) > 1;
}

// One part of a dotted address at *p, in the base its prefix gives; 0 when
// there is no digit or the value passes 32 bits.
int readAddressPart(const char** p, uint32_t* value) {
    const char* s = *p;
    unsigned base = 10;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    } else if (s[0] == '0') {
        base = 8;
    }
    uint64_t v = 0;
    int digits = 0;
    for (;; ++s, ++digits) {
        unsigned d;
        char c = *s;
        if (c >= '0' && c <= '9') d = (unsigned)(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') d = (unsigned)(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') d = (unsigned)(c - 'A' + 10);
        else break;
        if (d >= base) return 0;
        v = v * base + d;
        if (v > 0xFFFFFFFFu) return 0;
    }
    if (digits == 0 && base != 8) return 0;
    *p = s;
    *value = (uint32_t)v;
    return 1;
}

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

size_t planDirectedRequests(const LocalNetwork* networks, size_t count, int haveLimitedInterface,
                            uint32_t limitedInterface, const char* localAddressText, DirectedRequest* out,
                            size_t cap) {
    if (!networks || !out) return 0;
    if (cap > DiscoveryMaxNetworks) cap = DiscoveryMaxNetworks;
    uint32_t local = localAddressText && localAddressText[0] ? addressToHostOrder(localAddressText) : 0;
    size_t planned = 0;
    for (size_t i = 0; i < count && planned < cap; ++i) {
        const LocalNetwork& n = networks[i];
        if (!hasOwnBroadcast(n)) continue;
        uint32_t address = hostOrder(n.address), mask = hostOrder(n.mask);
        if (haveLimitedInterface ? n.interfaceIndex == limitedInterface
                                 : local != 0 && (local & mask) == (address & mask))
            continue;
        Ipv4Bytes broadcast = fromHostOrder(address | ~mask);
        size_t k = 0;
        while (k < planned && memcmp(out[k].broadcast.b, broadcast.b, 4) != 0) ++k;
        if (k < planned) continue;  // a second adapter on a network already asked
        DirectedRequest& r = out[planned];
        if (!formatAddressText(r.addressText, sizeof r.addressText, n.address)) continue;
        r.broadcast = broadcast;
        ++planned;
    }
    return planned;
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

uint32_t addressToHostOrder(const char* text) {
    const uint32_t kNone = 0xFFFFFFFFu;
    if (!text || text[0] == '\0') return kNone;
    uint32_t parts[4];
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4 || !readAddressPart(&p, &parts[count])) return kNone;
        ++count;
        if (*p != '.') break;
        ++p;
    }
    // Winsock stops at a blank; anything else after the number is no address.
    if (*p != '\0' && *p != ' ') return kNone;
    uint32_t value = parts[count - 1];
    const uint32_t lastLimit[4] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    if (value > lastLimit[count - 1]) return kNone;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF) return kNone;
        value |= parts[i] << (24 - 8 * i);
    }
    return value;
}
