// Every chosen language readable on an English system. Under Wine with an
// English locale (code page 1252), the install, upgrade-or-remove and
// progress pages and the address prompt run for real in five languages whose
// letters that code page lacks; a second thread reads each control back as
// wide characters and compares it with the UTF-8 string files. The same run
// on the Windows 98 path keeps the ANSI calls, which turn those texts into
// question marks: the comparison that passes on the NT path fails there. The
// language and model pages keep listing names in the system's language.
//
// The search dialog is not opened: it broadcasts as soon as it opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/libraries.h"
#include "package/languages.h"
#include "core/oscode.h"
#include "core/text.h"
#include "operations/operations.h"
#include "package/package.h"
#include "test_resources_util.h"
#include "ui/uitext.h"
#include "core/resource.h"
#include "ui/wizard.h"

using namespace twres;

namespace {

// ---- reading dialogs from a second thread ----------------------------------

// What one dialog showed: control id to text; id 0 is the caption.
typedef std::map<int, std::wstring> Shown;

std::wstring itemText(HWND dlg, int id) {
    wchar_t text[1024];
    int n = id ? GetDlgItemTextW(dlg, id, text, 1024) : GetWindowTextW(dlg, text, 1024);
    return std::wstring(text, n > 0 ? n : 0);
}

void readItems(HWND dlg, std::initializer_list<int> ids, Shown* out) {
    for (int id : ids) (*out)[id] = itemText(dlg, id);
}

bool has(HWND dlg, int id) { return GetDlgItem(dlg, id) != NULL; }
bool shows(HWND dlg, int id) { return has(dlg, id) && IsWindowVisible(GetDlgItem(dlg, id)); }

void press(HWND dlg, int id) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// One dialog the flow under test opens: which it is (and whether it is ready
// to be read), and what to do with it: read it, then press a button.
struct Step {
    const char* name;
    std::function<bool(HWND)> isIt;
    std::function<void(HWND)> answer;
};

struct ScriptRun {
    std::vector<Step> steps;
    volatile LONG flowEnded;
    std::string failure;  // the first step whose dialog never came
};

struct DialogList {
    std::vector<HWND> found;
};

BOOL CALLBACK collectOurDialogs(HWND w, LPARAM p) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (pid == GetCurrentProcessId() && !wcscmp(cls, L"#32770") && IsWindowVisible(w))
        ((DialogList*)p)->found.push_back(w);
    return TRUE;
}

std::vector<HWND> ourDialogs() {
    DialogList list;
    EnumWindows(collectOurDialogs, (LPARAM)&list);
    return list.found;
}

// A dialog is shown only after its initialisation: once visible, its texts
// are set. Each dialog answers one step at most.
DWORD WINAPI answerSteps(LPVOID p) {
    ScriptRun* run = (ScriptRun*)p;
    std::set<HWND> answered;
    for (Step& step : run->steps) {
        bool done = false;
        for (int waited = 0; !done && waited < 30000 && !run->flowEnded; waited += 10) {
            for (HWND w : ourDialogs()) {
                if (answered.count(w) || !step.isIt(w)) continue;
                step.answer(w);
                answered.insert(w);
                done = true;
                break;
            }
            if (!done) Sleep(10);
        }
        if (!done) {
            run->failure = std::string("the ") + step.name + " did not come";
            break;
        }
    }
    // Whatever is still open after a failure is cancelled, so the flow ends.
    while (!run->failure.empty() && !run->flowEnded) {
        for (HWND w : ourDialogs()) press(w, IDCANCEL);
        Sleep(100);
    }
    return 0;
}

// Runs the flow on this thread while a second thread answers its dialogs;
// returns what went wrong on the answering side, empty when nothing did.
std::string runAnswered(const std::function<void()>& flow, std::vector<Step> steps) {
    ScriptRun run;
    run.steps = std::move(steps);
    run.flowEnded = 0;
    HANDLE answering = CreateThread(NULL, 0, answerSteps, &run, 0, NULL);
    if (!answering) return "no answering thread";
    flow();
    InterlockedExchange(&run.flowEnded, 1);
    WaitForSingleObject(answering, INFINITE);
    CloseHandle(answering);
    return run.failure;
}

// ---- the texts expected --------------------------------------------------

struct Language {
    LanguageId id;
    const char* folder;
};

const Language kLanguages[] = {
    {61, "JAPANESE"}, {54, "RUSSIAN"}, {48, "THAI"}, {71, "ARABIC"}, {53, "S_CHINESE"},
};

// What the ANSI calls make of a text: through the system's code page and back.
std::wstring throughCodePage(const std::wstring& text) {
    if (text.empty()) return text;
    std::string ansi(text.size() * 4 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &ansi[0], (int)ansi.size(), NULL, NULL);
    ansi.resize(n > 0 ? n : 0);
    std::wstring back(ansi.size() + 1, L'\0');
    int m = MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), &back[0], (int)back.size());
    back.resize(m > 0 ? m : 0);
    return back;
}

// Each control of a dialog against the string it shows (-1: the empty text).
struct Expectation {
    int control;
    int stringId;
};

const Expectation kInstallPage[] = {{IDC_MAIN_TEXT, 29},     {IDC_STATUS_TEXT, 30}, {IDC_RADIO_UNUSED1, 31},
                                    {IDC_RADIO_UNUSED2, 32}, {IDOK, 45},         {IDCANCEL, 44}};
const Expectation kAddressDialog[] = {{0, 21}, {1001, 22}, {1003, 25}, {IDOK, 45}, {IDCANCEL, 44}};
const Expectation kProgressUnderPrompt[] = {{IDC_MAIN_TEXT, 38}, {IDC_STATUS_TEXT, -1}, {IDCANCEL, 26}};
const Expectation kChoicePage[] = {{IDC_MAIN_TEXT, 34},    {IDC_STATUS_TEXT, 35}, {IDC_RADIO_UPGRADE, 36},
                                   {IDC_RADIO_REMOVE, 37}, {IDOK, 26},         {IDCANCEL, 44}};
const Expectation kProgressAtEnd[] = {{IDC_MAIN_TEXT, 42}, {IDCANCEL, 26}};

// The pages of one language as the two flows showed them.
struct LanguagePages {
    Shown install, address, progressUnderPrompt, choice, progressAtEnd;
    bool addressOwnedByProgressPage = false;
    bool unusedRadiosHidden = false;
    int16_t installMode = -1, upgradeMode = -1;
    std::string failure;
};

// A package entry that makes the driver count as installed: its data-source
// folder exists. It lists one data-source file, which an upgrade replaces.
struct InstalledDriver {
    std::string infPath, sourceDir, targetDir;
    InstalledDriver() {
        char temp[MAX_PATH], windows[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        GetWindowsDirectoryA(windows, sizeof windows);
        sourceDir = std::string(temp) + "widepkg";
        infPath = sourceDir + "\\wide_T.INF";
        std::string twain = std::string(windows) + "\\TWAIN_32";
        targetDir = twain + "\\WIDETEST";
        CreateDirectoryA(sourceDir.c_str(), NULL);
        CreateDirectoryA(twain.c_str(), NULL);
        CreateDirectoryA(targetDir.c_str(), NULL);
        const char inf[] = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n"
                           "[DestinationDirs]\r\nScannerDS16=10,TWAIN_32\\WIDETEST\r\n[ScannerDS16]\r\nWIDE.DS\r\n";
        writeBytesToFile(infPath.c_str(), inf, sizeof inf - 1);
        writeBytesToFile((sourceDir + "\\WIDE.DS").c_str(), "ds", 2);
    }
    ~InstalledDriver() {
        for (const std::string& f : {infPath, sourceDir + "\\WIDE.DS", targetDir + "\\WIDE.DS"}) DeleteFileA(f.c_str());
        RemoveDirectoryA(sourceDir.c_str());
        RemoveDirectoryA(targetDir.c_str());
    }
};

// Both flows of the maintenance pages in one language, with its library
// written and loaded as on a system of the given kind:
//  - install: the install page, OK; the progress page's worker opens the
//    address prompt over it; Cancel there ends the run;
//  - upgrade: the upgrade-or-remove page, OK (upgrade); the progress page is
//    read once its worker has finished.
LanguagePages runMaintenancePages(const Language& lang, OsCode os, const InstalledDriver& driver) {
    LanguagePages pages;
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.osCode = os;
    ctx.languageId = lang.id;
    ctx.modelNumber = 16;
    textCopy(ctx.modelName, "Example MFP 1600 Series");
    if (writeLanguageLibrary(languageResourceId(lang.id)) != 1) {
        pages.failure = "the language library was not written";
        return pages;
    }
    loadLibraries(&ctx);

    std::vector<Step> install = {
        {"install page", [](HWND w) { return has(w, IDC_RADIO_UNUSED1); },
         [&](HWND w) {
             readItems(w, {IDC_MAIN_TEXT, IDC_STATUS_TEXT, IDC_RADIO_UNUSED1, IDC_RADIO_UNUSED2, IDOK, IDCANCEL}, &pages.install);
             pages.unusedRadiosHidden = !shows(w, IDC_RADIO_UNUSED1) && !shows(w, IDC_RADIO_UNUSED2);
             press(w, IDOK);
         }},
        {"address dialog", [](HWND w) { return has(w, 1003); },
         [&](HWND w) {
             readItems(w, {0, 1001, 1003, IDOK, IDCANCEL}, &pages.address);
             HWND page = GetWindow(w, GW_OWNER);
             pages.addressOwnedByProgressPage = page && has(page, IDC_PROGRESS_BAR);
             if (page) readItems(page, {IDC_MAIN_TEXT, IDC_STATUS_TEXT, IDCANCEL}, &pages.progressUnderPrompt);
             press(w, IDCANCEL);
         }},
    };
    std::string failure = runAnswered([] { runMaintenanceFlow(&ctx); }, install);
    pages.installMode = ctx.mode;

    textCopy(ctx.infPath, driver.infPath.c_str());
    textCopy(ctx.sourceDir, driver.sourceDir.c_str());
    ctx.mode = ModeNone;
    ctx.useNetwork = 0;
    std::vector<Step> upgrade = {
        {"upgrade-or-remove page", [](HWND w) { return has(w, IDC_RADIO_UPGRADE); },
         [&](HWND w) {
             readItems(w, {IDC_MAIN_TEXT, IDC_STATUS_TEXT, IDC_RADIO_UPGRADE, IDC_RADIO_REMOVE, IDOK, IDCANCEL}, &pages.choice);
             press(w, IDOK);
         }},
        // The worker is done once the page has hidden its progress bar.
        {"finished progress page", [](HWND w) { return has(w, IDC_PROGRESS_BAR) && !shows(w, IDC_PROGRESS_BAR); },
         [&](HWND w) {
             readItems(w, {IDC_MAIN_TEXT, IDC_STATUS_TEXT, IDCANCEL}, &pages.progressAtEnd);
             press(w, IDCANCEL);
         }},
    };
    std::string second = runAnswered([] { runMaintenanceFlow(&ctx); }, upgrade);
    pages.upgradeMode = ctx.mode;
    unloadLibraries(&ctx);
    pages.failure = !failure.empty() ? failure : second;
    return pages;
}

// Compares each control with the text of its string as the given way of
// showing it gives it.
void expectTexts(const char* what, const Shown& shown, const Expectation* table, size_t count,
                 std::map<int, std::wstring>& strings, std::wstring (*display)(const std::wstring&)) {
    for (size_t i = 0; i < count; ++i) {
        const Expectation& e = table[i];
        std::wstring want = e.stringId < 0 ? L"" : display(strings[e.stringId]);
        auto got = shown.find(e.control);
        ASSERT_NE(got, shown.end()) << what << ": control " << e.control << " was not read";
        EXPECT_EQ(narrow(got->second), narrow(want)) << what << ", control " << e.control << ", string " << e.stringId;
    }
}

template <size_t N>
void expectTexts(const char* what, const Shown& shown, const Expectation (&table)[N],
                 std::map<int, std::wstring>& strings, std::wstring (*display)(const std::wstring&)) {
    expectTexts(what, shown, table, N, strings, display);
}

std::wstring asIs(const std::wstring& text) { return text; }

// Every page of the language as that way of showing texts shows it.
void expectPages(const char* folder, const LanguagePages& pages, std::wstring (*display)(const std::wstring&)) {
    SCOPED_TRACE(folder);
    std::map<int, std::wstring> strings = sourceStrings(folder);
    ASSERT_FALSE(strings.empty()) << "no string file for " << folder;
    ASSERT_EQ(pages.failure, "");
    EXPECT_EQ(pages.installMode, ModeInstall);
    EXPECT_EQ(pages.upgradeMode, ModeUpgrade);
    EXPECT_TRUE(pages.unusedRadiosHidden);
    EXPECT_TRUE(pages.addressOwnedByProgressPage);
    expectTexts("install page", pages.install, kInstallPage, strings, display);
    expectTexts("address dialog", pages.address, kAddressDialog, strings, display);
    expectTexts("progress page under the prompt", pages.progressUnderPrompt, kProgressUnderPrompt, strings, display);
    expectTexts("upgrade-or-remove page", pages.choice, kChoicePage, strings, display);
    expectTexts("finished progress page", pages.progressAtEnd, kProgressAtEnd, strings, display);
    // The last progress text, hidden with the bar but still the control's.
    auto status = pages.progressAtEnd.find(IDC_STATUS_TEXT);
    ASSERT_NE(status, pages.progressAtEnd.end());
    EXPECT_EQ(narrow(status->second), narrow(display(strings[39] + L" (100%)...")));
}

class V_Wide : public ::testing::Test {
protected:
    void SetUp() override {
        setProgressPause(0);
        // The premise: an English system, whose code page lacks these letters.
        ASSERT_EQ(GetACP(), 1252u) << "run with LANG=en_US.UTF-8";
    }
    void TearDown() override {
        useWideTexts(0);
        setProgressPause(1000);
    }
    InstalledDriver driver;
};

}  // namespace

TEST_F(V_Wide, NtFamilyShowsEveryLanguageAsWritten) {
    useWideTexts(isNtFamily(OsWinXp));
    ASSERT_TRUE(wideTextsInUse());
    for (const Language& lang : kLanguages) {
        LanguagePages pages = runMaintenancePages(lang, OsWinXp, driver);
        expectPages(lang.folder, pages, asIs);
    }
}

TEST_F(V_Wide, Windows98PathKeepsTheAnsiCallsWhichLoseTheseLetters) {
    useWideTexts(isNtFamily(OsWin98));
    ASSERT_FALSE(wideTextsInUse());
    for (const Language& lang : kLanguages) {
        LanguagePages pages = runMaintenancePages(lang, OsWin98, driver);
        // The same flows, every text through the code page...
        expectPages(lang.folder, pages, throughCodePage);
        // ...which is not the text: what the NT test compares would fail here.
        std::wstring written = sourceStrings(lang.folder)[29];
        std::wstring shown = pages.install[IDC_MAIN_TEXT];
        EXPECT_NE(shown, written) << lang.folder;
        EXPECT_NE(shown.find(L'?'), std::wstring::npos) << lang.folder << ": " << narrow(shown);
    }
}

// ---- language and model pages ---------------------------------------------

namespace {

struct ListEntry {
    std::wstring text;
    LRESULT data;
};

std::vector<ListEntry> comboEntries(HWND combo) {
    std::vector<ListEntry> out;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= 256) continue;
        SendMessageW(combo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text);
        out.push_back({text, SendMessageW(combo, CB_GETITEMDATA, (WPARAM)i, 0)});
    }
    return out;
}

struct ChoosingPages {
    Shown language, model;
    std::vector<ListEntry> languages, models;
    intptr_t languageResult = 0, modelResult = 0;
    std::string infPath;  // of the chosen language's folder
    std::string failure;
};

// The language page (Japanese chosen, OK) and then the model page
// (Cancel), run from the demo package as the program runs from its root.
ChoosingPages runChoosingPages(OsCode os) {
    ChoosingPages pages;
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.osCode = os;
    char before[MAX_PATH];
    GetCurrentDirectoryA(sizeof before, before);
    if (!SetCurrentDirectoryA(sourceFile("examples/package").c_str())) {
        pages.failure = "the demo package is missing";
        return pages;
    }
    std::vector<Step> steps = {
        {"language page", [](HWND w) { return has(w, IDC_LANGUAGE_LIST); },
         [&](HWND w) {
             readItems(w, {IDC_LANGUAGE_PROMPT, IDOK, IDCANCEL}, &pages.language);
             HWND list = GetDlgItem(w, IDC_LANGUAGE_LIST);
             pages.languages = comboEntries(list);
             for (size_t i = 0; i < pages.languages.size(); ++i)
                 if (pages.languages[i].data == 61) SendMessageW(list, CB_SETCURSEL, (WPARAM)i, 0);
             press(w, IDOK);
         }},
    };
    std::string failure = runAnswered([&] { pages.languageResult = runLanguagePage(&ctx); }, steps);
    if (failure.empty()) {
        steps = {
            {"model page", [](HWND w) { return has(w, IDC_MODEL_LIST); },
             [&](HWND w) {
                 readItems(w, {IDC_MODEL_PROMPT, IDOK, IDCANCEL}, &pages.model);
                 pages.models = comboEntries(GetDlgItem(w, IDC_MODEL_LIST));
                 press(w, IDCANCEL);
             }},
        };
        failure = runAnswered([&] { pages.modelResult = runModelPage(&ctx); }, steps);
    }
    deleteLanguageLibrary();
    SetCurrentDirectoryA(before);
    pages.failure = failure;
    if (failure.empty() && ctx.languageId != 61) pages.failure = "Japanese was not the language chosen";
    pages.infPath = ctx.infPath;
    return pages;
}

}  // namespace

TEST_F(V_Wide, LanguageAndModelPagesListNamesInTheSystemsLanguageEitherWay) {
    std::map<int, std::wstring> english = sourceStrings("ENGLISH");
    ASSERT_FALSE(english.empty());
    for (OsCode os : {OsWinXp, OsWin98}) {
        SCOPED_TRACE(os);
        useWideTexts(isNtFamily(os));
        ChoosingPages pages = runChoosingPages(os);
        ASSERT_EQ(pages.failure, "");
        EXPECT_EQ(pages.languageResult, 0);
        EXPECT_EQ(pages.modelResult, -1);
        // Each language of the package under its English display name: the
        // program's own table in the system's language, whichever language
        // the user is about to choose.
        EXPECT_FALSE(pages.languages.empty());
        for (const ListEntry& e : pages.languages)
            EXPECT_EQ(narrow(e.text), narrow(english[(int)e.data])) << "language " << e.data;
        EXPECT_EQ(narrow(pages.language[IDC_LANGUAGE_PROMPT]), narrow(english[47]));
        EXPECT_EQ(narrow(pages.model[IDC_MODEL_PROMPT]), narrow(english[46]));
        for (const Shown* s : {&pages.language, &pages.model}) {
            EXPECT_EQ(narrow(s->at(IDOK)), narrow(english[45]));
            EXPECT_EQ(narrow(s->at(IDCANCEL)), narrow(english[44]));
        }
        // The model names as the INF gives them: 8-bit text, as before.
        EXPECT_FALSE(pages.models.empty());
        for (const ListEntry& m : pages.models) {
            char name[64];
            readModelName(pages.infPath.c_str(), (ModelNumber)m.data, name, sizeof name);
            wchar_t wide[64];
            ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 64), 0);
            EXPECT_EQ(narrow(m.text), narrow(wide)) << "model " << m.data;
        }
    }
}
