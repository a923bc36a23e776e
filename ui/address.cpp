// The scanner-address prompt: the address dialog (template 105) with its IPv4
// field, and the search dialog (template 106) that broadcasts a discovery
// request (and one to each further network of this computer), repeats them,
// and lists every scanner that echoes one, once. Both run modally on the thread that calls
// promptScannerAddress: the install worker.
#include "ui/address.h"

#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "core/system.h"
#include "core/text.h"
#include "ui/centre.h"
#include "ui/discovery.h"
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

// Closes the socket and releases the socket library, each at most once.
void endSearch(void) {
    if (g_search.dialog) {
        KillTimer(g_search.dialog, kRepeatTimer);
        g_search.dialog = NULL;
    }
    if (g_search.socket != INVALID_SOCKET) {
        winsock()->closesocket(g_search.socket);
        g_search.socket = INVALID_SOCKET;
    }
    if (g_search.libraryStarted) {
        winsock()->WSACleanup();
        g_search.libraryStarted = 0;
    }
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
    if (SetTimer(dlg, kRepeatTimer, kRepeatDelays[0], NULL)) g_search.dialog = dlg;
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
    SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_ADDSTRING, 0, (LPARAM)text);
    SendDlgItemMessageA(dlg, IDC_FOUND_LIST, LB_SETCURSEL, 0, 0);
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
        startSearch(dlg, (const AddressPromptRecord*)lParam);
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
        return FALSE;
    }
    case WM_DESTROY:
        endSearch();  // a dialog ended any other way must not keep the port
        return FALSE;
    case WM_TIMER:
        if (wParam == kRepeatTimer) repeatRequests();
        return TRUE;
    default:
        if (msg == WM_TW_SOCKET) {
            if (WSAGETSELECTEVENT(lParam) == FD_READ) readReply(dlg);
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

