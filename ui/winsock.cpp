#include "ui/winsock.h"

#include "core/libraries.h"

namespace {
WinsockCalls g_calls;
int g_state = 0;  // 0 not tried, 1 loaded, -1 unavailable

template <typename Fn> bool find(HMODULE m, Fn& slot, const char* name) {
    slot = (Fn)(void*)GetProcAddress(m, name);
    return slot != NULL;
}
}  // namespace

const WinsockCalls* winsock(void) {
    if (g_state == 0) {
        // Kept for the rest of the run, like an imported library would be.
        HMODULE m = (HMODULE)loadSystemLibrary("wsock32.dll");
        bool ok = m && find(m, g_calls.WSAStartup, "WSAStartup") && find(m, g_calls.WSACleanup, "WSACleanup") &&
                  find(m, g_calls.WSAGetLastError, "WSAGetLastError") &&
                  find(m, g_calls.WSAAsyncSelect, "WSAAsyncSelect") && find(m, g_calls.socket, "socket") &&
                  find(m, g_calls.setsockopt, "setsockopt") && find(m, g_calls.bind, "bind") &&
                  find(m, g_calls.sendto, "sendto") && find(m, g_calls.recvfrom, "recvfrom") &&
                  find(m, g_calls.closesocket, "closesocket") && find(m, g_calls.gethostname, "gethostname") &&
                  find(m, g_calls.gethostbyname, "gethostbyname") && find(m, g_calls.inet_addr, "inet_addr");
        g_state = ok ? 1 : -1;
    }
    return g_state == 1 ? &g_calls : NULL;
}
