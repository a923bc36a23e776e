#include "ui/snmp.h"

#include <string.h>

namespace {

enum {
    TagInteger = 0x02,
    TagOctetString = 0x04,
    TagNull = 0x05,
    TagObjectId = 0x06,
    TagSequence = 0x30,
    TagGetRequest = 0xA0,
    TagGetResponse = 0xA2,
};

// The objects' identifiers as they go on the wire. Every arc is below 128, so
// each is one byte, and the first two (1.3) share the byte 40 * 1 + 3.
struct ObjectId {
    unsigned char length;
    unsigned char bytes[11];
};

const ObjectId kObjects[SnmpObjectCount] = {
    {8, {0x2B, 6, 1, 2, 1, 1, 5, 0}},
    {8, {0x2B, 6, 1, 2, 1, 1, 6, 0}},
    {11, {0x2B, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1}},
    {8, {0x2B, 6, 1, 2, 1, 1, 1, 0}},
};

const char kCommunity[] = "public";
const size_t kCommunityLength = sizeof kCommunity - 1;

// The unread part of one element's content. Each element read narrows to a
// cursor over its own content, so no read can pass the end of any element
// that encloses it.
struct Cursor {
    const unsigned char* p;
    size_t left;
};

// Reads one element with the given tag at c into content and moves c past
// it. Only definite lengths: the short form, or 1 to 4 length bytes (which
// fit even a 32-bit size_t). Every tag asked for is a single byte, so a
// multi-byte tag (low bits 0x1F) never matches.
int readElement(Cursor* c, unsigned char tag, Cursor* content) {
    if (c->left < 2 || c->p[0] != tag) return 0;
    size_t at = 1;
    size_t length = c->p[at++];
    if (length & 0x80) {
        size_t count = length & 0x7F;
        // 0x80 is the indefinite form, which no answer of one object needs;
        // past 4 bytes a length would not fit a 32-bit size_t, and no
        // datagram comes near it.
        if (count == 0 || count > 4 || c->left - at < count) return 0;
        length = 0;
        for (size_t i = 0; i < count; ++i) length = (length << 8) | c->p[at++];
    }
    if (length > c->left - at) return 0;
    content->p = c->p + at;
    content->left = length;
    c->p += at + length;
    c->left -= at + length;
    return 1;
}

// A non-negative INTEGER of at most 32 bits, in 1 to 5 bytes (the fifth is
// the leading zero a value with its top bit set needs). Needless leading
// zeros are let pass: some agents write them, and the value is what counts.
int readUnsigned(Cursor* c, uint32_t* value) {
    Cursor v;
    if (!readElement(c, TagInteger, &v)) return 0;
    if (v.left == 0 || v.left > 5 || (v.p[0] & 0x80)) return 0;
    if (v.left == 5 && v.p[0] != 0) return 0;
    uint32_t n = 0;
    for (size_t i = 0; i < v.left; ++i) n = (n << 8) | v.p[i];
    *value = n;
    return 1;
}

int isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\0';
}

// The value as a line of text for the device list. Devices pad their names
// and end them with line breaks or a C string's NUL; those go first, before
// the rest of the control bytes become visible as '?'.
}  // namespace

int nameToText(const unsigned char* value, size_t length, char* out, size_t cap) {
    size_t begin = 0, end = length;
    while (begin < end && isBlank(value[begin])) ++begin;
    while (end > begin && isBlank(value[end - 1])) --end;
    if (cap < 2 || begin == end) return 0;
    size_t n = 0;
    for (size_t i = begin; i < end && n < cap - 1; ++i) {
        unsigned char ch = value[i];
        out[n++] = ch < 0x20 || ch >= 0x7F ? '?' : (char)ch;
    }
    while (out[n - 1] == ' ') --n;  // the cut may end inside a run of spaces
    out[n] = '\0';
    return 1;
}

namespace {

// 1: the answer with a name; -1: the answer to this request, but without a
// name (an error status, an exception value, another object); 0: not an
// answer to it at all.
int readReply(const unsigned char* data, size_t length, uint32_t requestId, const ObjectId& object,
              char* out, size_t cap) {
    Cursor datagram = {data, length}, message, pdu, list, varbind, part;
    uint32_t number;
    if (!readElement(&datagram, TagSequence, &message) || datagram.left != 0) return 0;

    if (!readUnsigned(&message, &number) || number != 0) return 0;  // version-1 is 0
    if (!readElement(&message, TagOctetString, &part)) return 0;
    if (part.left != kCommunityLength || memcmp(part.p, kCommunity, kCommunityLength) != 0) return 0;
    if (!readElement(&message, TagGetResponse, &pdu) || message.left != 0) return 0;

    if (!readUnsigned(&pdu, &number) || number != requestId) return 0;
    // From here on the device has answered this request: whatever is wrong
    // with the rest, it has no name to give for this object.
    if (!readUnsigned(&pdu, &number) || number != 0) return -1;  // error-status
    // error-index only points into the list when error-status is set.
    if (!readUnsigned(&pdu, &number)) return -1;
    if (!readElement(&pdu, TagSequence, &list) || pdu.left != 0) return -1;

    if (!readElement(&list, TagSequence, &varbind) || list.left != 0) return -1;
    if (!readElement(&varbind, TagObjectId, &part)) return -1;
    if (part.left != object.length || memcmp(part.p, object.bytes, object.length) != 0) return -1;
    // Exception values (0x80-0x82) and NULL fail here by their tag.
    if (!readElement(&varbind, TagOctetString, &part) || varbind.left != 0) return -1;

    return nameToText(part.p, part.left, out, cap) ? 1 : -1;
}

// Appends one element header with a short-form length: no request field
// reaches 128 bytes.
unsigned char* putHeader(unsigned char* p, unsigned char tag, size_t length) {
    p[0] = tag;
    p[1] = (unsigned char)length;
    return p + 2;
}

}  // namespace

size_t snmpBuildGet(uint32_t requestId, SnmpObject object, unsigned char* out, size_t cap) {
    if (!out || (unsigned)object >= (unsigned)SnmpObjectCount) return 0;
    const ObjectId& oid = kObjects[object];

    // The id in the fewest bytes, with a leading zero when its top bit would
    // otherwise read as a sign.
    unsigned char id[5];
    size_t idLength = 0;
    int shift = 24;
    while (shift > 0 && ((requestId >> shift) & 0xFF) == 0) shift -= 8;
    if ((requestId >> shift) & 0x80) id[idLength++] = 0;
    for (; shift >= 0; shift -= 8) id[idLength++] = (unsigned char)(requestId >> shift);

    // Content lengths, innermost first; each adds its parts' 2-byte headers.
    size_t varbind = (2 + oid.length) + 2;
    size_t list = 2 + varbind;
    size_t pdu = (2 + idLength) + 3 + 3 + (2 + list);
    size_t message = 3 + (2 + kCommunityLength) + (2 + pdu);
    size_t total = 2 + message;
    if (total > cap) return 0;

    unsigned char* p = putHeader(out, TagSequence, message);
    p = putHeader(p, TagInteger, 1);
    *p++ = 0;  // version-1
    p = putHeader(p, TagOctetString, kCommunityLength);
    memcpy(p, kCommunity, kCommunityLength);
    p += kCommunityLength;
    p = putHeader(p, TagGetRequest, pdu);
    p = putHeader(p, TagInteger, idLength);
    memcpy(p, id, idLength);
    p += idLength;
    for (int i = 0; i < 2; ++i) {  // error-status and error-index
        p = putHeader(p, TagInteger, 1);
        *p++ = 0;
    }
    p = putHeader(p, TagSequence, list);
    p = putHeader(p, TagSequence, varbind);
    p = putHeader(p, TagObjectId, oid.length);
    memcpy(p, oid.bytes, oid.length);
    p += oid.length;
    putHeader(p, TagNull, 0);
    return total;
}

int snmpReadReply(const unsigned char* data, size_t length, uint32_t requestId, SnmpObject object, char* out,
                  size_t cap) {
    if (!out) cap = 0;
    if (cap) out[0] = '\0';
    if (!data || (unsigned)object >= (unsigned)SnmpObjectCount) return 0;
    int answer = readReply(data, length, requestId, kObjects[object], out, cap);
    if (answer != 1 && cap) out[0] = '\0';
    return answer;
}
