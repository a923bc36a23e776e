// The address prompt's glue that needs no network: the address conversion
// the settings file relies on, a prompt whose dialog cannot be shown, and
// centring without an owner. The dialogs themselves, their centring on their
// owners and the search are tested in namespaces (tests/win/address-netns.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include "core/context.h"
#include "ui/address.h"
#include "ui/centre.h"
#include "ui/discovery.h"

TEST(AddressToHostOrder, FirstFieldIsMostSignificant) {
    EXPECT_EQ(addressToHostOrder("192.0.2.7"), 0xC0000207u);
    EXPECT_EQ(addressToHostOrder("10.1.2.3"), 167838211u);
    EXPECT_EQ((int32_t)addressToHostOrder("192.168.1.10"), -1062731510);
    EXPECT_EQ(addressToHostOrder("0.0.0.0"), 0u);
    EXPECT_EQ(addressToHostOrder("1.0.0.0"), 0x01000000u);
}

TEST(AddressToHostOrder, RejectedTextReadsAsAllOnes) {
    EXPECT_EQ(addressToHostOrder("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(addressToHostOrder("not an address"), 0xFFFFFFFFu);
    EXPECT_EQ(addressToHostOrder("1.2.3.256"), 0xFFFFFFFFu);
    // The same on every Windows version, whatever its parser makes of "".
    EXPECT_EQ(addressToHostOrder(""), 0xFFFFFFFFu);
}

namespace {

struct PromptRun {
    InstallContext* ctx;
    int result;
};

DWORD WINAPI promptThread(LPVOID p) {
    PromptRun* run = (PromptRun*)p;
    run->result = promptScannerAddress(run->ctx, 0);
    return 0;
}

BOOL CALLBACK cancelOurDialogs(HWND w, LPARAM shown) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && !strcmp(cls, "#32770")) {
        *(int*)shown = 1;
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}

}  // namespace

TEST(AddressPrompt, DialogThatCannotBeShownIsAFailure) {
    // An owner that is no window: the dialog cannot be created and the
    // dialog call returns -1, which must not count as OK with no address.
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(gone);
    DestroyWindow(gone);

    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.modelNumber = 16;
    ctx.languageId = 67;
    ctx.progressWindow = gone;
    memcpy(ctx.scannerAddress, "x", 2);  // must stay as it was: only OK writes it
    PromptRun run = {&ctx, -7};
    HANDLE t = CreateThread(NULL, 0, promptThread, &run, 0, NULL);
    ASSERT_TRUE(t);
    int shown = 0;
    // A dialog that did appear after all is cancelled, so the test ends.
    while (WaitForSingleObject(t, 200) == WAIT_TIMEOUT) EnumWindows(cancelOurDialogs, (LPARAM)&shown);
    CloseHandle(t);
    EXPECT_EQ(shown, 0) << "the dialog appeared: the test's premise does not hold";
    EXPECT_EQ(run.result, 0);
    EXPECT_STREQ(ctx.scannerAddress, "x");
}

TEST(CentreWindow, WithoutOwnerOnTheScreen) {
    HWND dlg = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, 501, 313, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(dlg);
    centreWindow(dlg);
    HDC ic = CreateICA("DISPLAY", NULL, NULL, NULL);
    ASSERT_TRUE(ic);
    CentreOrigin want = centreOnScreen(GetDeviceCaps(ic, HORZRES), GetDeviceCaps(ic, VERTRES), 501, 313);
    DeleteDC(ic);
    RECT r;
    GetWindowRect(dlg, &r);
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.right - r.left, 501);
    DestroyWindow(dlg);
}
