// prompt-host: runs the scanner-address prompt the way the install worker
// does, for tests driven by twdriver: promptScannerAddress on a second thread,
// its dialog owned by a hidden window of the first thread, which keeps
// pumping messages meanwhile. The templates and texts come from the program's
// own resources, linked into this program.
//
//   prompt-host --inf PATH --model N[,N...] [--language ID[,ID...]] [--repeat N]
//               [--no-owner] [--ansi] [--localised]
//
// Prompt k takes the k-th model number and language of the lists, the last one
// once a list runs out. With --localised each prompt's templates and texts
// come from its language's library, as in the program.
// Prints "owner: LEFT TOP RIGHT BOTTOM" (the owner's window rectangle), a
// "created: SysIPAddress32 ..." line with the creation arguments of each
// address field, and for each prompt "prompt K: model=N language=ID result=R
// address=TEXT hardwareId=TEXT productIdText=TEXT". Exit code 0 once every prompt has returned.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/context.h"
#include "core/libraries.h"
#include "core/text.h"
#include "package/languages.h"
#include "package/package.h"
#include "ui/address.h"
#include "ui/uitext.h"

namespace {

// The k-th (from 0) number of a comma-separated list; the last one beyond it.
unsigned listItem(const char* list, int k) {
    unsigned value = 0;
    const char* p = list;
    for (int i = 0; i <= k; ++i) {
        value = (unsigned)strtoul(p, NULL, 10);
        const char* comma = strchr(p, ',');
        if (!comma) break;
        p = comma + 1;
    }
    return value;
}

struct Job {
    InstallContext* ctx;
    int result;
};

// The address field changes its own window text to the address it shows, so
// the text and styles it was created with are seen only at its creation.
LRESULT CALLBACK creationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = ((CBT_CREATEWNDA*)lParam)->lpcs;
        if (!IS_INTRESOURCE(cs->lpszClass) && !lstrcmpiA(cs->lpszClass, "SysIPAddress32")) {
            char parentClass[64] = "";
            GetClassNameA(cs->hwndParent, parentClass, sizeof parentClass);
            printf("created: SysIPAddress32 text=%s x=%d y=%d w=%d h=%d style=0x%08lx exstyle=0x%lx id=%ld parent=%s\n",
                   cs->lpszName ? cs->lpszName : "(null)", cs->x, cs->y, cs->cx, cs->cy, (unsigned long)cs->style,
                   (unsigned long)cs->dwExStyle, (long)(LONG_PTR)cs->hMenu, parentClass);
            fflush(stdout);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

DWORD WINAPI promptThread(LPVOID param) {
    Job* job = (Job*)param;
    HHOOK hook = SetWindowsHookExA(WH_CBT, creationHook, NULL, GetCurrentThreadId());
    // As the install worker does: the hardware id read again with the NTx86
    // fallback, and the product id the search request carries.
    readHardwareId(job->ctx, 1);
    job->result = promptScannerAddress(job->ctx, deriveProductId(job->ctx));
    if (hook) UnhookWindowsHookEx(hook);
    return 0;
}

// Runs one prompt on its own thread while this thread serves the owner.
int runPrompt(InstallContext* ctx) {
    Job job = {ctx, -1};
    HANDLE thread = CreateThread(NULL, 0, promptThread, &job, 0, NULL);
    if (!thread) return -1;
    for (;;) {
        DWORD w = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (w == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(thread);
    return job.result;
}

HWND makeOwner(void) {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "PromptHostOwner";
    RegisterClassA(&wc);
    // Never shown: it stands in for the progress page.
    return CreateWindowExA(0, "PromptHostOwner", "prompt-host owner", WS_OVERLAPPEDWINDOW, 100, 80, 640, 480,
                           NULL, NULL, GetModuleHandleA(NULL), NULL);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const char* inf = "";
    const char* models = "16";
    const char* languages = "67";
    int repeat = 1, withOwner = 1, ansi = 0, localised = 0;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--inf") && i + 1 < argc) inf = argv[++i];
        else if (!strcmp(argv[i], "--model") && i + 1 < argc) models = argv[++i];
        else if (!strcmp(argv[i], "--language") && i + 1 < argc) languages = argv[++i];
        else if (!strcmp(argv[i], "--repeat") && i + 1 < argc) repeat = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--no-owner")) withOwner = 0;
        else if (!strcmp(argv[i], "--ansi")) ansi = 1;
        else if (!strcmp(argv[i], "--localised")) localised = 1;
        else {
            fprintf(stderr, "prompt-host: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    // As the program decides at start-up: wide texts on the NT family.
    useWideTexts(!ansi && !(GetVersion() & 0x80000000u));

    HWND owner = withOwner ? makeOwner() : NULL;
    RECT r = {0, 0, 0, 0};
    if (owner) GetWindowRect(owner, &r);
    printf("owner: %ld %ld %ld %ld\n", (long)r.left, (long)r.top, (long)r.right, (long)r.bottom);
    fflush(stdout);

    for (int k = 1; k <= repeat; ++k) {
        static InstallContext ctx;
        memset(&ctx, 0, sizeof ctx);
        textCopy(ctx.infPath, inf);
        ctx.modelNumber = (ModelNumber)listItem(models, k - 1);
        ctx.languageId = (LanguageId)listItem(languages, k - 1);
        ctx.progressWindow = owner;
        for (int i = 0; localised && i < LanguageCount; ++i)
            if (languageTable()[i].id == ctx.languageId && writeLanguageLibrary(languageTable()[i].libraryResourceId))
                loadLibraries(&ctx);  // osCode 0: the language library alone
        int result = runPrompt(&ctx);
        if (ctx.languageLibrary) unloadLibraries(&ctx);
        printf("prompt %d: model=%u language=%u result=%d address=%s hardwareId=%s productIdText=%s\n", k, (unsigned)ctx.modelNumber,
               (unsigned)ctx.languageId, result, ctx.scannerAddress,
               ctx.hardwareId, ctx.productIdText);
        fflush(stdout);
    }
    if (owner) DestroyWindow(owner);
    return 0;
}
