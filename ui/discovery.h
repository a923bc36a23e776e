// The scanner search's wire format, without any socket: the request the
// installer broadcasts, the reply it accepts, and the address text that ties
// the two together. The search dialog (ui/address.cpp) does the sending.
//
// Request: the product id in decimal immediately followed by this host's
// dotted address, e.g. product 4660 from 192.0.2.7 is the 13 bytes
// "4660192.0.2.7": no separator, no length, no NUL. A scanner answers by
// echoing the address text back to port 4569; the scanner's own address is the
// reply's source address, never part of its payload.
#ifndef UI_DISCOVERY_H
#define UI_DISCOVERY_H

#include <stddef.h>
#include <stdint.h>

enum {
    DiscoveryRequestPort = 4568,  // where scanners listen (the request's destination)
    DiscoveryReplyPort = 4569,    // where the installer listens, and sends from
    DiscoveryRequestMax = 20,     // 5 digits of product id + 15 of address
    DiscoveryReadMax = 255,       // bytes of a datagram that are looked at
    AddressTextCap = 16,          // "255.255.255.255" and its NUL
    DiscoveryMaxNetworks = 16,    // networks that get a request of their own
};

// One IPv4 address as it travels: four bytes, first field first.
struct Ipv4Bytes {
    unsigned char b[4];
};

// "%d.%d.%d.%d", first byte first, into a buffer of at least AddressTextCap.
// Returns 1, or 0 (and an empty text when cap allows) when it does not fit.
int formatAddressText(char* out, size_t cap, const Ipv4Bytes& address);

// The address text the request carries and the replies must echo, chosen from
// the addresses this host's own name resolves to, in the resolver's order: the
// first one, unless it is a loopback address (127.x.x.x, which many systems
// map their own name to): then the first address of the list that is not a
// loopback address, when there is one. Returns 0 for an empty list.
int chooseLocalAddressText(char* out, size_t cap, const Ipv4Bytes* addresses, size_t count);

// Writes the request for productId and localAddressText into out (no NUL is
// part of it) and returns its length; 0 when it would be longer than
// DiscoveryRequestMax, which a dotted address of at most 15 characters never
// makes it, or when out is too small.
size_t buildDiscoveryRequest(char* out, size_t cap, uint16_t productId, const char* localAddressText);

// Dotted IPv4 text to a value with the first field most significant, read
// as Winsock's inet_addr reads it (one to four parts, each decimal, octal
// with a leading 0 or hexadecimal with 0x; the last part fills the bytes
// left), and 0xFFFFFFFF, inet_addr's failure value, for text it rejects and
// for the empty text. The settings file stores this value.
uint32_t addressToHostOrder(const char* text);

// Whether a received datagram is a reply to our request: its payload, read up
// to its first NUL (or whole when there is none) and never beyond
// DiscoveryReadMax bytes, equals localAddressText exactly. A negative length
// (a failed read) reads as an empty payload, which never matches.
int isDiscoveryReply(const char* data, long length, const char* localAddressText);

// One IPv4 address of this computer with its network, as the IP helper
// library lists it.
struct LocalNetwork {
    Ipv4Bytes address;
    Ipv4Bytes mask;
    uint32_t interfaceIndex;
    int up;  // 0 for an adapter that is down, disconnected or being removed
};

// A request to one network's own broadcast address (address | ~mask), which
// carries this computer's address on that network: the scanners there echo
// that text, and reach it.
struct DirectedRequest {
    Ipv4Bytes broadcast;
    char addressText[AddressTextCap];
};

// The limited broadcast (255.255.255.255) leaves by one adapter only. Every
// other network gets a directed request: picks them from the list, in its
// order, at most one per network and at most min(cap, DiscoveryMaxNetworks).
// Passed over: adapters that are down, loopback (127/8), link-local
// (169.254/16) and unset addresses, masks without a broadcast address (/0,
// /31, /32: point-to-point links), and the networks the limited broadcast
// reaches already: those of the adapter the system sends it by
// (limitedInterface, when haveLimitedInterface), or else the network that
// localAddressText belongs to. Returns how many were written to out.
size_t planDirectedRequests(const LocalNetwork* networks, size_t count, int haveLimitedInterface,
                            uint32_t limitedInterface, const char* localAddressText, DirectedRequest* out,
                            size_t cap);

#endif
