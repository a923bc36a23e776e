// Helpers of the operations tests: files, a test package, and a stand-in for
// the progress page that records what the worker shows on it.
#ifndef TESTS_WIN_TEST_OPERATIONS_UTIL_H
#define TESTS_WIN_TEST_OPERATIONS_UTIL_H

#include <windows.h>
#include <commctrl.h>

#include <string.h>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/text.h"
#include "operations/operations.h"
#include "winfiles.h"
#include "ui/address.h"

namespace opstest {

using namespace winfiles;

// One model of a test package.
struct TestModel {
    ModelNumber number;
    std::string name;                  // Strings MODELName<n>
    std::string hardwareId;            // second field of the ModelList entry
    std::string destination;           // DestinationDirs value; empty: no entry
    std::vector<std::string> entries;  // section ScannerDS<n>
};

// A package folder in the temporary folder with its INF; each model's files
// are created in it (except names listed in missing) with their own name
// and "new" as content.
struct TestPackage {
    std::string sourceDir;
    std::string infPath;
};

inline TestPackage makePackage(const std::vector<TestModel>& models, const std::vector<std::string>& missing = {}) {
    TestPackage p;
    p.sourceDir = tempDir() + uniqueName("pkg");
    CreateDirectoryA(p.sourceDir.c_str(), NULL);
    p.infPath = p.sourceDir + "\\TEST_T.INF";
    std::string strings = "[Strings]\r\n", modelList = "[ModelList]\r\n", dest = "[DestinationDirs]\r\n", files;
    for (const TestModel& m : models) {
        std::string n = std::to_string(m.number);
        strings += "MODELName" + n + "=\"" + m.name + "\"\r\n";
        if (!m.hardwareId.empty()) modelList += "%MODELName" + n + "%=Inst" + n + "," + m.hardwareId + "\r\n";
        if (!m.destination.empty()) dest += "ScannerDS" + n + "=" + m.destination + "\r\n";
        files += "[ScannerDS" + n + "]\r\n";
        for (const std::string& e : m.entries) {
            files += e + "\r\n";
            bool skip = false;
            for (const std::string& x : missing) skip = skip || x == e;
            if (!skip && e.find('\\') == std::string::npos) writeFile(p.sourceDir + "\\" + e, "new " + e);
        }
    }
    writeFile(p.infPath, "[Version]\r\nSignature=\"$CHICAGO$\"\r\n" + strings + modelList + dest + files);
    return p;
}

inline void fillContext(InstallContext* ctx, const TestPackage& p, const TestModel& m, int16_t mode,
                        int16_t useNetwork, const char* address) {
    memset(ctx, 0, sizeof *ctx);
    textCopy(ctx->sourceDir, p.sourceDir.c_str());
    textCopy(ctx->infPath, p.infPath.c_str());
    textCopy(ctx->modelName, m.name.c_str());
    ctx->modelNumber = m.number;
    ctx->mode = mode;
    ctx->useNetwork = useNetwork;
    textCopy(ctx->scannerAddress, address);
}

// What the stand-in progress page saw.
struct PageLog {
    std::vector<int> positions;          // each PBM_SETPOS, in order
    std::vector<std::string> texts;      // text 1013 at each of them
    bool buttonOffDuringReports = true;  // button 2 hidden and disabled at every report
    int endMessages = 0;
    int endPageMessages = 0;
    std::string endOrder;                // "P" for WM_TW_END_PAGE, "E" for WM_TW_WORKER_DONE
    bool closeOnEndPage = true;          // the stand-in ends at once, or waits for WM_TW_WORKER_DONE
    bool buttonOnAtEnd = false;          // button 2 shown and enabled when WM_TW_WORKER_DONE came
    bool ownedWindowSeen = false;        // a window owned by the page (the address prompt)
    bool workerEnded = false;
    void* threadSlotAfter = (void*)1;    // workerThread after the worker ended
};

namespace detail {

inline PageLog*& currentLog() {
    static PageLog* log = nullptr;
    return log;
}
inline WNDPROC& barProc() {
    static WNDPROC proc = nullptr;
    return proc;
}

inline bool buttonOn(HWND page) {
    HWND b = GetDlgItem(page, ProgressButtonId);
    return b && IsWindowEnabled(b) && (GetWindowLongA(b, GWL_STYLE) & WS_VISIBLE);
}
inline bool buttonOff(HWND page) {
    HWND b = GetDlgItem(page, ProgressButtonId);
    return b && !IsWindowEnabled(b) && !(GetWindowLongA(b, GWL_STYLE) & WS_VISIBLE);
}

inline LRESULT CALLBACK barSubclass(HWND bar, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == PBM_SETPOS && currentLog()) {
        HWND page = GetParent(bar);
        char text[700];
        GetDlgItemTextA(page, IDC_STATUS_TEXT, text, sizeof text);
        currentLog()->positions.push_back((int)wp);
        currentLog()->texts.push_back(text);
        if (!buttonOff(page)) currentLog()->buttonOffDuringReports = false;
    }
    return CallWindowProcA(barProc(), bar, msg, wp, lp);
}

inline LRESULT CALLBACK pageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TW_WORKER_DONE && currentLog()) {
        ++currentLog()->endMessages;
        currentLog()->endOrder += "E";
        currentLog()->buttonOnAtEnd = buttonOn(page);
        return 0;
    }
    if (msg == WM_TW_END_PAGE && currentLog()) {
        // A page that goes at once leaves the worker's remaining steps a
        // window that is gone.
        ++currentLog()->endPageMessages;
        currentLog()->endOrder += "P";
        if (currentLog()->closeOnEndPage) DestroyWindow(page);
        return 0;
    }
    return DefWindowProcA(page, msg, wp, lp);
}

struct OwnedSearch {
    HWND owner;
    bool seen;
};
inline BOOL CALLBACK cancelOwned(HWND w, LPARAM lp) {
    OwnedSearch* s = (OwnedSearch*)lp;
    if (GetWindow(w, GW_OWNER) == s->owner) {
        s->seen = true;
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}

}  // namespace detail

// A hidden window with the progress page's three controls.
inline HWND createPage() {
    static bool registered = false;
    if (!registered) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = detail::pageProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "OpsTestPage";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND page = CreateWindowExA(0, "OpsTestPage", "page", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 10, 300, 20, page,
                               (HMENU)(INT_PTR)IDC_PROGRESS_BAR, NULL, NULL);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 40, 300, 20, page,
                    (HMENU)(INT_PTR)IDC_STATUS_TEXT, NULL, NULL);
    CreateWindowExA(0, "BUTTON", "Finish", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 70, 80, 24, page,
                    (HMENU)(INT_PTR)ProgressButtonId, NULL, NULL);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    detail::barProc() = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)detail::barSubclass);
    return page;
}

// Runs the worker against a stand-in page on this thread's message loop, as
// the progress page's modal loop would, until the worker has ended. A window
// the worker opens owned by the page (the address prompt) is cancelled.
inline PageLog runWithPage(InstallContext* ctx, bool closeOnEndPage = true, DWORD timeoutMs = 60000) {
    PageLog log;
    log.closeOnEndPage = closeOnEndPage;
    detail::currentLog() = &log;
    HWND page = createPage();
    HANDLE thread = startWorker(page, ctx, promptScannerAddress);
    HANDLE watch = NULL;
    // The worker is held at its first call on the page until this thread
    // pumps messages, so its handle is still open here.
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0);
    DWORD start = GetTickCount();
    while (watch && GetTickCount() - start < timeoutMs) {
        DWORD r = MsgWaitForMultipleObjects(1, &watch, FALSE, 50, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            log.workerEnded = true;
            break;
        }
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (IsWindow(page)) {
            detail::OwnedSearch s = {page, false};
            EnumWindows(detail::cancelOwned, (LPARAM)&s);
            if (s.seen) log.ownedWindowSeen = true;
        }
    }
    if (watch) CloseHandle(watch);
    log.threadSlotAfter = ctx->workerThread;
    if (IsWindow(page)) DestroyWindow(page);
    detail::currentLog() = nullptr;
    return log;
}

}  // namespace opstest

#endif
