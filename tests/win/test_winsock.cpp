// growReceiveBuffer (ui/winsock.h), the search socket's receive buffer,
// against simulated systems that grant, cap, refuse or shrink the sizes they
// are asked for. Windows and Wine grant every size as asked, so the halving
// is exercised here only; the search itself reads its size back in
// tests/win/address-hostile.sh.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <vector>

#include "ui/winsock.h"

namespace {

const int K = 1024;
const int kWant = 1 << 20, kFloor = 64 * K;  // as the search asks

// One simulated system: what it makes of a wish, and what it reports.
struct FakeSystem {
    int size;                // the size it reports
    int (*grant)(int asked); // the size after a wish; -1 refuses the wish
    bool tells;              // whether getsockopt reports anything
    std::vector<int> asked;  // every wish, in order
};
FakeSystem g_system;

int PASCAL fakeSetsockopt(SOCKET, int level, int name, const char* value, int length) {
    if (level != SOL_SOCKET || name != SO_RCVBUF || length != (int)sizeof(int)) return SOCKET_ERROR;
    int asked;
    memcpy(&asked, value, sizeof asked);
    g_system.asked.push_back(asked);
    int got = g_system.grant(asked);
    if (got < 0) return SOCKET_ERROR;
    g_system.size = got;
    return 0;
}

int PASCAL fakeGetsockopt(SOCKET, int level, int name, char* value, int* length) {
    if (!g_system.tells || level != SOL_SOCKET || name != SO_RCVBUF || *length < (int)sizeof(int)) return SOCKET_ERROR;
    memcpy(value, &g_system.size, sizeof(int));
    *length = sizeof(int);
    return 0;
}

int grow(int initial, int (*grant)(int), bool tells = true) {
    g_system = FakeSystem{initial, grant, tells, {}};
    WinsockCalls ws;
    memset(&ws, 0, sizeof ws);
    ws.setsockopt = fakeSetsockopt;
    ws.getsockopt = fakeGetsockopt;
    return growReceiveBuffer(&ws, 1, kWant, kFloor);
}

std::vector<int> wishes(std::initializer_list<int> sizes) { return std::vector<int>(sizes); }

}  // namespace

TEST(ReceiveBuffer, GrantedAsAskedTakesOneWish) {
    EXPECT_EQ(grow(8 * K, [](int a) { return a; }), kWant);
    EXPECT_EQ(g_system.asked, wishes({kWant}));
}

TEST(ReceiveBuffer, CappedKeepsTheCapOnceAHalfGetsNoMore) {
    EXPECT_EQ(grow(8 * K, [](int a) { return a < 300000 ? a : 300000; }), 300000);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K}));
}

TEST(ReceiveBuffer, RefusedSizesAreHalvedUntilOneIsTaken) {
    EXPECT_EQ(grow(8 * K, [](int a) { return a > 256 * K ? -1 : a; }), 256 * K);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K, 256 * K}));
}

TEST(ReceiveBuffer, AWishThatFallsBackToLittleIsHalved) {
    EXPECT_EQ(grow(8 * K, [](int a) { return a > 400000 ? 8 * K : a; }), 256 * K);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K, 256 * K}));
}

TEST(ReceiveBuffer, TheLargestGrantIsAskedForAgain) {
    // Each wish granted a quarter: the first one gave most.
    EXPECT_EQ(grow(8 * K, [](int a) { return a / 4; }), 256 * K);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K, kWant}));
}

TEST(ReceiveBuffer, NeverLessThanTheSystemsOwn) {
    // Every wish above 200000 falls back to 100000: the system's own 200000
    // is asked for again.
    EXPECT_EQ(grow(200000, [](int a) { return a > 200000 ? 100000 : a; }), 200000);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K, 256 * K, 200000}));
}

TEST(ReceiveBuffer, HalvingStopsAtTheFloor) {
    EXPECT_EQ(grow(8 * K, [](int) { return 8 * K; }), 8 * K);
    EXPECT_EQ(g_system.asked, wishes({kWant, 512 * K, 256 * K, 128 * K, 64 * K}));
}

TEST(ReceiveBuffer, ALargerBufferIsLeftAlone) {
    EXPECT_EQ(grow(2 * kWant, [](int a) { return a; }), 2 * kWant);
    EXPECT_TRUE(g_system.asked.empty());
}

TEST(ReceiveBuffer, ASystemThatDoesNotTellKeepsTheFirstWish) {
    EXPECT_EQ(grow(0, [](int a) { return a / 2; }, false), 0);
    EXPECT_EQ(g_system.asked, wishes({kWant}));
}
