// Winsock 1.1, loaded from the system folder when the search first needs it
// rather than imported: a wsock32.dll placed in the package folder would
// otherwise be loaded with the program.
#ifndef UI_WINSOCK_H
#define UI_WINSOCK_H

#include <windows.h>
#include <winsock.h>

#include "ui/discovery.h"

struct WinsockCalls {
    int(PASCAL* WSAStartup)(WORD, LPWSADATA);
    int(PASCAL* WSACleanup)(void);
    int(PASCAL* WSAGetLastError)(void);
    int(PASCAL* WSAAsyncSelect)(SOCKET, HWND, u_int, long);
    SOCKET(PASCAL* socket)(int, int, int);
    int(PASCAL* setsockopt)(SOCKET, int, int, const char*, int);
    int(PASCAL* getsockopt)(SOCKET, int, int, char*, int*);
    int(PASCAL* bind)(SOCKET, const struct sockaddr*, int);
    int(PASCAL* sendto)(SOCKET, const char*, int, int, const struct sockaddr*, int);
    int(PASCAL* recvfrom)(SOCKET, char*, int, int, struct sockaddr*, int*);
    int(PASCAL* closesocket)(SOCKET);
    int(PASCAL* gethostname)(char*, int);
    struct hostent*(PASCAL* gethostbyname)(const char*);
    unsigned long(PASCAL* inet_addr)(const char*);
    HANDLE(PASCAL* WSAAsyncGetHostByAddr)(HWND, u_int, const char*, int, int, char*, int);
    int(PASCAL* WSACancelAsyncRequest)(HANDLE);
};

// The calls, or null when the library or one of them is missing.
const WinsockCalls* winsock(void);

// Sets the receive buffer of socket s: asks for `want` bytes; while the
// system grants less than asked (as getsockopt reads it back), asks for half
// as much, down to `floor`, and keeps the largest size granted, never less
// than the system's own. Returns the size read back at the end; 0 when the
// system does not tell (the first wish it took then stands).
int growReceiveBuffer(const WinsockCalls* ws, SOCKET s, int want, int floor);

// The IPv4 networks of this computer, from the IP helper library where it
// exists (Windows 98 and 2000 onwards; loaded from the system folder at
// first use): at most cap of them, in the library's order. Also tells the
// adapter the system sends a limited broadcast (255.255.255.255) by, when
// the library can say (*haveLimitedInterface 1). Returns 0 without the
// library: the search then sends the limited broadcast alone.
size_t listLocalNetworks(LocalNetwork* out, size_t cap, int* haveLimitedInterface, uint32_t* limitedInterface);

// Network byte order of a port or an address, without the library.
inline u_short toNetwork16(u_short v) { return (u_short)((v >> 8) | (v << 8)); }
inline u_long toNetwork32(u_long v) {
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | ((v >> 24) & 0xFFu);
}

#endif
