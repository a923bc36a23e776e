// scanner-sim: plays one or many network scanners that answer the installer's
// UDP discovery request. A native Linux tool for tests and for field engineers;
// not part of the product. Build:
//   g++ -std=c++17 -O2 -Wall -Wextra -o scanner-sim scanner_sim.cpp
//
// The protocol, from the device's side:
//   request  one UDP datagram to port 4568 (normally broadcast to
//            255.255.255.255) whose payload is the product id in decimal
//            (1-5 digits, no leading zeros) immediately followed by the
//            requester's IPv4 address text ("a.b.c.d", no leading zeros);
//            no separator, no NUL, 8 to 20 bytes in all.
//   reply    one UDP datagram to port 4569 of the request's source address
//            whose payload is the address text that the request carried.
//
// Safety: the only destination this program ever sends to is the source
// address of a request it has just received. Its socket never gets
// SO_BROADCAST, so the kernel refuses any send to a broadcast address, and the
// program always ends by itself (--timeout-s, default 30 s; --count).
// See README.md next to this file for the options and examples.

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr unsigned kDefaultPort = 4568;
constexpr unsigned kDefaultReplyPort = 4569;
constexpr size_t kMaxDevices = 1024;
constexpr long kMaxTimeoutS = 7L * 24 * 3600;  // a week: long, but bounded
constexpr long kMaxDelayMs = 600000;
constexpr int kMaxJunk = 100000;
constexpr long kMaxPaceUs = 1000000;
constexpr size_t kMinRequest = 8, kMaxRequest = 20;

enum class ReplyMode { Echo, NulJunk, WrongText, TrailingSpace, Empty };

struct Options {
    unsigned port = kDefaultPort;
    unsigned replyPort = kDefaultReplyPort;
    std::vector<unsigned long> pids;  // empty: answer every product id
    std::vector<in_addr> devices;     // empty: one device, the address the request came in on
    long delayMs = 0;
    int rounds = 1;  // --twice: 2
    ReplyMode mode = ReplyMode::Echo;
    int modeOptions = 0;  // how many reply-mode options were given (at most one)
    int junk = 0;
    bool junkAround = false;  // junk before, between and after the replies, not all before
    long paceUs = 0;          // pause between the datagrams of one answer; 0: none
    long burst = 0;  // 0: every device in the list answers
    long count = 0;  // 0: no limit
    long onlyRequest = 0;  // 0: answer every request; N: only the Nth datagram received
    long timeoutS = 30;
    std::string logPath;
    std::string readyFile;
    std::vector<in_addr> snmpDevices;  // devices that also answer name requests (SNMP v1 GET)
    unsigned snmpPort = 161;
    int snmpJunk = 0;  // malformed and wrong answers before each real one
};

volatile sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

void usage(FILE* out) {
    std::fprintf(out,
        "usage: scanner-sim [options]\n"
        "Answers scanner discovery requests (UDP port 4568) like one or many network scanners.\n"
        "  --devices A,B,...        device addresses (must exist on this host); repeatable\n"
        "  --devices-range A-B      add every address from A to B (inclusive)\n"
        "  --burst N                only the first N addresses of the device list answer\n"
        "  --pid LIST               product ids to answer (decimal or 0x hex, comma separated);\n"
        "                           default: every product id\n"
        "  --port N                 port to listen on (default 4568)\n"
        "  --reply-port N           port replies go to (default 4569)\n"
        "  --delay-ms N             wait N ms before answering\n"
        "  --twice                  each device answers twice\n"
        "  --trailing-nul-junk      reply = text, NUL, \"junk\", 0xFF, 0x01\n"
        "  --wrong-text             reply = the device's own address instead of the request's text\n"
        "  --trailing-space         reply = text followed by one space\n"
        "  --empty                  reply = empty datagram\n"
        "  --junk N                 first send N near-miss datagrams to the requester (at most %d)\n"
        "  --junk-around            split the junk into runs before, between and after the\n"
        "                           real answers instead of sending it all first\n"
        "  --pace-us N              send the datagrams of one answer N microseconds apart\n"
        "                           (default 0: as fast as possible)\n"
        "  --count N                exit after N received datagrams (and their replies)\n"
        "  --only-request N         answer the Nth datagram received only (a requester that\n"
        "                           repeats its request, heard only the Nth time)\n"
        "  --timeout-s N            exit after N seconds (default 30, at most %ld)\n"
        "  --log FILE               append one line per received datagram\n"
        "  --ready-file FILE        create FILE once the port is bound\n"
        "  --snmp A-B               these device addresses also answer name requests (SNMP v1\n"
        "                           GET, community public) on their own port 161\n"
        "  --snmp-port N            port of the name requests (default 161)\n"
        "  --snmp-junk N            before each name answer, N malformed or wrong answers\n"
        "On exit prints: scanner-sim: requests=R replies=P junk=J [names=A name-junk=K]\n",
        kMaxJunk, kMaxTimeoutS);
}

// ---------------------------------------------------------------- parsing

// Decimal, or hexadecimal with 0x; no sign, no blanks, nothing after.
bool parseNumber(const std::string& s, unsigned long max, unsigned long* out) {
    if (s.empty() || s.size() > 12) return false;
    int base = 10;
    size_t i = 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        i = 2;
    }
    unsigned long v = 0;
    for (; i < s.size(); ++i) {
        int d;
        char c = s[i];
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * base + d;
        if (v > max) return false;
    }
    *out = v;
    return true;
}

// The strict form the installer writes: four fields 0-255 in decimal, no
// leading zeros, separated by single dots, and nothing else in [s, s+len).
bool parseDotted(const char* s, size_t len, uint32_t* hostOrder) {
    if (len < 7 || len > 15) return false;
    uint32_t value = 0;
    size_t i = 0;
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (i >= len || s[i] != '.') return false;
            ++i;
        }
        size_t start = i;
        unsigned n = 0;
        while (i < len && s[i] >= '0' && s[i] <= '9' && i - start < 3) n = n * 10 + (s[i++] - '0');
        size_t digits = i - start;
        if (digits == 0 || n > 255) return false;
        if (digits > 1 && s[start] == '0') return false;
        value = (value << 8) | n;
    }
    if (i != len) return false;
    *hostOrder = value;
    return true;
}

bool parseAddressOption(const std::string& s, in_addr* out) {
    uint32_t v;
    if (!parseDotted(s.data(), s.size(), &v)) return false;
    out->s_addr = htonl(v);
    return true;
}

std::vector<std::string> splitList(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        parts.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

std::string addrText(in_addr a) {
    char buf[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

struct Split {
    unsigned long pid;
    size_t digits;  // length of the product-id part
    std::string address;
};

struct Parsed {
    bool valid = false;
    bool wanted = false;  // valid, and its product id is one we answer to
    Split chosen{};
    size_t splits = 0;
    const char* reason = "";
};

bool pidWanted(const Options& o, unsigned long pid) {
    if (o.pids.empty()) return true;
    for (unsigned long p : o.pids)
        if (p == pid) return true;
    return false;
}

// The two parts of a request meet without a separator, so a payload such as
// "466010.99.0.1" splits validly more than one way ("4660" + "10.99.0.1" and
// "46601" + "0.99.0.1"). Every split point of 1-5 digits is tried; of the
// valid ones the first rule that leaves any choice decides:
//   1. with --pid, only splits whose product id is in the set count (none: the
//      request is not for us);
//   2. splits whose address equals the request's source address win;
//   3. the longest address (the shortest product id) wins.
Parsed parseRequest(const Options& o, const unsigned char* p, size_t len, in_addr source) {
    Parsed r;
    if (len < kMinRequest || len > kMaxRequest) {
        r.reason = "length not 8-20";
        return r;
    }
    std::vector<Split> all;
    for (size_t k = 1; k <= 5 && k < len; ++k) {
        if (p[k - 1] < '0' || p[k - 1] > '9') break;
        if (k > 1 && p[0] == '0') break;  // leading zero: no longer split can be valid
        uint32_t a;
        if (!parseDotted(reinterpret_cast<const char*>(p) + k, len - k, &a)) continue;
        unsigned long pid = 0;
        for (size_t i = 0; i < k; ++i) pid = pid * 10 + (p[i] - '0');
        all.push_back(Split{pid, k, std::string(reinterpret_cast<const char*>(p) + k, len - k)});
    }
    r.splits = all.size();
    if (all.empty()) {
        r.reason = "no valid product id + address split";
        return r;
    }
    r.valid = true;
    std::vector<Split> pool;
    for (const Split& s : all)
        if (pidWanted(o, s.pid)) pool.push_back(s);
    r.wanted = !pool.empty();
    if (pool.empty()) {
        pool = all;  // still pick one, for the log
        r.reason = "product id not answered";
    }
    std::vector<Split> fromSource;
    std::string src = addrText(source);
    for (const Split& s : pool)
        if (s.address == src) fromSource.push_back(s);
    if (!fromSource.empty()) pool = fromSource;
    r.chosen = pool.front();  // splits were collected shortest product id first
    return r;
}

// ---------------------------------------------------------------- options

bool takeValue(int argc, char** argv, int* i, const std::string& name, std::string* inlineValue,
               std::string* value) {
    if (!inlineValue->empty() || argv[*i][name.size()] == '=') {
        *value = *inlineValue;
        return true;
    }
    if (*i + 1 >= argc) {
        std::fprintf(stderr, "scanner-sim: %s needs a value\n", name.c_str());
        return false;
    }
    *value = argv[++*i];
    return true;
}

bool addDevice(Options* o, in_addr a) {
    for (const in_addr& d : o->devices)
        if (d.s_addr == a.s_addr) {
            std::fprintf(stderr, "scanner-sim: device address %s given twice\n", addrText(a).c_str());
            return false;
        }
    if (o->devices.size() >= kMaxDevices) {
        std::fprintf(stderr, "scanner-sim: more than %zu devices\n", kMaxDevices);
        return false;
    }
    o->devices.push_back(a);
    return true;
}

// Returns 0 to go on, or the exit code (0 after --help, 2 on a usage error).
int parseOptions(int argc, char** argv, Options* o, bool* done) {
    *done = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string name = arg, inlineValue;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        std::string v;
        unsigned long n;
        auto number = [&](unsigned long min, unsigned long max, unsigned long* out) {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v)) return false;
            if (!parseNumber(v, max, out) || *out < min) {
                std::fprintf(stderr, "scanner-sim: %s: '%s' is not a number from %lu to %lu\n",
                             name.c_str(), v.c_str(), min, max);
                return false;
            }
            return true;
        };
        auto flag = [&]() {
            if (eq != std::string::npos) {
                std::fprintf(stderr, "scanner-sim: %s takes no value\n", name.c_str());
                return false;
            }
            return true;
        };
        if (name == "--help" || name == "-h") {
            usage(stdout);
            *done = true;
            return 0;
        } else if (name == "--devices") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v)) return 2;
            for (const std::string& part : splitList(v)) {
                in_addr a;
                if (!parseAddressOption(part, &a)) {
                    std::fprintf(stderr, "scanner-sim: --devices: '%s' is not an IPv4 address\n", part.c_str());
                    return 2;
                }
                if (!addDevice(o, a)) return 2;
            }
        } else if (name == "--devices-range") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v)) return 2;
            size_t dash = v.find('-');
            in_addr a, b;
            if (dash == std::string::npos || !parseAddressOption(v.substr(0, dash), &a) ||
                !parseAddressOption(v.substr(dash + 1), &b) || ntohl(a.s_addr) > ntohl(b.s_addr)) {
                std::fprintf(stderr, "scanner-sim: --devices-range: '%s' is not FIRST-LAST\n", v.c_str());
                return 2;
            }
            for (uint32_t x = ntohl(a.s_addr);; ++x) {
                in_addr d;
                d.s_addr = htonl(x);
                if (!addDevice(o, d)) return 2;
                if (x == ntohl(b.s_addr)) break;
            }
        } else if (name == "--snmp") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v)) return 2;
            size_t dash = v.find('-');
            in_addr a, b;
            if (dash == std::string::npos || !parseAddressOption(v.substr(0, dash), &a) ||
                !parseAddressOption(v.substr(dash + 1), &b) || ntohl(a.s_addr) > ntohl(b.s_addr) ||
                ntohl(b.s_addr) - ntohl(a.s_addr) >= kMaxDevices) {
                std::fprintf(stderr, "scanner-sim: --snmp: '%s' is not FIRST-LAST\n", v.c_str());
                return 2;
            }
            for (uint32_t x = ntohl(a.s_addr); x <= ntohl(b.s_addr); ++x) {
                in_addr d;
                d.s_addr = htonl(x);
                o->snmpDevices.push_back(d);
            }
        } else if (name == "--snmp-port") {
            if (!number(1, 65535, &n)) return 2;
            o->snmpPort = static_cast<unsigned>(n);
        } else if (name == "--snmp-junk") {
            if (!number(0, kMaxJunk, &n)) return 2;
            o->snmpJunk = static_cast<int>(n);
        } else if (name == "--pid") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v)) return 2;
            o->pids.clear();
            for (const std::string& part : splitList(v)) {
                if (!parseNumber(part, 99999, &n)) {
                    std::fprintf(stderr, "scanner-sim: --pid: '%s' is not a product id\n", part.c_str());
                    return 2;
                }
                o->pids.push_back(n);
            }
        } else if (name == "--port") {
            if (!number(1, 65535, &n)) return 2;
            o->port = n;
        } else if (name == "--reply-port") {
            if (!number(1, 65535, &n)) return 2;
            o->replyPort = n;
        } else if (name == "--delay-ms") {
            if (!number(0, kMaxDelayMs, &n)) return 2;
            o->delayMs = n;
        } else if (name == "--junk") {
            if (!number(0, kMaxJunk, &n)) return 2;
            o->junk = n;
        } else if (name == "--pace-us") {
            if (!number(0, kMaxPaceUs, &n)) return 2;
            o->paceUs = n;
        } else if (name == "--junk-around") {
            if (!flag()) return 2;
            o->junkAround = true;
        } else if (name == "--burst") {
            if (!number(1, kMaxDevices, &n)) return 2;
            o->burst = n;
        } else if (name == "--count") {
            if (!number(1, 1000000000, &n)) return 2;
            o->count = n;
        } else if (name == "--only-request") {
            if (!number(1, 1000000000, &n)) return 2;
            o->onlyRequest = n;
        } else if (name == "--timeout-s") {
            if (!number(1, kMaxTimeoutS, &n)) return 2;
            o->timeoutS = n;
        } else if (name == "--log") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v) || v.empty()) return 2;
            o->logPath = v;
        } else if (name == "--ready-file") {
            if (!takeValue(argc, argv, &i, name, &inlineValue, &v) || v.empty()) return 2;
            o->readyFile = v;
        } else if (name == "--twice") {
            if (!flag()) return 2;
            o->rounds = 2;
        } else if (name == "--trailing-nul-junk" || name == "--wrong-text" || name == "--trailing-space" ||
                   name == "--empty") {
            if (!flag()) return 2;
            o->mode = name == "--trailing-nul-junk" ? ReplyMode::NulJunk
                    : name == "--wrong-text"        ? ReplyMode::WrongText
                    : name == "--trailing-space"    ? ReplyMode::TrailingSpace
                                                    : ReplyMode::Empty;
            ++o->modeOptions;
        } else {
            std::fprintf(stderr, "scanner-sim: unknown option '%s' (try --help)\n", arg.c_str());
            return 2;
        }
    }
    if (o->modeOptions > 1) {
        std::fprintf(stderr,
                     "scanner-sim: choose at most one of --trailing-nul-junk, --wrong-text, "
                     "--trailing-space, --empty\n");
        return 2;
    }
    if (o->burst > 0 && static_cast<size_t>(o->burst) > o->devices.size()) {
        std::fprintf(stderr, "scanner-sim: --burst %ld needs at least that many device addresses (have %zu)\n",
                     o->burst, o->devices.size());
        return 2;
    }
    // Two simulators facing each other with equal ports could answer each
    // other's replies for ever; a reply to the listening port is never needed.
    if (o->replyPort == o->port) {
        std::fprintf(stderr, "scanner-sim: --reply-port must differ from --port\n");
        return 2;
    }
    return 0;
}

// ---------------------------------------------------------------- sending

double nowSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Outgoing {
    double due;
    in_addr source;  // 0: let the kernel choose
    sockaddr_in dest;
    std::string data;
    bool junk;
    int via = -1;  // a device's own name socket; -1: the discovery socket, from `source`
};

// One socket serves every device: IP_PKTINFO on each send picks the device's
// source address, so no per-device socket (and no per-device bind of the
// broadcast port) is needed.
bool sendFrom(int fd, const Outgoing& m) {
    iovec iov;
    iov.iov_base = const_cast<char*>(m.data.data());
    iov.iov_len = m.data.size();
    msghdr h{};
    h.msg_name = const_cast<sockaddr_in*>(&m.dest);
    h.msg_namelen = sizeof m.dest;
    h.msg_iov = &iov;
    h.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    if (m.source.s_addr != 0) {
        std::memset(control, 0, sizeof control);
        h.msg_control = control;
        h.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&h);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst = m.source;
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    for (;;) {
        ssize_t n = sendmsg(fd, &h, 0);
        if (n == static_cast<ssize_t>(m.data.size())) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == ENOBUFS)) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            if (gStop) return false;
            continue;
        }
        std::fprintf(stderr, "scanner-sim: send from %s to %s failed: %s\n", addrText(m.source).c_str(),
                     addrText(m.dest.sin_addr).c_str(), n < 0 ? std::strerror(errno) : "short send");
        return false;
    }
}

// Datagrams that look nearly like a reply and that a correct requester drops.
std::string junkPayload(int i, const std::string& text, const unsigned char* request, size_t requestLen) {
    switch (i % 6) {
    case 0: {  // 300-2000 bytes; no NUL within its first 255 bytes, so it must be judged as a whole
        size_t size = 300 + (static_cast<size_t>(i / 6) * 617) % 1701;
        std::string s = text;
        while (s.size() < size) s += static_cast<char>('0' + s.size() % 10);
        s[260] = '\0';
        return s;
    }
    case 1:
        return std::string(16, '\0');
    case 2: {  // one digit changed
        std::string s = text;
        for (size_t k = s.size(); k-- > 0;)
            if (s[k] >= '0' && s[k] <= '9') {
                s[k] = static_cast<char>('0' + (s[k] - '0' + 1) % 10);
                break;
            }
        return s;
    }
    case 3:
        return text + "\n";
    case 4:
        return text.substr(0, text.size() - 1);
    default:  // the request itself, echoed
        return std::string(reinterpret_cast<const char*>(request), requestLen);
    }
}

std::string replyPayload(ReplyMode mode, const std::string& text, in_addr device) {
    switch (mode) {
    case ReplyMode::NulJunk:
        return text + std::string("\0junk\xff\x01", 7);
    case ReplyMode::WrongText:
        return addrText(device);
    case ReplyMode::TrailingSpace:
        return text + " ";
    case ReplyMode::Empty:
        return std::string();
    default:
        return text;
    }
}

// ---------------------------------------------------------------- names (SNMP)

// The names a device gives, from its address a.b.c.d: sysName "MFP-c-d",
// sysLocation "Floor (d mod 10), room d"; a device whose last number is even
// knows hrDeviceDescr.1 ("Example MFP d"), an odd one answers it with the
// error noSuchName and gives its model as sysDescr ("Example MFP d (sysDescr)").
struct Tlv {
    unsigned char tag = 0;
    const unsigned char* body = nullptr;
    size_t length = 0;
};

// One element at p (short or 1-4 byte long lengths), inside the n bytes left.
bool readTlv(const unsigned char*& p, size_t& n, Tlv* t) {
    if (n < 2) return false;
    size_t at = 2, length = p[1];
    if (length & 0x80) {
        size_t k = length & 0x7F;
        if (k == 0 || k > 4 || n < 2 + k) return false;
        length = 0;
        for (size_t i = 0; i < k; ++i) length = (length << 8) | p[2 + i];
        at += k;
    }
    if (length > n - at) return false;
    t->tag = p[0];
    t->body = p + at;
    t->length = length;
    p += at + length;
    n -= at + length;
    return true;
}

std::string ber(unsigned char tag, const std::string& body) {
    std::string out(1, static_cast<char>(tag));
    if (body.size() < 128) out += static_cast<char>(body.size());
    else out += std::string("\x82", 1) + static_cast<char>(body.size() >> 8) + static_cast<char>(body.size() & 0xFF);
    return out + body;
}

struct NameRequest {
    std::string id;   // the request id's content bytes, answered as they came
    std::string oid;  // the one object's id bytes
};

bool parseNameRequest(const unsigned char* p, size_t n, NameRequest* r) {
    Tlv message, version, community, pdu, id, status, index, list, varbind, oid;
    if (!readTlv(p, n, &message) || message.tag != 0x30) return false;
    const unsigned char* q = message.body;
    size_t m = message.length;
    if (!readTlv(q, m, &version) || !readTlv(q, m, &community) || !readTlv(q, m, &pdu) || pdu.tag != 0xA0)
        return false;
    if (std::string(reinterpret_cast<const char*>(community.body), community.length) != "public") return false;
    q = pdu.body;
    m = pdu.length;
    if (!readTlv(q, m, &id) || !readTlv(q, m, &status) || !readTlv(q, m, &index) || !readTlv(q, m, &list)) return false;
    q = list.body;
    m = list.length;
    if (!readTlv(q, m, &varbind) || m != 0) return false;
    q = varbind.body;
    m = varbind.length;
    if (!readTlv(q, m, &oid) || oid.tag != 0x06) return false;
    r->id.assign(reinterpret_cast<const char*>(id.body), id.length);
    r->oid.assign(reinterpret_cast<const char*>(oid.body), oid.length);
    return true;
}

// The answer to r from device d: its value, or noSuchName (error-status 2).
std::string nameAnswer(const NameRequest& r, in_addr d, const char* community = "public") {
    const uint32_t h = ntohl(d.s_addr);
    const unsigned third = (h >> 8) & 0xFF, last = h & 0xFF;
    const std::string prefix("\x2B\x06\x01\x02\x01", 5);
    std::string value;
    char text[96];
    if (r.oid == prefix + std::string("\x01\x05\x00", 3)) std::snprintf(text, sizeof text, "MFP-%u-%u", third, last);
    else if (r.oid == prefix + std::string("\x01\x06\x00", 3))
        std::snprintf(text, sizeof text, "Floor %u, room %u", last % 10, last);
    else if (r.oid == prefix + std::string("\x19\x03\x02\x01\x03\x01", 6) && last % 2 == 0)
        std::snprintf(text, sizeof text, "Example MFP %u", last);
    else if (r.oid == prefix + std::string("\x01\x01\x00", 3))
        std::snprintf(text, sizeof text, "Example MFP %u (sysDescr)", last);
    else text[0] = '\0';
    const bool known = text[0] != '\0';
    std::string varbind = ber(0x06, r.oid) + (known ? ber(0x04, text) : std::string("\x05\x00", 2));
    std::string pdu = ber(0x02, r.id) + ber(0x02, std::string(1, known ? '\0' : '\x02')) +
                      ber(0x02, std::string(1, known ? '\0' : '\x01')) + ber(0x30, ber(0x30, varbind));
    return ber(0x30, ber(0x02, std::string(1, '\0')) + ber(0x04, community) + ber(0xA2, pdu));
}

// Near misses of an answer, in turn: another request id, cut short, a length
// of four gigabytes, random bytes, another community, a datagram too long
// for any answer, and the answer itself from another device.
std::string nameJunk(int i, const NameRequest& r, in_addr d, bool* fromOther) {
    *fromOther = false;
    std::string good = nameAnswer(r, d);
    switch (i % 7) {
    case 0: {
        NameRequest other = r;
        other.id.back() = static_cast<char>(other.id.back() ^ 1);
        return nameAnswer(other, d);
    }
    case 1: return good.substr(0, good.size() / 2);
    case 2: return std::string("\x30\x84\xFF\xFF\xFF\xFF", 6) + good.substr(2);
    case 3: {
        std::string junk(300 + (i * 37) % 1100, '\0');
        for (size_t k = 0; k < junk.size(); ++k) junk[k] = static_cast<char>((k * 131 + i * 7) & 0xFF);
        return junk;
    }
    case 4: return nameAnswer(r, d, "privat");
    case 5: return ber(0x30, good + std::string(4000, 'x'));
    default: *fromOther = true; return good;
    }
}

// ---------------------------------------------------------------- logging

std::string hexOf(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string quoted(const unsigned char* p, size_t n) {
    std::string s = "\"";
    char buf[8];
    for (size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7f && p[i] != '"' && p[i] != '\\') {
            s += static_cast<char>(p[i]);
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02x", p[i]);
            s += buf;
        }
    }
    return s + "\"";
}

std::string timestamp() {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    tm parts;
    gmtime_r(&t.tv_sec, &parts);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(t.tv_nsec / 1000000));
    return buf;
}

// ---------------------------------------------------------------- main loop

struct Counters {
    unsigned long requests = 0, replies = 0, junk = 0, names = 0, nameJunk = 0;
};

// Name requests waiting on device socket i: each gets its junk, then its
// answer, queued --pace-us apart after whatever is queued already.
void answerNames(const Options& o, const std::vector<int>& fds, size_t i, FILE* log, std::deque<Outgoing>* queue) {
    unsigned char buf[2048];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n = recvfrom(fds[i], buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) return;
        const in_addr d = o.snmpDevices[i];
        NameRequest r;
        const bool valid = parseNameRequest(buf, static_cast<size_t>(n), &r);
        if (log) {
            std::fprintf(log, "%s name-request from=%s:%u to=%s len=%zd hex=%s action=%s\n", timestamp().c_str(),
                         addrText(from.sin_addr).c_str(), ntohs(from.sin_port), addrText(d).c_str(), n,
                         hexOf(buf, static_cast<size_t>(n)).c_str(), valid ? "answer" : "ignore");
            std::fflush(log);
        }
        if (!valid) continue;
        Outgoing m{};
        m.due = queue->empty() ? nowSeconds() : queue->back().due + o.paceUs / 1e6;
        m.dest = from;
        for (int j = 0; j <= o.snmpJunk; ++j) {
            bool fromOther = false;
            m.junk = j < o.snmpJunk;
            m.data = m.junk ? nameJunk(j, r, d, &fromOther) : nameAnswer(r, d);
            m.via = fromOther ? fds[(i + 1) % fds.size()] : fds[i];
            queue->push_back(m);
            m.due += o.paceUs / 1e6;
        }
    }
}

bool isUsableSource(in_addr a) {
    uint32_t h = ntohl(a.s_addr);
    return h != 0 && h != 0xffffffffu && (h >> 28) != 0xe;  // not 0.0.0.0, broadcast or multicast
}

void handleDatagram(const Options& o, const unsigned char* p, size_t len, const sockaddr_in& from,
                    const in_pktinfo* info, double now, std::deque<Outgoing>* queue, FILE* log, unsigned long seq) {
    Parsed r = parseRequest(o, p, len, from.sin_addr);

    // Who answers: a request sent to one device's own address reaches that
    // device alone; a broadcast (or any other destination) reaches them all.
    std::vector<in_addr> answering;
    if (o.devices.empty()) {
        in_addr self{};
        if (info) self = info->ipi_spec_dst;  // the address the request came in on
        answering.push_back(self);
    } else {
        for (const in_addr& d : o.devices)
            if (info && d.s_addr == info->ipi_addr.s_addr) answering.push_back(d);
        if (answering.empty()) {
            size_t n = o.burst > 0 ? static_cast<size_t>(o.burst) : o.devices.size();
            answering.assign(o.devices.begin(), o.devices.begin() + n);
        }
    }

    const char* action = "answer";
    const char* reason = r.reason;
    if (!r.valid || !r.wanted) action = "ignore";
    else if (!isUsableSource(from.sin_addr)) {
        action = "ignore";
        reason = "source address cannot be answered";
    } else if (o.onlyRequest > 0 && seq != static_cast<unsigned long>(o.onlyRequest)) {
        action = "ignore";
        reason = "not the one request to answer (--only-request)";
    }

    if (log) {
        std::fprintf(log, "%s request=%lu from=%s:%u to=%s len=%zu hex=%s text=%s", timestamp().c_str(), seq,
                     addrText(from.sin_addr).c_str(), ntohs(from.sin_port),
                     info ? addrText(info->ipi_addr).c_str() : "?", len, hexOf(p, len).c_str(), quoted(p, len).c_str());
        if (r.valid)
            std::fprintf(log, " pid=%lu addr=%s splits=%zu", r.chosen.pid, r.chosen.address.c_str(), r.splits);
        else
            std::fprintf(log, " pid=- addr=- splits=0");
        if (std::strcmp(action, "answer") == 0)
            std::fprintf(log, " action=answer devices=%zu\n", answering.size());
        else
            std::fprintf(log, " action=ignore reason=\"%s\"\n", reason);
        std::fflush(log);
    }
    if (std::strcmp(action, "answer") != 0) return;

    Outgoing m{};
    m.due = now + o.delayMs / 1000.0;
    m.dest.sin_family = AF_INET;
    m.dest.sin_addr = from.sin_addr;  // the requester, and never anything else
    m.dest.sin_port = htons(static_cast<uint16_t>(o.replyPort));
    auto push = [&](in_addr source, std::string data, bool junk) {
        m.source = source;
        m.data = std::move(data);
        m.junk = junk;
        queue->push_back(m);
        m.due += o.paceUs / 1e6;
    };
    std::vector<in_addr> replyFrom;  // one entry per real answer, in the order sent
    for (int round = 0; round < o.rounds; ++round)
        for (const in_addr& d : answering) replyFrom.push_back(d);
    // The junk comes in R + 1 runs around the R real answers: with
    // --junk-around nearly equal ones, otherwise the first run holds it all.
    const size_t runs = replyFrom.size() + 1;
    int j = 0;
    for (size_t k = 0; k < runs; ++k) {
        const int end = o.junkAround ? static_cast<int>(static_cast<long long>(o.junk) * (k + 1) / runs) : o.junk;
        for (; j < end; ++j) push(answering[j % answering.size()], junkPayload(j, r.chosen.address, p, len), true);
        if (k < replyFrom.size()) push(replyFrom[k], replyPayload(o.mode, r.chosen.address, replyFrom[k]), false);
    }
}

int run(const Options& o, const sigset_t& waitMask) {
    // Every device address must be one of this host's own: a probe bind fails
    // with EADDRNOTAVAIL otherwise.
    for (const in_addr& d : o.devices) {
        int probe = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr = d;
        bool ok = probe >= 0 && bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        int err = errno;
        if (probe >= 0) close(probe);
        if (!ok) {
            std::fprintf(stderr, "scanner-sim: device address %s is not usable here (%s); add it first, e.g. "
                                 "ip addr add %s/24 dev IFACE\n",
                         addrText(d).c_str(), std::strerror(err), addrText(d).c_str());
            return 1;
        }
    }

    FILE* log = nullptr;
    if (!o.logPath.empty()) {
        log = std::fopen(o.logPath.c_str(), "a");
        if (!log) {
            std::fprintf(stderr, "scanner-sim: cannot open log %s: %s\n", o.logPath.c_str(), std::strerror(errno));
            return 1;
        }
    }

    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::perror("scanner-sim: socket");
        return 1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    int big = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    // A socket bound to 0.0.0.0 receives broadcasts to its port as well as
    // unicast to any local address; one bound to a device address would not.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(o.port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "scanner-sim: bind to port %u: %s\n", o.port, std::strerror(errno));
        close(fd);
        return 1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    // One socket per device that answers name requests, bound to its own
    // address: another agent (snmpd) may hold the port on a further address.
    std::vector<int> snmpFds;
    for (const in_addr& d : o.snmpDevices) {
        int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr = d;
        a.sin_port = htons(static_cast<uint16_t>(o.snmpPort));
        if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            std::fprintf(stderr, "scanner-sim: name requests on %s:%u: %s\n", addrText(d).c_str(), o.snmpPort,
                         std::strerror(errno));
            if (s >= 0) close(s);
            for (int f : snmpFds) close(f);
            close(fd);
            return 1;
        }
        snmpFds.push_back(s);
    }

    if (!o.readyFile.empty()) {
        int rf = open(o.readyFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (rf < 0) {
            std::fprintf(stderr, "scanner-sim: cannot create %s: %s\n", o.readyFile.c_str(), std::strerror(errno));
            close(fd);
            return 1;
        }
        close(rf);
    }

    Counters c;
    std::deque<Outgoing> queue;
    std::deque<Outgoing> names;  // name answers and their junk, in their own time
    std::vector<unsigned char> buf(65536);
    const double deadline = nowSeconds() + o.timeoutS;
    bool receiving = true;

    while (!gStop) {
        double now = nowSeconds();
        if (now >= deadline) break;
        while (!queue.empty() && queue.front().due <= now && !gStop) {
            if (sendFrom(fd, queue.front())) ++(queue.front().junk ? c.junk : c.replies);
            queue.pop_front();
        }
        while (!names.empty() && names.front().due <= now && !gStop) {
            if (sendFrom(names.front().via, names.front())) ++(names.front().junk ? c.nameJunk : c.names);
            names.pop_front();
        }
        if (!receiving && queue.empty() && names.empty()) break;

        double until = deadline;
        if (!queue.empty() && queue.front().due < until) until = queue.front().due;
        if (!names.empty() && names.front().due < until) until = names.front().due;
        double waitS = until - nowSeconds();
        if (waitS < 0) waitS = 0;
        std::vector<pollfd> pfds(1 + snmpFds.size());
        pfds[0] = {fd, static_cast<short>(receiving ? POLLIN : 0), 0};
        for (size_t i = 0; i < snmpFds.size(); ++i) pfds[1 + i] = {snmpFds[i], POLLIN, 0};
        timespec wait;
        wait.tv_sec = static_cast<time_t>(waitS);
        wait.tv_nsec = static_cast<long>((waitS - static_cast<double>(wait.tv_sec)) * 1e9);
        // The stop signals are blocked except inside this wait, so one that
        // arrives at any other moment still ends the wait at once.
        int ready = ppoll(pfds.data(), pfds.size(), &wait, &waitMask);
        if (ready <= 0) continue;
        for (size_t i = 0; i < snmpFds.size(); ++i)
            if (pfds[1 + i].revents & POLLIN) answerNames(o, snmpFds, i, log, &names);
        if (!(pfds[0].revents & POLLIN)) continue;

        while (receiving && !gStop) {
            sockaddr_in from{};
            iovec iov{buf.data(), buf.size()};
            alignas(cmsghdr) char control[256];
            msghdr h{};
            h.msg_name = &from;
            h.msg_namelen = sizeof from;
            h.msg_iov = &iov;
            h.msg_iovlen = 1;
            h.msg_control = control;
            h.msg_controllen = sizeof control;
            ssize_t n = recvmsg(fd, &h, 0);
            if (n < 0) break;  // EAGAIN: drained
            if (from.sin_family != AF_INET) continue;
            const in_pktinfo* info = nullptr;
            for (cmsghdr* cm = CMSG_FIRSTHDR(&h); cm; cm = CMSG_NXTHDR(&h, cm))
                if (cm->cmsg_level == IPPROTO_IP && cm->cmsg_type == IP_PKTINFO)
                    info = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(cm));
            ++c.requests;
            handleDatagram(o, buf.data(), static_cast<size_t>(n), from, info, nowSeconds(), &queue, log, c.requests);
            if (o.count > 0 && c.requests >= static_cast<unsigned long>(o.count)) receiving = false;
        }
    }

    close(fd);
    for (int f : snmpFds) close(f);
    if (log) std::fclose(log);
    if (snmpFds.empty()) std::printf("scanner-sim: requests=%lu replies=%lu junk=%lu\n", c.requests, c.replies, c.junk);
    else
        std::printf("scanner-sim: requests=%lu replies=%lu junk=%lu names=%lu name-junk=%lu\n", c.requests, c.replies,
                    c.junk, c.names, c.nameJunk);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    bool done;
    int rc = parseOptions(argc, argv, &o, &done);
    if (rc != 0 || done) return rc;

    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &sa, nullptr);
        sigaddset(&stopSignals, s);
    }
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigdelset(&waitMask, s);
    return run(o, waitMask);
}
