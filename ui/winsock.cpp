#include "ui/winsock.h"

#include "core/system.h"

namespace {
WinsockCalls g_calls;
int g_state = 0;  // 0 not tried, 1 loaded, -1 unavailable

template <typename Fn> bool find(HMODULE m, Fn& slot, const char* name) {
    slot = lookup<Fn>(m, name);
    return slot != NULL;
}

// The receive buffer's size as the system reports it; 0 when it does not.
int readReceiveBuffer(const WinsockCalls* ws, SOCKET s) {
    int size = 0, length = sizeof size;
    if (ws->getsockopt(s, SOL_SOCKET, SO_RCVBUF, (char*)&size, &length) != 0 || length != (int)sizeof size) return 0;
    return size > 0 ? size : 0;
}

bool askReceiveBuffer(const WinsockCalls* ws, SOCKET s, int size) {
    return ws->setsockopt(s, SOL_SOCKET, SO_RCVBUF, (const char*)&size, sizeof size) == 0;
}
}  // namespace

int growReceiveBuffer(const WinsockCalls* ws, SOCKET s, int want, int floor) {
    const int initial = readReceiveBuffer(ws, s);
    int best = initial, bestAsked = 0, lastAsked = 0;  // asked 0: the system's own size
    for (int asked = want; asked >= floor && asked > best; asked /= 2) {
        if (!askReceiveBuffer(ws, s, asked)) continue;  // refused: nothing changed
        lastAsked = asked;
        int got = readReceiveBuffer(ws, s);
        if (got == 0 || got >= asked) return got;
        if (got >= best) {  // on a tie the later wish, which is the one in effect
            best = got;
            bestAsked = asked;
        }
    }
    // A smaller wish may have been granted less than an earlier one was.
    int keep = bestAsked ? bestAsked : initial;
    if (lastAsked != bestAsked && keep > 0) askReceiveBuffer(ws, s, keep);
    return readReceiveBuffer(ws, s);
}

const WinsockCalls* winsock(void) {
    if (g_state == 0) {
        // Kept for the rest of the run, like an imported library would be.
        HMODULE m = loadSystemLibrary("wsock32.dll");
        bool ok = m && find(m, g_calls.WSAStartup, "WSAStartup") && find(m, g_calls.WSACleanup, "WSACleanup") &&
                  find(m, g_calls.WSAGetLastError, "WSAGetLastError") &&
                  find(m, g_calls.WSAAsyncSelect, "WSAAsyncSelect") && find(m, g_calls.socket, "socket") &&
                  find(m, g_calls.setsockopt, "setsockopt") && find(m, g_calls.getsockopt, "getsockopt") &&
                  find(m, g_calls.bind, "bind") &&
                  find(m, g_calls.sendto, "sendto") && find(m, g_calls.recvfrom, "recvfrom") &&
                  find(m, g_calls.closesocket, "closesocket") && find(m, g_calls.gethostname, "gethostname") &&
                  find(m, g_calls.gethostbyname, "gethostbyname") && find(m, g_calls.inet_addr, "inet_addr");
        g_state = ok ? 1 : -1;
    }
    return g_state == 1 ? &g_calls : NULL;
}
