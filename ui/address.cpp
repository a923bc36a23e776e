// The scanner-address prompt: the address dialog (template 105) with its IPv4
// field, and the search dialog (template 106) that broadcasts a discovery
// request (and one to each further network of this computer), repeats them,
// lists every scanner that echoes one, once, and asks each for its name, its
// location and its model (SNMP) and its name in DNS. Both run modally on the
// thread that calls promptScannerAddress: the install worker.
#include "ui/address.h"

#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "core/system.h"
#include "core/text.h"
#include "ui/centre.h"
#include "ui/discovery.h"
#include "ui/snmp.h"
#include "ui/uitext.h"
#include "ui/winsock.h"
#include "core/resource.h"

namespace {

// Where the address field goes, in pixels of the dialog's client area at 96
// DPI, scaled by the system's DPI like the font the templates size their
// buttons with. The Arabic templates are mirrored, so the field moves to the
// right there. It never covers a button: with a font wider than the one these
// figures were made for, it gives way to the button beside it (kFieldGap).
const int kFieldLeft = 25;
const int kFieldLeftArabic = 110;
const int kFieldTop = 40;
const int kFieldWidth = 200;
const int kFieldHeight = 20;
const int kFieldGap = 4;

// A host with more addresses than this is judged on its first ones.
const int kMaxHostAddresses = 16;

// Bursts of a few hundred replies overflow the default receive buffer and
// lose datagrams; a larger one keeps them. A system that grants less than
// this is asked for halves of it, down to the floor (growReceiveBuffer).
const int kReceiveBufferBytes = 1 << 20;
const int kReceiveBufferFloor = 64 * 1024;

// ---- search state: one search at a time, process-wide ---------------------

// The limited broadcast carries localAddressText; each directed request adds
// its network's own text. A reply must echo one of the texts sent.
const int kMaxSentTexts = 1 + DiscoveryMaxNetworks;

// Every request goes out again 0.5 s and 1.5 s after the first, the same
// bytes from the same socket: a broadcast frame lost on the way (Wi-Fi gives
// it no retry) or a reply a firewall let in too late is made good by the
// next, and the list keeps one entry per device.
const UINT_PTR kRepeatTimer = 1;
const UINT kRepeatDelays[] = {500, 1000};

struct SearchState {
    SOCKET socket;                        // INVALID_SOCKET when none is open
    int libraryStarted;                   // WSAStartup succeeded and is not yet undone
    char localAddressText[AddressTextCap];  // what the limited broadcast carries
    char sentTexts[kMaxSentTexts][AddressTextCap];
    u_long sentTo[kMaxSentTexts];         // each request's destination, network order
    int sentCount;
    uint16_t productId;
    HWND dialog;                          // owner of the repeat timer
    unsigned repeats;                     // repeats sent so far
};

SearchState g_search = {INVALID_SOCKET, 0, "", {}, {}, 0, 0, NULL, 0};

// ---- the names of the scanners found ---------------------------------------

// Names are asked of the first devices listed; any more are listed by their
// address alone.
const int kMaxNamedDevices = 256;
const size_t kNameCap = 64;
// An SNMP request unanswered this long goes once more, then is given up; a
// device that never answered its first object is asked nothing more.
const DWORD kSnmpWaitMs = 1000;
const int kSnmpTries = 2;
// DNS lookups under way at a time: the system gives each a thread.
const int kDnsSlots = 4;
// Times the name requests and the status text.
const UINT_PTR kTickTimer = 2;
const UINT kTickMs = 100;
// Names are asked once no device has been listed for this long: the answers
// to a burst of replies are listed first, undisturbed.
const DWORD kNamesAfterQuietMs = 100;
// "Nothing has answered" is said this long after the first request: the last
// repeat went at 1.5 s, and its answers have had 3 s more.
const DWORD kQuietAfterMs = 4500;

enum DnsState { DnsWaiting, DnsAsked, DnsDone };

struct Device {
    u_long address;           // network order
    char name[kNameCap];      // sysName
    char location[kNameCap];  // sysLocation
    char model[kNameCap];     // hrDeviceDescr, else sysDescr
    char dnsName[kNameCap];
    uint32_t requestId;       // of the SNMP request in flight; 0: none, asked all it will be
    DWORD sentAt;
    unsigned char object;     // the SnmpObject asked now
    unsigned char tries;
    unsigned char answered;   // it has answered an SNMP request
    unsigned char asked;      // its names have been asked for
    unsigned char dns;        // DnsState
};

// A lookup's answer is written by the system into its own buffer at any time
// until its message comes; a search that ends first leaves the buffer to it.
struct DnsSlot {
    HANDLE handle;
    int device;
    char* buffer;  // MAXGETHOSTSTRUCT bytes
};

struct NameState {
    SOCKET socket = INVALID_SOCKET;  // when none is open
    Device devices[kMaxNamedDevices];
    int count;
    uint32_t nextRequestId;
    DnsSlot dns[kDnsSlots];
    DWORD startedAt;
    DWORD lastListedAt;
    int requestsSent;  // the search sent its requests: it may end up with "nothing answered"
    UINT statusShown;  // the string and count the status text shows now
    int countShown;
};

NameState g_names;

void endNames(void) {
    if (g_names.socket != INVALID_SOCKET) {
        winsock()->closesocket(g_names.socket);
        g_names.socket = INVALID_SOCKET;
    }
    for (DnsSlot& slot : g_names.dns) {
        // A lookup still under way keeps its buffer (see DnsSlot).
        if (slot.handle) winsock()->WSACancelAsyncRequest(slot.handle);
        else if (slot.buffer) HeapFree(GetProcessHeap(), 0, slot.buffer);
        slot.handle = NULL;
        slot.buffer = NULL;
    }
    g_names.count = 0;
}

// Closes the sockets and releases the socket library, each at most once.
void endSearch(void) {
    if (g_search.dialog) {
        KillTimer(g_search.dialog, kRepeatTimer);
        KillTimer(g_search.dialog, kTickTimer);
        g_search.dialog = NULL;
    }
    if (g_search.libraryStarted) endNames();
    if (g_search.socket != INVALID_SOCKET) {
        winsock()->closesocket(g_search.socket);
        g_search.socket = INVALID_SOCKET;
    }
    if (g_search.libraryStarted) {
        winsock()->WSACleanup();
        g_search.libraryStarted = 0;
    }
}

// ---- asking the devices found for their names ---------------------------

// The socket the name requests go from, on a port the system picks: the
// answers come back to it, and only from the device asked.
void startNames(HWND dlg) {
    const WinsockCalls* ws = winsock();
    g_names.nextRequestId = (GetTickCount() & 0x3FFFFFFFu) | 1u;
    g_names.socket = ws->socket(AF_INET, SOCK_DGRAM, 0);
    if (g_names.socket == INVALID_SOCKET) return;
    struct sockaddr_in local;
    memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    if (ws->bind(g_names.socket, (const struct sockaddr*)&local, sizeof local) != 0 ||
        ws->WSAAsyncSelect(g_names.socket, dlg, WM_TW_SNMP, FD_READ) != 0) {
        ws->closesocket(g_names.socket);
        g_names.socket = INVALID_SOCKET;
    }
}

void sendNameRequest(const Device& d) {
    unsigned char request[SnmpRequestMax];
    size_t length = snmpBuildGet(d.requestId, (SnmpObject)d.object, request, sizeof request);
    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = toNetwork16(SnmpPort);
    to.sin_addr.s_addr = d.address;
    if (length) winsock()->sendto(g_names.socket, (const char*)request, (int)length, 0, (const struct sockaddr*)&to,
                                  sizeof to);
}

// Asks object of device d, with a request id no earlier request had: a late
// answer to an earlier one is never taken for this one.
void askObject(Device& d, int object) {
    d.object = (unsigned char)object;
    d.tries = 1;
    d.sentAt = GetTickCount();
    d.requestId = g_names.nextRequestId++ & 0x7FFFFFFFu;
    if (d.requestId == 0) d.requestId = g_names.nextRequestId++;
    sendNameRequest(d);
}

// The object after the one just answered or given up: the model from
// hrDeviceDescr where the device has it, else from sysDescr.
void askNextObject(Device& d) {
    int next = d.object + 1;
    if (d.object == SnmpDeviceDescr && d.model[0]) next = SnmpObjectCount;
    if (next < SnmpObjectCount) askObject(d, next);
    else d.requestId = 0;
}

// The name the list shows beside the address: the one the device gives, else
// its name in DNS.
const char* shownName(const Device& d) { return d.name[0] ? d.name : d.dnsName; }

const Device* deviceOfEntry(HWND list, LRESULT index) {
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, (WPARAM)index, 0);
    return data >= 0 && data < g_names.count ? &g_names.devices[data] : NULL;
}

// The selected device's name, location and model, a line each; only what is
// known.
void showDetails(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_FOUND_LIST);
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    const Device* d = sel == LB_ERR ? NULL : deviceOfEntry(list, sel);
    TextLine lines[3];
    int count = 0;
    if (d) {
        const TextLine all[3] = {{IDS_DEVICE_NAME, shownName(*d), NULL},
                                 {IDS_DEVICE_LOCATION, d->location, NULL},
                                 {IDS_DEVICE_MODEL, d->model, NULL}};
        for (const TextLine& line : all)
            if (line.arg1[0]) lines[count++] = line;
    }
    setItemTextLines(dlg, IDC_DEVICE_DETAILS, localisedModule(), lines, count, 0);
}

// Redraws device i's entry, and the details when it is the selected one.
void deviceChanged(HWND dlg, int i) {
    HWND list = GetDlgItem(dlg, IDC_FOUND_LIST);
    char text[AddressTextCap];
    Ipv4Bytes address;
    memcpy(address.b, &g_names.devices[i].address, 4);
    if (!formatAddressText(text, sizeof text, address)) return;
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    RECT r;
    if (index == LB_ERR) return;
    if (SendMessageA(list, LB_GETITEMRECT, (WPARAM)index, (LPARAM)&r) != LB_ERR) InvalidateRect(list, &r, TRUE);
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) == index) showDetails(dlg);
}

// The status above the list: searching, how many were found, or, once the
// answers to the last request have had their time, what to check.
void showStatus(HWND dlg) {
    int found = (int)SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_GETCOUNT, 0, 0);
    UINT text = found > 0 ? IDS_SEARCH_FOUND
                : g_names.requestsSent && GetTickCount() - g_names.startedAt < kQuietAfterMs ? IDS_SEARCHING
                                                                                          : IDS_SEARCH_NONE;
    if (text == g_names.statusShown && (text != IDS_SEARCH_FOUND || found == g_names.countShown)) return;
    g_names.statusShown = text;
    g_names.countShown = found;
    char count[16];
    textFormat(count, sizeof count, "%d", found);
    TextLine line = {text, count, NULL};
    setItemTextLines(dlg, IDC_SEARCH_STATUS, localisedModule(), &line, 1);
}

// Lookups in DNS, a few at a time, in the order the devices were listed.
void startLookups(HWND dlg) {
    const WinsockCalls* ws = winsock();
    for (DnsSlot& slot : g_names.dns) {
        if (slot.handle) continue;
        int i = 0;
        while (i < g_names.count && g_names.devices[i].dns != DnsWaiting) ++i;
        if (i == g_names.count) return;
        Device& d = g_names.devices[i];
        d.dns = DnsDone;
        if (!slot.buffer) slot.buffer = (char*)HeapAlloc(GetProcessHeap(), 0, MAXGETHOSTSTRUCT);
        if (!slot.buffer) return;
        slot.handle = ws->WSAAsyncGetHostByAddr(dlg, WM_TW_DNS, (const char*)&d.address, 4, AF_INET, slot.buffer,
                                                MAXGETHOSTSTRUCT);
        if (!slot.handle) continue;
        slot.device = i;
        d.dns = DnsAsked;
    }
}

// A lookup has ended. Its answer lies in the slot's buffer: a hostent whose
// name must point inside that buffer and end there.
void lookupEnded(HWND dlg, HANDLE handle, int error) {
    for (DnsSlot& slot : g_names.dns) {
        if (!slot.handle || slot.handle != handle) continue;
        slot.handle = NULL;
        Device& d = g_names.devices[slot.device];
        d.dns = DnsDone;
        const struct hostent* host = (const struct hostent*)slot.buffer;
        const char* end = slot.buffer + MAXGETHOSTSTRUCT;
        const char* name = error ? NULL : host->h_name;
        char text[AddressTextCap];
        Ipv4Bytes address;
        memcpy(address.b, &d.address, 4);
        if (name && name >= slot.buffer + sizeof *host && name < end &&
            nameToText((const unsigned char*)name, strnlen(name, (size_t)(end - name)), d.dnsName, kNameCap)) {
            // A resolver without a name may answer with the address itself.
            if (formatAddressText(text, sizeof text, address) && strcmp(text, d.dnsName) == 0) d.dnsName[0] = '\0';
            else deviceChanged(dlg, slot.device);
        }
        startLookups(dlg);
        return;
    }
}

// A device newly listed: its entry's data is its place here; its names are
// asked for on a later tick. Returns the place, or -1 when there is none left.
int addDevice(u_long address) {
    g_names.lastListedAt = GetTickCount();
    if (g_names.count >= kMaxNamedDevices) return -1;
    int i = g_names.count++;
    Device& d = g_names.devices[i];
    memset(&d, 0, sizeof d);
    d.address = address;
    d.dns = DnsWaiting;
    return i;
}

// One answer per notification, as with the search's own socket.
void readNameReply(HWND dlg) {
    if (g_names.socket == INVALID_SOCKET) return;
    unsigned char buffer[1500];
    struct sockaddr_in from;
    int fromLength = sizeof from;
    memset(&from, 0, sizeof from);
    int n = winsock()->recvfrom(g_names.socket, (char*)buffer, sizeof buffer, 0, (struct sockaddr*)&from,
                                &fromLength);
    // An error (a datagram too long for any answer among them) is dropped.
    if (n <= 0 || fromLength < (int)sizeof from || from.sin_family != AF_INET || from.sin_port != toNetwork16(SnmpPort))
        return;
    for (int i = 0; i < g_names.count; ++i) {
        Device& d = g_names.devices[i];
        if (d.address != from.sin_addr.s_addr) continue;
        if (d.requestId == 0) return;
        char text[kNameCap];
        int answer = snmpReadReply(buffer, (size_t)n, d.requestId, (SnmpObject)d.object, text, sizeof text);
        if (answer == 0) return;
        d.answered = 1;
        if (answer == 1) {
            char* field = d.object == SnmpSysName       ? d.name
                          : d.object == SnmpSysLocation ? d.location
                                                        : d.model;
            textCopy(field, kNameCap, text);
        }
        askNextObject(d);
        if (answer == 1) deviceChanged(dlg, i);
        return;
    }
}

// The tick: requests unanswered in time go again or are given up; the status
// text follows the count and the time.
void tick(HWND dlg) {
    DWORD now = GetTickCount();
    const int quiet = now - g_names.lastListedAt >= kNamesAfterQuietMs;
    for (int i = 0; i < g_names.count; ++i) {
        Device& d = g_names.devices[i];
        if (!d.asked && quiet) {
            d.asked = 1;
            if (g_names.socket != INVALID_SOCKET) askObject(d, SnmpSysName);
            continue;
        }
        if (d.requestId == 0 || now - d.sentAt < kSnmpWaitMs) continue;
        if (d.tries < kSnmpTries) {
            ++d.tries;
            d.sentAt = now;
            sendNameRequest(d);
        } else if (d.answered) {
            askNextObject(d);
        } else {
            d.requestId = 0;  // no SNMP there: its address alone
        }
    }
    if (quiet) startLookups(dlg);
    showStatus(dlg);
}

// An entry: the address, and beside it, in the second column, the name.
void drawDeviceEntry(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    if (di->itemID != (UINT)-1) {
        const int selected = (di->itemState & ODS_SELECTED) != 0;
        FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        char text[AddressTextCap];
        LRESULT length = SendMessageA(di->hwndItem, LB_GETTEXTLEN, di->itemID, 0);
        if (length >= 0 && length < (LRESULT)sizeof text &&
            SendMessageA(di->hwndItem, LB_GETTEXT, di->itemID, (LPARAM)text) != LB_ERR) {
            // Right to left (Arabic), the address stands at the right, the
            // name to its left.
            const int rtl = (GetWindowLongA(di->hwndItem, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
            const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT);
            SIZE column = {0, 0};
            GetTextExtentPoint32A(dc, "255.255.255.255  ", 17, &column);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            RECT at = r;
            InflateRect(&at, -2, 0);
            DrawTextA(dc, text, -1, &at, format);
            const Device* d = deviceOfEntry(di->hwndItem, di->itemID);
            if (d && shownName(*d)[0]) {
                if (rtl) at.right -= column.cx;
                else at.left += column.cx;
                if (!selected) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
                DrawTextA(dc, shownName(*d), -1, &at, format | DT_END_ELLIPSIS);
            }
        }
    }
    if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

// Entries as tall as a line of the list's font, with a pixel above and below.
void fitEntryHeight(HWND list) {
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessageA(list, WM_GETFONT, 0, 0));
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm)) SendMessageA(list, LB_SETITEMHEIGHT, 0, tm.tmHeight + 2);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

// This host's address text, from the addresses its own name resolves to.
int findLocalAddressText(char* out, size_t cap) {
    char name[256];
    const WinsockCalls* ws = winsock();
    if (ws->gethostname(name, 255) != 0) return 0;
    name[255] = '\0';
    struct hostent* host = ws->gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) return 0;
    Ipv4Bytes addresses[kMaxHostAddresses];
    size_t count = 0;
    while (count < (size_t)kMaxHostAddresses && host->h_addr_list[count]) {
        memcpy(addresses[count].b, host->h_addr_list[count], 4);
        ++count;
    }
    return chooseLocalAddressText(out, cap, addresses, count);
}

// Sends one request: its bytes are the same each time for the same text.
int sendRequestOnce(const WinsockCalls* ws, uint16_t productId, const char* addressText, u_long toAddress) {
    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = toNetwork16(DiscoveryRequestPort);
    to.sin_addr.s_addr = toAddress;
    char request[DiscoveryRequestMax];
    size_t length = buildDiscoveryRequest(request, sizeof request, productId, addressText);
    return length != 0 &&
           ws->sendto(g_search.socket, request, (int)length, 0, (const struct sockaddr*)&to, sizeof to) == (int)length;
}

// Sends one request; on success its address text becomes one a reply may
// echo, and the request one the repeats send again.
int sendRequest(const WinsockCalls* ws, uint16_t productId, const char* addressText, u_long toAddress) {
    if (g_search.sentCount >= kMaxSentTexts || !sendRequestOnce(ws, productId, addressText, toAddress)) return 0;
    g_search.sentTo[g_search.sentCount] = toAddress;
    textCopy(g_search.sentTexts[g_search.sentCount++], addressText);
    return 1;
}

// The timer's tick: every request again, then the next tick or none.
void repeatRequests(void) {
    if (g_search.socket == INVALID_SOCKET || !g_search.dialog) return;
    const WinsockCalls* ws = winsock();
    for (int i = 0; i < g_search.sentCount; ++i)
        sendRequestOnce(ws, g_search.productId, g_search.sentTexts[i], g_search.sentTo[i]);
    if (++g_search.repeats < sizeof kRepeatDelays / sizeof kRepeatDelays[0])
        SetTimer(g_search.dialog, kRepeatTimer, kRepeatDelays[g_search.repeats], NULL);
    else KillTimer(g_search.dialog, kRepeatTimer);
}

// The limited broadcast leaves by one adapter only: every other network this
// computer is on gets the request at its own broadcast address, with the
// computer's address there, which is what its scanners can answer.
void sendDirectedRequests(const WinsockCalls* ws, uint16_t productId) {
    LocalNetwork networks[64];
    int haveLimited = 0;
    uint32_t limited = 0;
    size_t count = listLocalNetworks(networks, sizeof networks / sizeof networks[0], &haveLimited, &limited);
    DirectedRequest plan[DiscoveryMaxNetworks];
    size_t planned = planDirectedRequests(networks, count, haveLimited, limited, g_search.localAddressText, plan,
                                          DiscoveryMaxNetworks);
    for (size_t i = 0; i < planned; ++i) {
        u_long to;
        memcpy(&to, plan[i].broadcast.b, 4);  // first byte first: network order
        sendRequest(ws, productId, plan[i].addressText, to);
    }
}

// Opens the socket, binds the reply port and sends the requests. Every
// failure leaves the dialog open with an empty list: the user can still end
// it. Nothing is reported.
void startSearch(HWND dlg, const AddressPromptRecord* rec) {
    endSearch();  // a search left over would hold the port
    g_search.localAddressText[0] = '\0';
    g_search.sentCount = 0;
    g_search.productId = rec->productId;
    g_search.repeats = 0;
    g_names.count = 0;
    g_names.requestsSent = 0;
    g_names.startedAt = GetTickCount();

    const WinsockCalls* ws = winsock();
    WSADATA wsa;
    if (!ws || ws->WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
    g_search.libraryStarted = 1;

    g_search.socket = ws->socket(AF_INET, SOCK_DGRAM, 0);
    if (g_search.socket == INVALID_SOCKET) {
        endSearch();
        return;
    }
    int on = 1;
    ws->setsockopt(g_search.socket, SOL_SOCKET, SO_BROADCAST, (const char*)&on, sizeof on);
    // Told to a debugger or a debug-output viewer only: the size a burst of
    // replies can fill before the system drops any.
    char note[64];
    int receiveBuffer = growReceiveBuffer(ws, g_search.socket, kReceiveBufferBytes, kReceiveBufferFloor);
    textFormat(note, sizeof note, "TwainSetup: search receive buffer %d bytes\n", receiveBuffer);
    OutputDebugStringA(note);

    struct sockaddr_in local;
    memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    local.sin_port = toNetwork16(DiscoveryReplyPort);
    local.sin_addr.s_addr = toNetwork32(INADDR_ANY);
    // When the port is taken the request still goes out, from a port the
    // system picks; no reply can reach us then, and the list stays empty.
    // A failed notification request (WSAEWOULDBLOCK is none) is passed over
    // the same way.
    if (ws->bind(g_search.socket, (const struct sockaddr*)&local, sizeof local) == 0)
        ws->WSAAsyncSelect(g_search.socket, dlg, WM_TW_SOCKET, FD_READ);

    if (!findLocalAddressText(g_search.localAddressText, sizeof g_search.localAddressText)) {
        endSearch();
        return;
    }
    sendRequest(ws, rec->productId, g_search.localAddressText, toNetwork32(INADDR_BROADCAST));
    sendDirectedRequests(ws, rec->productId);
    // Nothing went out: no reply can come, and the port is given back.
    if (g_search.sentCount == 0) {
        endSearch();
        return;
    }
    g_names.requestsSent = 1;
    startNames(dlg);
    if (SetTimer(dlg, kRepeatTimer, kRepeatDelays[0], NULL)) g_search.dialog = dlg;
    SetTimer(dlg, kTickTimer, kTickMs, NULL);
}

int isReplyToSearch(const char* data, int length) {
    for (int i = 0; i < g_search.sentCount; ++i)
        if (isDiscoveryReply(data, length, g_search.sentTexts[i])) return 1;
    return 0;
}

// One datagram per notification: the socket posts the next notification when
// another datagram waits after this read.
void readReply(HWND dlg) {
    if (g_search.socket == INVALID_SOCKET) return;  // a notification left over from a closed socket
    char buffer[DiscoveryReadMax + 1];
    struct sockaddr_in from;
    int fromLength = sizeof from;
    memset(&from, 0, sizeof from);
    const WinsockCalls* ws = winsock();
    int n = ws->recvfrom(g_search.socket, buffer, DiscoveryReadMax, 0, (struct sockaddr*)&from, &fromLength);
    // Windows reports a datagram longer than the buffer as an error, having
    // filled the buffer with its first part: that part is what is judged.
    if (n == SOCKET_ERROR && ws->WSAGetLastError() == WSAEMSGSIZE) n = DiscoveryReadMax;
    if (n == SOCKET_ERROR || fromLength < (int)sizeof from || from.sin_family != AF_INET) return;
    if (!isReplyToSearch(buffer, n)) return;

    Ipv4Bytes source;
    memcpy(source.b, &from.sin_addr, 4);
    char text[AddressTextCap];
    if (!formatAddressText(text, sizeof text, source)) return;
    // A device answers every request it hears: it is listed once. The list
    // is sorted, so position 0 is the first entry in text order, whichever
    // arrived last.
    if (SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text) != LB_ERR) return;
    LRESULT index = SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_ADDSTRING, 0, (LPARAM)text);
    if (index < 0) return;
    SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_SETITEMDATA, (WPARAM)index, (LPARAM)addDevice(from.sin_addr.s_addr));
    SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_SETCURSEL, 0, 0);
    if (index == 0) showDetails(dlg);
    if (SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_GETCOUNT, 0, 0) == 1) showStatus(dlg);
}

// The selected entry, if any, becomes the record's address text.
void takeSelectedEntry(HWND dlg, AddressPromptRecord* rec) {
    LRESULT sel = SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) return;
    LRESULT length = SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_GETTEXTLEN, (WPARAM)sel, 0);
    char text[256];
    if (length == LB_ERR || length >= (LRESULT)sizeof text) return;
    if (SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_GETTEXT, (WPARAM)sel, (LPARAM)text) == LB_ERR) return;
    textCopy(rec->addressText, text);
}

AddressPromptRecord* dialogRecord(HWND dlg) { return (AddressPromptRecord*)GetWindowLongPtrA(dlg, DWLP_USER); }

INT_PTR CALLBACK searchDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        centreWindow(dlg);
        HMODULE module = localisedModule();
        setWindowTextFromTable(dlg, module, IDS_SEARCH_TITLE);
        setItemTexts(dlg, module, (const ItemText*)NULL, 0, 1);
        fitEntryHeight(GetDlgItem(dlg, IDC_FOUND_LIST));
        g_names.statusShown = 0;
        startSearch(dlg, (const AddressPromptRecord*)lParam);
        showStatus(dlg);
        return TRUE;
    }
    case WM_COMMAND: {
        AddressPromptRecord* rec = dialogRecord(dlg);
        WORD id = LOWORD(wParam);
        if (id == IDOK || (id == IDC_FOUND_LIST && HIWORD(wParam) == LBN_DBLCLK)) {
            if (rec) takeSelectedEntry(dlg, rec);
            endSearch();
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {  // also Escape and the close box
            endSearch();
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        if (id == IDC_FOUND_LIST && HIWORD(wParam) == LBN_SELCHANGE) showDetails(dlg);
        return FALSE;
    }
    case WM_DRAWITEM:
        if (wParam != IDC_FOUND_LIST) return FALSE;
        drawDeviceEntry((const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case WM_DESTROY:
        endSearch();  // a dialog ended any other way must not keep the port
        return FALSE;
    case WM_TIMER:
        if (wParam == kRepeatTimer) repeatRequests();
        if (wParam == kTickTimer) tick(dlg);
        return TRUE;
    default:
        if (msg == WM_TW_SOCKET) {
            if (WSAGETSELECTEVENT(lParam) == FD_READ) readReply(dlg);
            return TRUE;
        }
        if (msg == WM_TW_SNMP) {
            if (WSAGETSELECTEVENT(lParam) == FD_READ) readNameReply(dlg);
            return TRUE;
        }
        if (msg == WM_TW_DNS) {
            lookupEnded(dlg, (HANDLE)wParam, WSAGETASYNCERROR(lParam));
            return TRUE;
        }
        return FALSE;
    }
}

// ---- address dialog -------------------------------------------------------

// The address field while its dialog is open.
HWND g_addressField = NULL;

PlaceRect addressFieldRect(HWND dlg, const AddressPromptRecord* rec) {
    const int dpi = systemDpi();
    PlaceRect want;
    want.left = scaleForDpi(rec->languageId == IDS_LANGUAGE_ARABIC ? kFieldLeftArabic : kFieldLeft, dpi);
    want.top = scaleForDpi(kFieldTop, dpi);
    want.right = want.left + scaleForDpi(kFieldWidth, dpi);
    want.bottom = want.top + scaleForDpi(kFieldHeight, dpi);
    static const int ids[] = {IDOK, IDCANCEL, IDC_SEARCH};
    PlaceRect buttons[3];
    int count = 0;
    for (int id : ids) {
        HWND button = GetDlgItem(dlg, id);
        RECT r;
        if (!button || !GetWindowRect(button, &r)) continue;
        MapWindowPoints(NULL, dlg, (POINT*)&r, 2);
        PlaceRect& b = buttons[count++];
        b.left = r.left < r.right ? r.left : r.right;  // a mirrored map swaps them
        b.right = r.left < r.right ? r.right : r.left;
        b.top = r.top;
        b.bottom = r.bottom;
    }
    return placeClearOf(want, buttons, count, scaleForDpi(kFieldGap, dpi));
}

void createAddressField(HWND dlg, const AddressPromptRecord* rec) {
    PlaceRect at = addressFieldRect(dlg, rec);
    // Control id 0: the field's own notifications must never read as OK,
    // Cancel or Search, which are told apart by id alone.
    g_addressField = CreateWindowExA(0, "SysIPAddress32", "svrIPEdit1", WS_CHILD | WS_GROUP | WS_TABSTOP, at.left,
                                     at.top, at.right - at.left, at.bottom - at.top, dlg, NULL,
                                     GetModuleHandleA(NULL), NULL);
    if (!g_addressField) return;
    ShowWindow(g_addressField, SW_SHOW);
    SetFocus(g_addressField);
}

// OK: the field's address, unless its first field is 0 (which a blank field
// reads as): then the text stays as it was, empty or what a search chose.
void takeFieldAddress(AddressPromptRecord* rec) {
    if (!g_addressField) return;
    DWORD value = 0;
    SendMessageA(g_addressField, IPM_GETADDRESS, 0, (LPARAM)&value);
    if (FIRST_IPADDRESS(value) == 0) return;
    textFormat(rec->addressText, sizeof rec->addressText, "%d.%d.%d.%d", (int)FIRST_IPADDRESS(value),
               (int)SECOND_IPADDRESS(value), (int)THIRD_IPADDRESS(value), (int)FOURTH_IPADDRESS(value));
}

void runSearch(HWND dlg, AddressPromptRecord* rec) {
    rec->addressText[0] = '\0';
    runDialog(localisedModule(), IDD_SEARCH, dlg, searchDialogProc, (LPARAM)rec);
    if (rec->addressText[0] != '\0' && g_addressField)
        SendMessageA(g_addressField, IPM_SETADDRESS, 0, (LPARAM)addressToHostOrder(rec->addressText));
}

INT_PTR CALLBACK addressDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        const AddressPromptRecord* rec = (const AddressPromptRecord*)lParam;
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HMODULE module = localisedModule();
        setWindowTextFromTable(dlg, module, IDS_ADDRESS_TITLE);
        static const ItemText texts[] = {{IDC_SEARCH, IDS_SEARCH}};
        setItemTexts(dlg, module, texts, 1);
        // The prompt last, as the page has always set it.
        static const ItemText prompt[] = {{IDC_PROMPT_TEXT, IDS_ADDRESS_PROMPT}};
        setItemTexts(dlg, module, prompt, 0);
        centreWindow(dlg);
        g_addressField = NULL;
        if (initCommonControls()) createAddressField(dlg, rec);
        // The focus is placed already (in the address field when it exists).
        return FALSE;
    }
    case WM_COMMAND: {
        AddressPromptRecord* rec = dialogRecord(dlg);
        if (!rec) return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            takeFieldAddress(rec);
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL:  // also Escape
            EndDialog(dlg, 0);
            return TRUE;
        case IDC_SEARCH:
            runSearch(dlg, rec);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        g_addressField = NULL;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int promptScannerAddress(InstallContext* ctx, uint16_t productId) {
    AddressPromptRecord rec;
    memset(&rec, 0, sizeof rec);
    rec.productId = productId;
    rec.addressText[0] = '\0';
    rec.languageId = ctx->languageId;
    INT_PTR result = runDialog(localisedModule(), IDD_ADDRESS, (HWND)ctx->progressWindow, addressDialogProc,
                               (LPARAM)&rec);
    // Only OK counts: a dialog that could not be shown (-1) is no consent to
    // an empty address.
    if (result != 1) return 0;
    textCopy(ctx->scannerAddress, rec.addressText);
    return 1;
}

