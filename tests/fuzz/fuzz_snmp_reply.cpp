// Fuzzes the device name check. Input: 4 bytes of request id, then the
// datagram. Every object is tried on it with a small text buffer: a name must
// be non-empty printable text inside the buffer with no blank at either end,
// no name must leave the buffer empty, and no datagram may answer two objects.
// Then the datagram's first bytes become the value of the answer a device
// would give to our own request, which must be accepted exactly when the
// value holds something besides blanks.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "ui/snmp.h"

namespace {

const size_t kTextCap = 12;

int isBlank(unsigned char c) { return c == 0 || c == ' ' || (c >= '\t' && c <= '\r'); }

void checkName(int ok, const char* text) {
    size_t n = strnlen(text, kTextCap);
    if (n == kTextCap) __builtin_trap();
    if (!ok) {
        if (n != 0) __builtin_trap();
        return;
    }
    if (n == 0 || text[0] == ' ' || text[n - 1] == ' ') __builtin_trap();
    for (size_t i = 0; i < n; ++i)
        if (text[i] < 0x20 || text[i] > 0x7E) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    uint32_t id = (uint32_t)data[0] << 24 | (uint32_t)data[1] << 16 | (uint32_t)data[2] << 8 | data[3];
    const unsigned char* datagram = data + 4;
    size_t length = size - 4;

    int answered = 0;
    for (int o = 0; o < SnmpObjectCount; ++o) {
        char text[kTextCap];
        memset(text, 'Z', sizeof text);
        int ok = snmpReadReply(datagram, length, id, (SnmpObject)o, text, sizeof text) == 1;
        checkName(ok, text);
        answered += ok;
    }
    if (answered > 1) __builtin_trap();

    // Our request turned into its answer: GetResponse, and the NULL at its
    // end replaced by the value, every enclosing length grown to match.
    const SnmpObject object = (SnmpObject)(id % SnmpObjectCount);
    size_t valueLength = length < 64 ? length : 64;
    unsigned char reply[SnmpRequestMax + 66];
    size_t n = snmpBuildGet(id, object, reply, SnmpRequestMax);
    if (n < 2 || reply[n - 2] != 0x05) __builtin_trap();
    size_t list = 15 + 2 + reply[16] + 6;  // after the id, error-status and error-index
    if (reply[list] != 0x30 || reply[list + 2] != 0x30) __builtin_trap();
    reply[13] = 0xA2;
    const size_t grown[] = {1, 14, list + 1, list + 3};
    for (size_t i = 0; i < 4; ++i) reply[grown[i]] = (unsigned char)(reply[grown[i]] + valueLength);
    reply[n - 2] = 0x04;
    reply[n - 1] = (unsigned char)valueLength;
    memcpy(reply + n, datagram, valueLength);

    int expected = 0;
    for (size_t i = 0; i < valueLength; ++i) expected |= !isBlank(datagram[i]);
    char text[kTextCap];
    int answer = snmpReadReply(reply, n + valueLength, id, object, text, sizeof text);
    int ok = answer == 1;
    checkName(ok, text);
    if (answer == 0) __builtin_trap();  // it is the answer to our request, with or without a name
    if (ok != expected) __builtin_trap();
    return 0;
}
