// The device name query: the request bytes, and which answers give a name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/snmp.h"

namespace {

const uint32_t kId = 0x80000001u;  // top bit set: needs the leading zero
const std::string kSysName("\x2B\x06\x01\x02\x01\x01\x05\x00", 8);
const std::string kSysLocation("\x2B\x06\x01\x02\x01\x01\x06\x00", 8);
const std::string kDeviceDescr("\x2B\x06\x01\x02\x01\x19\x03\x02\x01\x03\x01", 11);
const std::string kSysDescr("\x2B\x06\x01\x02\x01\x01\x01\x00", 8);

// Into a heap block of exactly cap bytes, so a write past it is caught.
std::string request(uint32_t id, SnmpObject object, size_t cap = SnmpRequestMax) {
    std::vector<unsigned char> out(cap);
    return std::string((const char*)out.data(), snmpBuildGet(id, object, out.data(), cap));
}

std::string tlv(int tag, const std::string& body, bool longForm = false) {
    std::string head(1, (char)tag);
    if (longForm) head += std::string("\x82", 1) + (char)(body.size() >> 8) + (char)body.size();
    else head += (char)body.size();  // every test body is below 128 bytes
    return head + body;
}

// A GetResponse put together field by field, so each test changes one.
struct Reply {
    std::string version = std::string(1, '\0'), community = "public";
    std::string id = std::string("\x00\x80\x00\x00\x01", 5), status = std::string(1, '\0');
    std::string oid = kSysName, value = "Scanner 7";
    int pduTag = 0xA2, valueTag = 0x04;
    bool longForm = false;
    int junkIn = -1;  // 0-3: a NULL more at the end of the message, PDU, varbind list or varbind
    std::string bytes() const {
        auto junk = [this](int level) { return junkIn == level ? std::string("\x05\x00", 2) : std::string(); };
        std::string varbind = tlv(0x30, tlv(0x06, oid) + tlv(valueTag, value, longForm) + junk(3), longForm);
        std::string pdu = tlv(0x02, id) + tlv(0x02, status) + tlv(0x02, std::string(1, '\0')) +
                          tlv(0x30, varbind + junk(2), longForm) + junk(1);
        return tlv(0x30, tlv(0x02, version) + tlv(0x04, community) + tlv(pduTag, pdu, longForm) + junk(0),
                   longForm);
    }
};

// From a heap block of exactly the datagram's size, so a read past it is caught.
std::string read(const std::string& d, SnmpObject object = SnmpSysName, size_t cap = 64) {
    std::vector<unsigned char> datagram(d.begin(), d.end());
    char out[64] = "junk";
    int answer = snmpReadReply(datagram.data(), datagram.size(), kId, object, out, cap);
    EXPECT_TRUE(answer == 1 || out[0] == '\0');
    return answer == 1 ? out : answer ? "<no name>" : "<none>";
}

}  // namespace

TEST(SnmpRequest, ExactBytesAndShortestId) {
    const unsigned char expected[] = {
        0x30, 0x2A,                                            // message
        0x02, 0x01, 0x00,                                      // version-1
        0x04, 0x06, 'p', 'u', 'b', 'l', 'i', 'c',              // community
        0xA0, 0x1D,                                            // GetRequest
        0x02, 0x05, 0x00, 0x80, 0x00, 0x00, 0x01,              // request-id
        0x02, 0x01, 0x00, 0x02, 0x01, 0x00,                    // error-status, error-index
        0x30, 0x0E, 0x30, 0x0C,                                // list, varbind
        0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05, 0x00,
        0x05, 0x00};                                           // NULL
    EXPECT_EQ(request(kId, SnmpSysName), std::string((const char*)expected, sizeof expected));

    EXPECT_EQ(request(0x7F, SnmpSysName).substr(15, 3), "\x02\x01\x7F");
    EXPECT_EQ(request(0x80, SnmpSysName).substr(15, 4), std::string("\x02\x02\x00\x80", 4));
}

TEST(SnmpRequest, EachObjectFitsAndTooSmallIsRefused) {
    const std::string oids[] = {kSysName, kSysLocation, kDeviceDescr, kSysDescr};
    for (int o = 0; o < SnmpObjectCount; ++o) {
        std::string r = request(0xFFFFFFFFu, (SnmpObject)o);
        ASSERT_FALSE(r.empty());
        std::string tail = '\x06' + std::string(1, (char)oids[o].size()) + oids[o] + std::string("\x05\x00", 2);
        EXPECT_EQ(r.substr(r.size() - tail.size()), tail);
        EXPECT_EQ(request(0xFFFFFFFFu, (SnmpObject)o, r.size()), r);
        EXPECT_EQ(request(0xFFFFFFFFu, (SnmpObject)o, r.size() - 1), "");
    }
    EXPECT_EQ(request(1, SnmpObjectCount), "");
}

TEST(SnmpReply, TheAnswerGivesTheNameAndTellsAnAnswerWithoutOne) {
    Reply r;
    EXPECT_EQ(read(r.bytes()), "Scanner 7");
    r.longForm = true;
    EXPECT_EQ(read(r.bytes()), "Scanner 7");

    const std::string oids[] = {kSysName, kSysLocation, kDeviceDescr, kSysDescr};
    for (int asked = 0; asked < SnmpObjectCount; ++asked) {
        for (int answered = 0; answered < SnmpObjectCount; ++answered) {
            r.oid = oids[answered];
            EXPECT_EQ(read(r.bytes(), (SnmpObject)asked), asked == answered ? "Scanner 7" : "<no name>");
        }
    }
    // The device answered our request, but has no name to give: the search
    // asks the next object at once.
    auto changed = [](void (*change)(Reply&)) { Reply r; change(r); return read(r.bytes()); };
    EXPECT_EQ(changed([](Reply& r) { r.status = "\x02"; }), "<no name>");  // noSuchName
    EXPECT_EQ(changed([](Reply& r) { r.valueTag = 0x80; r.value = ""; }), "<no name>");  // noSuchObject
    EXPECT_EQ(changed([](Reply& r) { r.valueTag = 0x05; r.value = ""; }), "<no name>");  // NULL
    EXPECT_EQ(changed([](Reply& r) { r.value = " \r\n"; }), "<no name>");
    for (int level = 1; level < 4; ++level) {
        Reply j;
        j.junkIn = level;
        EXPECT_EQ(read(j.bytes()), "<no name>") << level;
    }
}

TEST(SnmpReply, AnythingElseIsNoAnswer) {
    auto changed = [](void (*change)(Reply&)) { Reply r; change(r); return read(r.bytes()); };
    EXPECT_EQ(changed([](Reply& r) { r.id = std::string("\x80\x00\x00\x01", 4); }), "<none>");  // negative
    EXPECT_EQ(changed([](Reply& r) { r.id = std::string("\x01\x80\x00\x00\x01", 5); }), "<none>");  // 33 bits
    EXPECT_EQ(changed([](Reply& r) { r.version = "\x01"; }), "<none>");
    EXPECT_EQ(changed([](Reply& r) { r.community = "privat"; }), "<none>");
    EXPECT_EQ(changed([](Reply& r) { r.pduTag = 0xA0; }), "<none>");
    EXPECT_EQ(changed([](Reply& r) { r.junkIn = 0; }), "<none>");

    Reply longForm;
    longForm.longForm = true;
    for (const std::string& d : {Reply().bytes(), longForm.bytes()})
        for (size_t n = 0; n < d.size(); ++n) EXPECT_EQ(read(d.substr(0, n)), "<none>") << n;
    std::string good = Reply().bytes();
    EXPECT_EQ(read(good + '\0'), "<none>");
    // Four length bytes are the most read; the indefinite form never is.
    std::string body = good.substr(2);
    const char n = (char)body.size();
    EXPECT_EQ(read(std::string("\x30\x84\0\0\0", 5) + n + body), "Scanner 7");
    EXPECT_EQ(read(std::string("\x30\x85\0\0\0\0", 6) + n + body), "<none>");
    EXPECT_EQ(read("\x30\x80" + body + std::string(2, '\0')), "<none>");
    std::string over = good;
    over[over.size() - 10] = 10;  // the value's length, one past the end of its element
    EXPECT_EQ(read(over), "<no name>");
}

TEST(SnmpReply, TextIsPrintableTrimmedAndCut) {
    Reply r;
    const char raw[] = "\0 \tLab\x01" "3\x7F\xC3\xA9 \r\n";  // and its own NUL
    r.value = std::string(raw, sizeof raw);
    EXPECT_EQ(read(r.bytes()), "Lab?3???");
    r.value = "Scanner    7";
    EXPECT_EQ(read(r.bytes(), SnmpSysName, 6), "Scann");
    EXPECT_EQ(read(r.bytes(), SnmpSysName, 10), "Scanner");  // the cut's own trailing spaces go
    EXPECT_EQ(read(r.bytes(), SnmpSysName, 2), "S");
    EXPECT_EQ(read(r.bytes(), SnmpSysName, 1), "<no name>");
}
