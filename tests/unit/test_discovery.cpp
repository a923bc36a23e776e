// The search's wire format: the request bytes, the reply rule and the choice
// of the address text that ties them together.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "ui/discovery.h"

namespace {

std::string request(uint16_t productId, const char* local) {
    char out[64];
    memset(out, 'Z', sizeof out);
    size_t n = buildDiscoveryRequest(out, sizeof out, productId, local);
    return std::string(out, n);
}

bool accepted(const std::string& payload, const char* local = "10.99.0.1") {
    return isDiscoveryReply(payload.data(), (long)payload.size(), local) != 0;
}

Ipv4Bytes ip(int a, int b, int c, int d) {
    Ipv4Bytes x = {{(unsigned char)a, (unsigned char)b, (unsigned char)c, (unsigned char)d}};
    return x;
}

std::string chosen(std::initializer_list<Ipv4Bytes> list) {
    char out[AddressTextCap] = "junk";
    if (!chooseLocalAddressText(out, sizeof out, list.begin(), list.size())) return "<none>";
    return out;
}

}  // namespace

TEST(DiscoveryRequest, ProductIdThenAddressWithNothingBetweenOrAfter) {
    EXPECT_EQ(request(4660, "192.0.2.7"), "4660192.0.2.7");
    EXPECT_EQ(request(0, "10.99.0.1"), "010.99.0.1");  // the single digit 0
    EXPECT_EQ(request(65535, "10.99.0.1"), "6553510.99.0.1");
    EXPECT_EQ(request(1, "0.0.0.0"), "10.0.0.0");  // the 8-byte minimum
}

TEST(DiscoveryRequest, LongestFitsTwentyBytesWithoutNul) {
    std::string r = request(65535, "255.255.255.255");
    EXPECT_EQ(r, "65535255.255.255.255");
    EXPECT_EQ(r.size(), (size_t)DiscoveryRequestMax);
    EXPECT_EQ(r.find('\0'), std::string::npos);

    // A buffer of exactly the request's length is enough: no NUL is added.
    char exact[20];
    EXPECT_EQ(buildDiscoveryRequest(exact, sizeof exact, 65535, "255.255.255.255"), 20u);
    EXPECT_EQ(std::string(exact, 20), r);
}

TEST(DiscoveryRequest, RefusesRatherThanCuts) {
    char small[12];
    EXPECT_EQ(buildDiscoveryRequest(small, sizeof small, 4660, "192.0.2.7"), 0u);
    // An address text that is no dotted IPv4 one would pass 20 bytes.
    EXPECT_EQ(request(65535, "255.255.255.2550"), "");
    EXPECT_EQ(request(7, ""), "");
}

TEST(DiscoveryReply, ExactEchoIsAcceptedAndNulEndsThePayload) {
    EXPECT_TRUE(accepted("10.99.0.1"));
    EXPECT_TRUE(accepted(std::string("10.99.0.1\0junk\xff\x01", 15)));
    EXPECT_TRUE(accepted(std::string("10.99.0.1\0", 10)));
    EXPECT_TRUE(accepted(std::string("10.99.0.1\0\0\0\0", 13)));
}

TEST(DiscoveryReply, NearMissesAreDropped) {
    EXPECT_FALSE(accepted("10.99.0.1 "));
    EXPECT_FALSE(accepted("10.99.0.1\n"));
    EXPECT_FALSE(accepted("10.99.0.1\r\n"));
    EXPECT_FALSE(accepted("10.99.0.2"));  // a device's own address
    EXPECT_FALSE(accepted("10.99.0."));   // short of its last character
    EXPECT_FALSE(accepted("10.99.0.11"));
    EXPECT_FALSE(accepted(" 10.99.0.1"));
    EXPECT_FALSE(accepted("466010.99.0.1"));  // the request itself
    EXPECT_FALSE(accepted(""));
    EXPECT_FALSE(accepted(std::string(16, '\0')));
    EXPECT_FALSE(accepted(std::string("10.99\0.0.1", 10)));
}

TEST(DiscoveryReply, FailedReadsAndMissingTextNeverMatch) {
    EXPECT_EQ(isDiscoveryReply("10.99.0.1", -1, "10.99.0.1"), 0);
    EXPECT_EQ(isDiscoveryReply(nullptr, 9, "10.99.0.1"), 0);
    // Without a local text no search was sent: nothing can answer it, not
    // even an empty datagram.
    EXPECT_EQ(isDiscoveryReply("", 0, ""), 0);
    EXPECT_EQ(isDiscoveryReply("x", 1, nullptr), 0);
}

TEST(DiscoveryReply, OnlyTheFirst255BytesAreLookedAt) {
    std::string text = "10.99.0.1";
    // A NUL inside the first 255 bytes ends the payload, whatever follows.
    std::string longWithNul = text + std::string(1, '\0') + std::string(2000, 'x');
    EXPECT_TRUE(accepted(longWithNul));
    // The length given is trusted only up to 255: bytes beyond are never
    // read, so a datagram cut by the read is judged by its first part.
    std::string buffer(DiscoveryReadMax, 'x');
    EXPECT_FALSE(isDiscoveryReply(buffer.data(), 1L << 20, "10.99.0.1"));
    std::string padded = text + std::string(1, '\0') + std::string(DiscoveryReadMax - 10, 'y');
    ASSERT_EQ(padded.size(), (size_t)DiscoveryReadMax);
    EXPECT_TRUE(isDiscoveryReply(padded.data(), 100000, "10.99.0.1"));
}

TEST(LocalAddress, FirstAddressUnlessLoopback) {
    EXPECT_EQ(chosen({ip(10, 99, 0, 1)}), "10.99.0.1");
    EXPECT_EQ(chosen({ip(192, 168, 1, 2), ip(10, 0, 0, 1)}), "192.168.1.2");
    EXPECT_EQ(chosen({ip(192, 168, 1, 2), ip(127, 0, 0, 1)}), "192.168.1.2");
    // A name that maps to 127.0.1.1 first: the first address of the network.
    EXPECT_EQ(chosen({ip(127, 0, 1, 1), ip(10, 99, 0, 1), ip(10, 0, 0, 1)}), "10.99.0.1");
    EXPECT_EQ(chosen({ip(127, 0, 1, 1), ip(127, 0, 0, 1), ip(172, 16, 0, 9)}), "172.16.0.9");
    // Only loopback: the first one, which the request then carries.
    EXPECT_EQ(chosen({ip(127, 0, 1, 1), ip(127, 0, 0, 1)}), "127.0.1.1");
    EXPECT_EQ(chosen({ip(127, 0, 0, 1)}), "127.0.0.1");
    // 128.x and 126.x are not loopback.
    EXPECT_EQ(chosen({ip(126, 255, 255, 255)}), "126.255.255.255");
    EXPECT_EQ(chosen({ip(128, 0, 0, 1), ip(10, 0, 0, 1)}), "128.0.0.1");
    EXPECT_EQ(chosen({}), "<none>");
}

TEST(LocalAddress, TextThatDoesNotFitIsNotCut) {
    char tiny[8];
    EXPECT_FALSE(formatAddressText(tiny, sizeof tiny, ip(192, 0, 2, 10)));
    EXPECT_STREQ(tiny, "") << "a cut address would name another device";
}

TEST(AddressText, ReadsAsInetAddrDoes) {
    const struct { const char* text; uint32_t value; } cases[] = {
        {"192.168.1.10", 0xC0A8010Au}, {"10.99.0.3", 0x0A630003u}, {"1.2.3", 0x01020003u},
        {"16909060", 0x01020304u},     {"0x0A.0.0.1", 0x0A000001u}, {"010.0.0.1", 0x08000001u},
        {"1.2.3.4 ", 0x01020304u},     {"", 0xFFFFFFFFu},           {"1.2.3.4.5", 0xFFFFFFFFu},
        {"256.1.1.1", 0xFFFFFFFFu},    {"1.2.3.4x", 0xFFFFFFFFu},   {"08", 0xFFFFFFFFu},
        {"1.", 0xFFFFFFFFu},           {"4294967296", 0xFFFFFFFFu}};
    for (const auto& c : cases) EXPECT_EQ(addressToHostOrder(c.text), c.value) << c.text;
    EXPECT_EQ(addressToHostOrder(nullptr), 0xFFFFFFFFu);
}

namespace {

LocalNetwork net(Ipv4Bytes address, int prefix, uint32_t index, int up = 1) {
    uint32_t m = prefix ? 0xFFFFFFFFu << (32 - prefix) : 0;
    LocalNetwork n = {address, ip(m >> 24, (m >> 16) & 255, (m >> 8) & 255, m & 255), index, up};
    return n;
}

// "broadcast<-text" for each planned request, blank-separated.
std::string plan(std::initializer_list<LocalNetwork> list, int haveLimited, uint32_t limited,
                 const char* local = "10.99.0.1", size_t cap = 64) {
    DirectedRequest out[64];
    size_t n = planDirectedRequests(list.begin(), list.size(), haveLimited, limited, local, out, cap);
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        char b[AddressTextCap];
        formatAddressText(b, sizeof b, out[i].broadcast);
        s += (s.empty() ? "" : " ") + std::string(b) + "<-" + out[i].addressText;
    }
    return s;
}

}  // namespace

TEST(DirectedRequests, EveryOtherNetworkOnceWithItsOwnAddress) {
    // One network: the limited broadcast alone, whichever way its adapter is known.
    EXPECT_EQ(plan({net(ip(10, 99, 0, 1), 24, 2)}, 1, 2), "");
    EXPECT_EQ(plan({net(ip(10, 99, 0, 1), 24, 2)}, 0, 0), "");
    // A second and third network, one of them /16; the adapter the system
    // sends the limited broadcast by is skipped even where localAddressText
    // is elsewhere.
    auto two = {net(ip(10, 99, 0, 1), 24, 2), net(ip(10, 98, 0, 1), 24, 3), net(ip(172, 16, 5, 9), 16, 4)};
    EXPECT_EQ(plan(two, 1, 2), "10.98.0.255<-10.98.0.1 172.16.255.255<-172.16.5.9");
    EXPECT_EQ(plan(two, 1, 3), "10.99.0.255<-10.99.0.1 172.16.255.255<-172.16.5.9");
    EXPECT_EQ(plan(two, 0, 0, "10.98.0.1"), "10.99.0.255<-10.99.0.1 172.16.255.255<-172.16.5.9");
    // A second adapter (or address) on a network already asked: no second request.
    EXPECT_EQ(plan({net(ip(10, 98, 0, 1), 24, 3), net(ip(10, 98, 0, 7), 24, 5)}, 1, 2), "10.98.0.255<-10.98.0.1");
}

TEST(DirectedRequests, NetworksWithoutTheirOwnBroadcastArePassedOver) {
    EXPECT_EQ(plan({net(ip(127, 0, 0, 1), 8, 1), net(ip(169, 254, 3, 4), 16, 3), net(ip(0, 0, 0, 0), 8, 4),
                    net(ip(10, 1, 0, 1), 32, 5), net(ip(10, 2, 0, 1), 31, 6), net(ip(10, 3, 0, 1), 0, 7),
                    net(ip(10, 4, 0, 1), 24, 8, 0), net(ip(10, 5, 0, 1), 30, 9)},
                   1, 2),
              "10.5.0.3<-10.5.0.1");
}

TEST(DirectedRequests, BoundedByTheCapAndTheFixedLimit) {
    std::vector<LocalNetwork> many;
    for (int i = 0; i < 40; ++i) many.push_back(net(ip(10, i, 0, 1), 24, 10 + i));
    DirectedRequest out[64];
    EXPECT_EQ(planDirectedRequests(many.data(), many.size(), 1, 2, "10.0.0.1", out, 64), (size_t)DiscoveryMaxNetworks);
    EXPECT_EQ(planDirectedRequests(many.data(), many.size(), 1, 2, "10.0.0.1", out, 3), 3u);
    EXPECT_EQ(planDirectedRequests(NULL, 5, 1, 2, "10.0.0.1", out, 3), 0u);
}
