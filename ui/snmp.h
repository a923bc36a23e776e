// The name query the scanner search sends to each device it found, without
// any socket: one SNMPv1 GetRequest for one object, and the check of the
// GetResponse that answers it. The objects are asked in the order of
// SnmpObject, each in a request of its own, because in SNMPv1 one object the
// device does not know fails the whole request.
//
// Only what the installer itself sends is accepted back: version 0, community
// "public", the same request id, the same single object, no error, and an
// OCTET STRING value. Lengths are read in the short form or with 1 to 4
// length bytes; indefinite lengths, longer length fields and multi-byte tags,
// which no answer of one object needs, are not a name.
#ifndef UI_SNMP_H
#define UI_SNMP_H

#include <stddef.h>
#include <stdint.h>

enum {
    SnmpPort = 161,        // where devices listen; the reply comes from there
    SnmpRequestMax = 48,   // the longest request (the longest object, a 5-byte id) fits
};

// The objects asked for, in the order the search asks them.
enum SnmpObject {
    SnmpSysName,      // sysName.0        1.3.6.1.2.1.1.5.0
    SnmpSysLocation,  // sysLocation.0    1.3.6.1.2.1.1.6.0
    SnmpDeviceDescr,  // hrDeviceDescr.1  1.3.6.1.2.1.25.3.2.1.3.1
    SnmpSysDescr,     // sysDescr.0       1.3.6.1.2.1.1.1.0
    SnmpObjectCount
};

// Writes the complete GetRequest for object with requestId (a positive
// INTEGER, shortest form) into out, and returns its length; 0 when cap is
// smaller than that, or for an object outside the list. No NUL is part of it.
size_t snmpBuildGet(uint32_t requestId, SnmpObject object, unsigned char* out, size_t cap);

// Whether a received datagram is the answer to the request for object with
// requestId, and the name it carries: returns 1 with the value as text in out
// (nameToText); -1 when it answers that request without a name (an error
// status, an exception value such as noSuchObject, NULL, another type or
// object, a value with nothing left as text); 0 when it is no answer to that
// request. Out is empty unless 1 (when cap allows). The whole datagram must
// be one GetResponse and nothing after it; every length must stay inside the
// element that holds it.
int snmpReadReply(const unsigned char* data, size_t length, uint32_t requestId, SnmpObject object, char* out,
                  size_t cap);

// A name as one line of text for the device list, from an SNMP value or a
// DNS answer: leading and trailing blanks (space, tab, CR, LF, VT, FF, NUL)
// dropped, every other byte below 0x20 or from 0x7F up shown as '?', cut to
// cap-1 characters and trailing spaces of the cut dropped too. Returns 0
// (out untouched) when nothing is left or cap is below 2.
int nameToText(const unsigned char* value, size_t length, char* out, size_t cap);

#endif
