#include "ui/winsock.h"

#include <iphlpapi.h>
#include <string.h>

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
                  find(m, g_calls.gethostbyname, "gethostbyname") && find(m, g_calls.inet_addr, "inet_addr") &&
                  find(m, g_calls.WSAAsyncGetHostByAddr, "WSAAsyncGetHostByAddr") &&
                  find(m, g_calls.WSACancelAsyncRequest, "WSACancelAsyncRequest");
        g_state = ok ? 1 : -1;
    }
    return g_state == 1 ? &g_calls : NULL;
}

// ---- the networks of this computer ----------------------------------------

namespace {

typedef DWORD(WINAPI* GetIpAddrTableFn)(PMIB_IPADDRTABLE, PULONG, BOOL);
typedef DWORD(WINAPI* GetBestInterfaceFn)(IPAddr, PDWORD);
typedef DWORD(WINAPI* GetIfEntryFn)(PMIB_IFROW);

// Flags of an address row's type (Windows 2000 onwards; 0 before).
const unsigned kAddressDisconnected = 0x0008, kAddressDeleted = 0x0040;
// Far more than any computer has (a row is 24 bytes): a table that claims
// more is not read.
const ULONG kMaxAddressTableBytes = 64 * 1024;

struct IpHelper {
    GetIpAddrTableFn getIpAddrTable;
    GetBestInterfaceFn getBestInterface;  // may be missing
    GetIfEntryFn getIfEntry;              // may be missing
};

const IpHelper* ipHelper(void) {
    static IpHelper calls;
    static int state = 0;  // 0 not tried, 1 loaded, -1 unavailable
    if (state == 0) {
        HMODULE m = loadSystemLibrary("iphlpapi.dll");
        if (m) {
            calls.getIpAddrTable = lookup<GetIpAddrTableFn>(m, "GetIpAddrTable");
            calls.getBestInterface = lookup<GetBestInterfaceFn>(m, "GetBestInterface");
            calls.getIfEntry = lookup<GetIfEntryFn>(m, "GetIfEntry");
        }
        state = calls.getIpAddrTable ? 1 : -1;
    }
    return state == 1 ? &calls : NULL;
}

// An adapter that the system says is switched off or without a link.
int adapterDown(const IpHelper* ip, DWORD index) {
    if (!ip->getIfEntry) return 0;
    MIB_IFROW row;
    memset(&row, 0, sizeof row);
    row.dwIndex = index;
    if (ip->getIfEntry(&row) != NO_ERROR) return 0;
    return row.dwAdminStatus == MIB_IF_ADMIN_STATUS_DOWN || row.dwOperStatus <= MIB_IF_OPER_STATUS_DISCONNECTED;
}

// The address table in a LocalAlloc buffer, or null.
PMIB_IPADDRTABLE readAddressTable(const IpHelper* ip) {
    ULONG size = 0;
    // The table may grow between the size query and the read: a few tries.
    for (int attempt = 0; attempt < 3; ++attempt) {
        PMIB_IPADDRTABLE table = NULL;
        if (size) {
            table = (PMIB_IPADDRTABLE)LocalAlloc(LMEM_FIXED, size);
            if (!table) return NULL;
        }
        ULONG got = size;
        DWORD rc = ip->getIpAddrTable(table, &got, FALSE);
        if (rc == NO_ERROR && table && got >= sizeof(DWORD) &&
            table->dwNumEntries <= (got - sizeof(DWORD)) / sizeof(MIB_IPADDRROW))
            return table;
        if (table) LocalFree(table);
        if (rc != ERROR_INSUFFICIENT_BUFFER || got <= size || got > kMaxAddressTableBytes) return NULL;
        size = got;
    }
    return NULL;
}

void toBytes(Ipv4Bytes* out, DWORD networkOrder) { memcpy(out->b, &networkOrder, 4); }

}  // namespace

size_t listLocalNetworks(LocalNetwork* out, size_t cap, int* haveLimitedInterface, uint32_t* limitedInterface) {
    *haveLimitedInterface = 0;
    *limitedInterface = 0;
    const IpHelper* ip = ipHelper();
    if (!ip || !out || cap == 0) return 0;
    PMIB_IPADDRTABLE table = readAddressTable(ip);
    if (!table) return 0;
    size_t count = 0;
    for (DWORD i = 0; i < table->dwNumEntries && count < cap; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        LocalNetwork& n = out[count++];
        toBytes(&n.address, row.dwAddr);
        toBytes(&n.mask, row.dwMask);
        n.interfaceIndex = row.dwIndex;
        n.up = !(row.wType & (kAddressDisconnected | kAddressDeleted)) && !adapterDown(ip, row.dwIndex);
    }
    LocalFree(table);
    DWORD best = 0;
    if (ip->getBestInterface && ip->getBestInterface(INADDR_BROADCAST, &best) == NO_ERROR) {
        *haveLimitedInterface = 1;
        *limitedInterface = best;
    }
    return count;
}
