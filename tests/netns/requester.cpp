// requester: a tiny native stand-in for the installer's search, for tests of
// the scanner simulator and the namespace harness. It sends one discovery
// request (product id in decimal + its own address text, no separator, no NUL)
// from port 4569 to 255.255.255.255:4568, then prints every datagram that
// reaches port 4569 within the wait as "from <ip>: <payload hex>".
//
// Options: --pid N (4660), --addr TEXT (own address text; default the first
// non-loopback IPv4 address), --raw-hex HEX (send these bytes instead),
// --dest IP (255.255.255.255), --port N (4568), --listen-port N (4569),
// --src-port N (send from a second socket bound to this port instead of the
// listening one), --wait-ms N (1000).
//
// It refuses to send anywhere but loopback unless it runs inside a named
// network namespace (one under /run/netns), so a broadcast can never leave
// the machine's default namespace by mistake.
#include <arpa/inet.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool inNamedNamespace() {
    struct stat self;
    if (stat("/proc/self/ns/net", &self) != 0) return false;
    DIR* d = opendir("/run/netns");
    if (!d) return false;
    bool found = false;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::string path = std::string("/run/netns/") + e->d_name;
        struct stat ns;
        if (stat(path.c_str(), &ns) == 0 && ns.st_dev == self.st_dev && ns.st_ino == self.st_ino) found = true;
    }
    closedir(d);
    return found;
}

std::string firstOwnAddress() {
    ifaddrs* list = nullptr;
    std::string result = "127.0.0.1";
    if (getifaddrs(&list) != 0) return result;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_LOOPBACK)) continue;
        char buf[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, buf, sizeof buf);
        result = buf;
        break;
    }
    freeifaddrs(list);
    return result;
}

bool fromHex(const std::string& hex, std::string* out) {
    if (hex.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end;
        long v = std::strtol(pair, &end, 16);
        if (*end) return false;
        out->push_back(static_cast<char>(v));
    }
    return true;
}

int boundSocket(unsigned port) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    int big = 1 << 20;  // bursts of hundreds of replies
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

long msSince(const timespec& start) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long pid = 4660, port = 4568, listenPort = 4569, srcPort = 0, waitMs = 1000;
    std::string addr, rawHex, dest = "255.255.255.255";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "requester: %s needs a value\n", a.c_str());
            return 2;
        }
        std::string v = argv[++i];
        if (a == "--pid") pid = std::strtoul(v.c_str(), nullptr, 0);
        else if (a == "--addr") addr = v;
        else if (a == "--raw-hex") rawHex = v;
        else if (a == "--dest") dest = v;
        else if (a == "--port") port = std::strtoul(v.c_str(), nullptr, 0);
        else if (a == "--listen-port") listenPort = std::strtoul(v.c_str(), nullptr, 0);
        else if (a == "--src-port") srcPort = std::strtoul(v.c_str(), nullptr, 0);
        else if (a == "--wait-ms") waitMs = std::strtoul(v.c_str(), nullptr, 0);
        else {
            std::fprintf(stderr, "requester: unknown option %s\n", a.c_str());
            return 2;
        }
    }

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, dest.c_str(), &to.sin_addr) != 1) {
        std::fprintf(stderr, "requester: bad --dest %s\n", dest.c_str());
        return 2;
    }
    bool loopbackOnly = (ntohl(to.sin_addr.s_addr) >> 24) == 127;
    if (!loopbackOnly && !inNamedNamespace()) {
        std::fprintf(stderr, "requester: refusing to send to %s outside a private network namespace\n",
                     dest.c_str());
        return 3;
    }

    std::string payload;
    if (!rawHex.empty()) {
        if (!fromHex(rawHex, &payload)) {
            std::fprintf(stderr, "requester: bad --raw-hex\n");
            return 2;
        }
    } else {
        if (addr.empty()) addr = firstOwnAddress();
        payload = std::to_string(pid) + addr;  // "%d%s": nothing between, no NUL
    }

    int listenFd = boundSocket(listenPort);
    if (listenFd < 0) {
        std::perror("requester: bind listening port");
        return 1;
    }
    int sendFd = listenFd;
    if (srcPort != 0) {
        sendFd = boundSocket(srcPort);
        if (sendFd < 0) {
            std::perror("requester: bind source port");
            return 1;
        }
    }
    ssize_t sent = sendto(sendFd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (sent != static_cast<ssize_t>(payload.size())) {
        std::perror("requester: sendto");
        return 1;
    }
    std::fprintf(stderr, "requester: sent %zu bytes to %s:%lu\n", payload.size(), dest.c_str(), port);

    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    std::vector<unsigned char> buf(65536);
    for (;;) {
        long left = static_cast<long>(waitMs) - msSince(start);
        if (left <= 0) break;
        pollfd p{listenFd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n = recvfrom(listenFd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) continue;
        char ip[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        std::printf("from %s: ", ip);
        for (ssize_t k = 0; k < n; ++k) std::printf("%02x", buf[k]);
        std::printf("\n");
    }
    std::fflush(stdout);
    return 0;
}
