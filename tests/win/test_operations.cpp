// The worker and its three sequences under Wine, against real files: what is
// copied and deleted, the settings file's bytes, and what the progress page
// is shown, in which order. Suites that touch the Windows folder are V_* and
// run in a throw-away prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/context.h"
#include "operations/cleanup.h"
#include "operations/fileset.h"
#include "operations/operations.h"
#include "operations/settings.h"
#include "test_operations_util.h"
#include "test_resources_util.h"

using namespace opstest;

namespace {

const std::vector<int> kInstallSteps = {20, 40, 60, 100};
const std::vector<int> kUpgradeSteps = {20, 60, 100};
const std::vector<int> kRemoveSteps = {100, 80, 60, 20, 0};

// A model whose data source lies in a folder of its own under TWAIN_32; its
// data-source file is <base>.DS, so its settings file is <base>.INI.
TestModel model(ModelNumber n, const std::string& base, std::vector<std::string> extra = {"B.DLL"}) {
    TestModel m;
    m.number = n;
    m.name = "Test MFP " + std::to_string(n) + " " + base;
    m.hardwareId = "USB\\VID_0A0B&PID_" + base.substr(base.size() - 4);
    m.destination = "10,TWAIN_32\\" + base;
    m.entries.push_back(base + ".DS");
    for (auto& e : extra) m.entries.push_back(e);
    return m;
}

std::string targetOf(const TestModel& m) { return windowsDir() + "\\TWAIN_32\\" + m.destination.substr(12); }
std::string settingsOf(const std::string& base) { return tempDir() + base + ".INI"; }

std::string processStepText(int percent) {
    char step[512];
    if (LoadStringA(GetModuleHandleA(NULL), IDS_PROCESS_STEP, step, sizeof step) <= 0) step[0] = '\0';
    return std::string(step) + " (" + std::to_string(percent) + "%)...";
}

double nowMs() {
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return 1000.0 * (double)now.QuadPart / (double)freq.QuadPart;
}

class V_Operations : public ::testing::Test {
protected:
    void SetUp() override { setProgressPause(5); }
    InstallContext ctx;
};

}  // namespace

// ---- worker and progress (no system state) ----------------------------------

TEST(Worker, ReportShowsStepTextAndPositionThenPauses) {
    setProgressPause(100);
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    PageLog log;
    detail::currentLog() = &log;
    HWND page = createPage();
    ctx.progressWindow = page;
    double start = nowMs();
    reportProgress(&ctx, 40);
    double elapsed = nowMs() - start;
    detail::currentLog() = nullptr;
    ASSERT_EQ(log.positions, std::vector<int>{40});
    EXPECT_EQ(log.texts[0], processStepText(40));
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 40);
    EXPECT_GE(elapsed, 90.0) << "every report pauses the worker";
    DestroyWindow(page);
}

TEST(Worker, NoPageMeansNoReportAndNoPause) {
    setProgressPause(1000);
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    double start = nowMs();
    for (int p = 0; p <= 100; p += 20) reportProgress(&ctx, p);
    EXPECT_LT(nowMs() - start, 500.0);
    setProgressPause(5);
}

TEST(Worker, UnknownModeStillHandsTheButtonBackAndEnds) {
    setProgressPause(5);
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    ctx.mode = 7;
    PageLog log = runWithPage(&ctx);
    EXPECT_TRUE(log.workerEnded);
    EXPECT_TRUE(log.positions.empty());
    EXPECT_EQ(log.endMessages, 1);
    EXPECT_TRUE(log.buttonOnAtEnd) << "button 2 is enabled and shown before WM_TW_WORKER_DONE";
    EXPECT_EQ(log.threadSlotAfter, nullptr) << "the worker closed its own handle";
}

// ---- settings file (temporary folder only) ----------------------------------

TEST(Settings, RewritesOnlyTheAddressKeysOfItsSection) {
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    std::string path = settingsOf(uniqueName("set"));
    writeFile(path, "[Other]\r\nip0=1.1.1.1\r\n[Scanner A]\r\nIP0=9.9.9.9\r\nExtra=keep\r\nUseUSB=0\r\n");
    textCopy(ctx.settingsPath, path.c_str());
    textCopy(ctx.modelName, "Scanner A");
    textCopy(ctx.scannerAddress, "10.1.2.3");
    writeScannerSettings(&ctx);
    char value[64];
    GetPrivateProfileStringA("Scanner A", "ip0", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "10.1.2.3");
    GetPrivateProfileStringA("Scanner A", "AutoIP", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "167838211");
    GetPrivateProfileStringA("Scanner A", "Extra", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "keep");
    GetPrivateProfileStringA("Other", "ip0", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "1.1.1.1");
    // The old key (names match without regard to case) is replaced where it
    // stood, not written a second time.
    std::vector<std::string> expected = {"[Other]",   "ip0=1.1.1.1", "[Scanner A]", "IP0=10.1.2.3",
                                         "Extra=keep", "UseUSB=0",   "AutoIP=167838211", "UseAuto=1",
                                         "IPNum=1",    "IPSel=0",    "ManuIP=0"};
    EXPECT_EQ(lines(readFile(path)), expected);
    DeleteFileA(path.c_str());
}

TEST(Settings, NoPathWritesNothing) {
    static InstallContext ctx;
    memset(&ctx, 0, sizeof ctx);
    std::string section = uniqueName("NoPath");
    textCopy(ctx.modelName, section.c_str());
    textCopy(ctx.scannerAddress, "10.1.2.3");
    writeScannerSettings(&ctx);
    // The profile writer takes a name without a folder as one in the
    // Windows folder: nothing may have gone there.
    char value[64];
    GetProfileStringA(section.c_str(), "ip0", "none", value, sizeof value);
    EXPECT_STREQ(value, "none");
    GetPrivateProfileStringA(section.c_str(), "ip0", "none", value, sizeof value, ".INI");
    EXPECT_STREQ(value, "none");
}

// ---- deleting the files of a folder (temporary folder only) -----------------

TEST(Cleanup, DeleteMatchingFilesClearsAttributesAndKeepsFolders) {
    std::string dir = tempDir() + uniqueName("del");
    CreateDirectoryA(dir.c_str(), NULL);
    writeFile(dir + "\\ro.txt", "x");
    SetFileAttributesA((dir + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    writeFile(dir + "\\hidden.dat", "x");
    SetFileAttributesA((dir + "\\hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    writeFile(dir + "\\noext", "x");
    CreateDirectoryA((dir + "\\sub").c_str(), NULL);
    writeFile(dir + "\\sub\\inner.txt", "x");

    deleteMatchingFiles(dir.c_str(), "");
    EXPECT_TRUE(exists(dir + "\\ro.txt")) << "an empty pattern deletes nothing";
    deleteMatchingFiles(dir.c_str(), "*.none");
    EXPECT_TRUE(exists(dir + "\\ro.txt"));
    deleteMatchingFiles(dir.c_str(), "*.TXT");
    EXPECT_FALSE(exists(dir + "\\ro.txt"));
    EXPECT_TRUE(exists(dir + "\\hidden.dat"));

    deleteMatchingFiles(dir.c_str(), "*.*");
    EXPECT_FALSE(exists(dir + "\\hidden.dat"));
    EXPECT_FALSE(exists(dir + "\\noext")) << "*.* also matches names without a dot";
    EXPECT_TRUE(isFolder(dir + "\\sub"));
    EXPECT_TRUE(exists(dir + "\\sub\\inner.txt"));
    RemoveDirectoryA(dir.c_str());
    EXPECT_TRUE(isFolder(dir));

    deleteMatchingFiles((dir + "\\missing").c_str(), "*.*");  // no folder: nothing happens
    DeleteFileA((dir + "\\sub\\inner.txt").c_str());
    RemoveDirectoryA((dir + "\\sub").c_str());
    RemoveDirectoryA(dir.c_str());
}

// ---- the set of files (temporary folder only) ------------------------------

// How many files of the folder the listing shows (no "." or "..").
static int fileCount(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

TEST(FileSet, PlacesEveryFileOrNoneAndLeavesNoTemporaryFile) {
    std::string dir = tempDir() + uniqueName("set");
    CreateDirectoryA(dir.c_str(), NULL);
    std::string a = dir + "\\a.ds", b = dir + "\\b.dll", newA = dir + "\\new-a", newB = dir + "\\new-b";
    writeFile(newA, "new a");
    writeFile(newB, "new b");
    SetFileAttributesA(newB.c_str(), FILE_ATTRIBUTE_READONLY);
    auto place = [&](const std::string& sourceB, Outcome* o) {
        FileSet set;
        fileSetOpen(&set, dir.c_str(), 2, o);
        int ok = fileSetStage(&set, newA.c_str(), a.c_str()) && fileSetStage(&set, sourceB.c_str(), b.c_str()) &&
                 fileSetPlace(&set);
        if (ok) fileSetFinish(&set);
        else fileSetClose(&set);
        return ok;
    };
    Outcome o = {};
    EXPECT_EQ(place(newB, &o), 1) << "no targets yet";
    EXPECT_EQ(readFile(a), "new a");
    EXPECT_EQ(readFile(b), "new b");
    EXPECT_EQ(GetFileAttributesA(b.c_str()) & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY)
        << "attributes travel with the copy";
    EXPECT_EQ(o.done, 2u);

    // A read-only old file is replaced; a missing source keeps every old file.
    writeFile(newA, "newer a");
    EXPECT_EQ(place(newB, &o), 1);
    EXPECT_EQ(readFile(a), "newer a");
    SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_NORMAL);
    writeFile(a, "old a");
    o = Outcome();
    EXPECT_EQ(place(dir + "\\missing", &o), 0);
    EXPECT_EQ(readFile(a), "old a");
    EXPECT_EQ(o.failures, 1u);
    EXPECT_EQ(o.firstError, (uint32_t)ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(outcomeFirstName(&o), "missing");

    // b held open cannot be moved aside: a, already replaced, gets its old bytes back.
    HANDLE held = CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    o = Outcome();
    EXPECT_EQ(place(newB, &o), 0);
    CloseHandle(held);
    EXPECT_EQ(readFile(a), "old a");
    EXPECT_EQ(readFile(b), "new b");
    EXPECT_EQ(o.undoFailures, 0u);
    EXPECT_EQ(fileCount(dir), 4) << "no temporary file left behind";

    // b loaded as a module (a scanning application's) may be renamed but not
    // deleted: the new b takes its place, the old one stays aside, recorded.
    ASSERT_TRUE(CopyFileA(twres::buildTrees().back().setupLibrary().c_str(), b.c_str(), FALSE));
    HMODULE loaded = LoadLibraryA(b.c_str());
    ASSERT_TRUE(loaded);
    o = Outcome();
    EXPECT_EQ(place(newB, &o), 1);
    EXPECT_EQ(readFile(b), "new b");
    EXPECT_EQ(o.failures, 0u);
    EXPECT_EQ(o.leftBehind, 1u);
    FreeLibrary(loaded);
    EXPECT_EQ(fileCount(dir), 5) << "the old b under its temporary name";
    deleteMatchingFiles(dir.c_str(), "tws*.*", &o);

    for (const std::string& f : {a, b, newA, newB}) {
        SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(f.c_str());
    }
    RemoveDirectoryA(dir.c_str());
}

// ---- sequences (Windows folder) ---------------------------------------------

TEST_F(V_Operations, NetworkInstallCopiesAndWritesOneSection) {
    std::string base = uniqueName("N");
    TestModel m = model(16, base, {"B.DLL"});
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 1, "192.168.1.10");

    PageLog log = runWithPage(&ctx);

    EXPECT_TRUE(log.workerEnded);
    EXPECT_EQ(ctx.outcome.failures, 0u);
    EXPECT_EQ(log.positions, kInstallSteps);
    ASSERT_EQ(log.texts.size(), 4u);
    EXPECT_EQ(log.texts[0], processStepText(20));
    EXPECT_EQ(log.texts[3], processStepText(100));
    EXPECT_TRUE(log.buttonOffDuringReports);
    EXPECT_EQ(log.endMessages, 1);
    EXPECT_TRUE(log.buttonOnAtEnd);
    EXPECT_FALSE(log.ownedWindowSeen) << "an address was given: no prompt";
    EXPECT_EQ(ctx.mode, ModeInstall);

    EXPECT_TRUE(isFolder(windowsDir() + "\\TWAIN_32"));
    std::string target = targetOf(m);
    EXPECT_STREQ(ctx.targetDir, target.c_str());
    EXPECT_EQ(readFile(target + "\\" + base + ".DS"), "new " + base + ".DS");
    EXPECT_EQ(readFile(target + "\\B.DLL"), "new B.DLL");

    EXPECT_STREQ(ctx.settingsPath, settingsOf(base).c_str());
    std::vector<std::string> expected = {"[" + m.name + "]", "ip0=192.168.1.10", "AutoIP=-1062731510",
                                         "UseUSB=0", "UseAuto=1", "IPNum=1", "IPSel=0", "ManuIP=0"};
    EXPECT_EQ(lines(readFile(ctx.settingsPath)), expected);
}

TEST_F(V_Operations, LocalInstallCopiesWithoutSettings) {
    std::string base = uniqueName("L");
    TestModel m = model(18, base);
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 0, "");

    PageLog log = runWithPage(&ctx);

    EXPECT_EQ(log.positions, kInstallSteps);
    EXPECT_FALSE(log.ownedWindowSeen);
    EXPECT_EQ(readFile(targetOf(m) + "\\B.DLL"), "new B.DLL");
    EXPECT_FALSE(exists(settingsOf(base)));
}

TEST_F(V_Operations, CancelledAddressPromptEndsThePageBeforeAnything) {
    // With no address the worker opens the address prompt on its own thread,
    // owned by the page; the page's loop here cancels it.
    std::string base = uniqueName("C");
    TestModel m = model(16, base);
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 1, "");

    PageLog log = runWithPage(&ctx);

    EXPECT_TRUE(log.workerEnded);
    EXPECT_EQ(log.endPageMessages, 1) << "the page is asked to end itself";
    EXPECT_TRUE(log.ownedWindowSeen) << "the address prompt opened, owned by the page, and was cancelled";
    EXPECT_TRUE(log.positions.empty()) << "no progress was ever shown";
    EXPECT_EQ(log.endMessages, 0) << "the page was gone before the end message";
    EXPECT_FALSE(exists(targetOf(m)));
    EXPECT_FALSE(exists(settingsOf(base)));
    EXPECT_EQ(log.threadSlotAfter, nullptr);

    // A page that stays until the worker is done still gets WM_TW_WORKER_DONE, last.
    fillContext(&ctx, p, m, ModeInstall, 1, "");
    PageLog waiting = runWithPage(&ctx, false);
    EXPECT_EQ(waiting.endOrder, "PE");
    EXPECT_TRUE(waiting.positions.empty());
    EXPECT_FALSE(exists(targetOf(m)));
}

TEST_F(V_Operations, InstallFindingTheFolderBecomesAnUpgrade) {
    std::string base = uniqueName("U");
    TestModel m = model(21, base);
    TestPackage p = makePackage({m});
    std::string target = targetOf(m);
    CreateDirectoryA((windowsDir() + "\\TWAIN_32").c_str(), NULL);
    CreateDirectoryA(target.c_str(), NULL);
    writeFile(target + "\\B.DLL", "old");
    fillContext(&ctx, p, m, ModeInstall, 1, "");  // a prompt would follow if it were an install

    PageLog log = runWithPage(&ctx);

    EXPECT_EQ(ctx.mode, ModeUpgrade);
    EXPECT_EQ(log.positions, kUpgradeSteps);
    EXPECT_FALSE(log.ownedWindowSeen);
    EXPECT_EQ(log.endPageMessages, 0);
    EXPECT_EQ(log.endMessages, 1);
    EXPECT_EQ(readFile(target + "\\B.DLL"), "new B.DLL") << "the old file is replaced";
    EXPECT_FALSE(exists(settingsOf(base)));
}

TEST_F(V_Operations, UpgradeAndRemovalLeaveTheSettingsFileAlone) {
    std::string base = uniqueName("K");
    TestModel m = model(16, base);
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 1, "10.1.2.3");
    runWithPage(&ctx);
    std::string before = readFile(settingsOf(base));
    ASSERT_NE(before.find("AutoIP=167838211"), std::string::npos) << before;

    fillContext(&ctx, p, m, ModeUpgrade, 1, "");
    textCopy(ctx.targetDir, targetOf(m).c_str());  // as the wizard's presence query left it
    PageLog upgrade = runWithPage(&ctx);
    EXPECT_EQ(upgrade.positions, kUpgradeSteps);
    EXPECT_EQ(readFile(settingsOf(base)), before);

    fillContext(&ctx, p, m, ModeRemove, 1, "");
    textCopy(ctx.targetDir, targetOf(m).c_str());
    PageLog removal = runWithPage(&ctx);
    EXPECT_EQ(removal.positions, kRemoveSteps);
    EXPECT_EQ(readFile(settingsOf(base)), before);
    EXPECT_FALSE(exists(targetOf(m)));
    EXPECT_TRUE(isFolder(windowsDir() + "\\TWAIN_32")) << "TWAIN_32 stays";
}

TEST_F(V_Operations, ReinstallWithAnotherAddressChangesOnlyTheAddress) {
    std::string base = uniqueName("R");
    TestModel m = model(16, base);
    TestPackage p = makePackage({m});
    std::string ini = settingsOf(base);
    writeFile(ini, "[Elsewhere]\r\nip0=1.2.3.4\r\n");

    fillContext(&ctx, p, m, ModeInstall, 1, "192.168.1.10");
    runWithPage(&ctx);
    WritePrivateProfileStringA(m.name.c_str(), "Extra", "kept", ini.c_str());  // the data source's own key
    fillContext(&ctx, p, m, ModeRemove, 1, "");
    textCopy(ctx.targetDir, targetOf(m).c_str());
    runWithPage(&ctx);
    fillContext(&ctx, p, m, ModeInstall, 1, "10.1.2.3");
    runWithPage(&ctx);

    std::vector<std::string> expected = {"[Elsewhere]", "ip0=1.2.3.4",      "[" + m.name + "]",
                                         "ip0=10.1.2.3", "AutoIP=167838211", "UseUSB=0",
                                         "UseAuto=1",    "IPNum=1",          "IPSel=0",
                                         "ManuIP=0",     "Extra=kept"};
    EXPECT_EQ(lines(readFile(ini)), expected);
}

TEST_F(V_Operations, ModelsSharingABaseNameShareOneFile) {
    std::string base = uniqueName("S");
    TestModel a = model(16, base);
    TestModel b = model(18, base);
    b.destination += "B";
    TestPackage p = makePackage({a, b});
    fillContext(&ctx, p, a, ModeInstall, 1, "192.168.1.10");
    runWithPage(&ctx);
    fillContext(&ctx, p, b, ModeInstall, 1, "10.1.2.3");
    runWithPage(&ctx);

    std::vector<std::string> got = lines(readFile(settingsOf(base)));
    ASSERT_EQ(got.size(), 16u);
    EXPECT_EQ(got[0], "[" + a.name + "]");
    EXPECT_EQ(got[1], "ip0=192.168.1.10");
    EXPECT_EQ(got[8], "[" + b.name + "]");
    EXPECT_EQ(got[9], "ip0=10.1.2.3");
    EXPECT_EQ(got[10], "AutoIP=167838211");
}

TEST_F(V_Operations, RemovalDeletesReadOnlyFilesAndKeepsAFolderInside) {
    std::string base = uniqueName("D");
    TestModel m = model(22, base);
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 0, "");
    runWithPage(&ctx);
    std::string target = targetOf(m);
    SetFileAttributesA((target + "\\B.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((target + "\\keep").c_str(), NULL);
    writeFile(target + "\\keep\\inside.txt", "x");

    fillContext(&ctx, p, m, ModeRemove, 0, "");
    textCopy(ctx.targetDir, target.c_str());
    PageLog log = runWithPage(&ctx);

    EXPECT_EQ(log.positions, kRemoveSteps);
    EXPECT_TRUE(log.buttonOffDuringReports);
    EXPECT_EQ(log.endMessages, 1);
    EXPECT_FALSE(exists(target + "\\B.DLL"));
    EXPECT_FALSE(exists(target + "\\" + base + ".DS"));
    EXPECT_TRUE(exists(target + "\\keep\\inside.txt"));
    EXPECT_TRUE(isFolder(target)) << "a folder inside keeps the data-source folder";
    EXPECT_EQ(ctx.outcome.failures, 2u) << "the folder inside, then the data-source folder, stay";
    EXPECT_STREQ(outcomeFirstName(&ctx.outcome), "keep");

    // Without the folder inside, the data-source folder goes too.
    DeleteFileA((target + "\\keep\\inside.txt").c_str());
    RemoveDirectoryA((target + "\\keep").c_str());
    writeFile(target + "\\late.txt", "x");
    SetFileAttributesA((target + "\\late.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    removeTargetDir(&ctx);
    EXPECT_FALSE(exists(target));
}

TEST_F(V_Operations, NoUsableTargetFolderTouchesNothingOfTheWindowsFolder) {
    std::string base = uniqueName("E");
    TestModel m = model(16, base, {"B.DLL", "..\\ESCAPE.DLL"});
    m.destination = "10";  // no subdirectory
    TestPackage p = makePackage({m});
    writeFile(tempDir() + "ESCAPE.DLL", "outside");
    fillContext(&ctx, p, m, ModeInstall, 1, "192.168.1.10");

    PageLog log = runWithPage(&ctx);

    EXPECT_EQ(log.positions, std::vector<int>{20}) << "nothing to install: the install fails";
    EXPECT_EQ(ctx.outcome.failures, 1u);
    EXPECT_STREQ(ctx.targetDir, "");
    EXPECT_FALSE(exists(windowsDir() + "\\B.DLL"));
    EXPECT_FALSE(exists(windowsDir() + "\\" + base + ".DS"));
    EXPECT_FALSE(exists(settingsOf(base))) << "nothing copied, nothing to configure";

    // Even a record that names the Windows folder itself neither fills nor empties it.
    std::string marker = windowsDir() + "\\" + base + ".DS";
    writeFile(marker, "marker");
    for (const char* form : {"", "\\"}) {
        textCopy(ctx.targetDir, (windowsDir() + form).c_str());
        EXPECT_EQ(copyDataSourceFiles(&ctx, 0), 0);
        removeTargetDir(&ctx);
        EXPECT_EQ(readFile(marker), "marker");
        EXPECT_FALSE(exists(windowsDir() + "\\B.DLL"));
    }
    DeleteFileA(marker.c_str());

    // An entry with a folder part makes the package uninstallable: nothing is copied.
    TestModel n = model(18, base + "X", {"B.DLL", "..\\ESCAPE.DLL"});
    TestPackage q = makePackage({n});
    fillContext(&ctx, q, n, ModeInstall, 0, "");
    runWithPage(&ctx);
    EXPECT_FALSE(exists(windowsDir() + "\\TWAIN_32\\ESCAPE.DLL"));
    EXPECT_FALSE(exists(targetOf(n))) << "the model's folder made for the install is gone again";
    EXPECT_EQ(ctx.outcome.firstError, (uint32_t)ERROR_INVALID_NAME);
}

TEST_F(V_Operations, FailedInstallLeavesNothingOfTheModel) {
    // No data-source file, a file missing from the package, a settings file
    // that cannot be written: each fails the install, and undoes it.
    std::string base = uniqueName("F");
    TestModel empty = model(16, base);
    empty.entries.clear();
    TestModel missing = model(18, base + "M", {"B.DLL", "MISSING.DLL"});
    TestModel unwritable = model(21, base + "W");
    TestPackage p = makePackage({empty, missing, unwritable}, {"MISSING.DLL"});
    CreateDirectoryA(settingsOf(base + "W").c_str(), NULL);  // a folder where the settings file goes

    struct Case {
        const TestModel& m;
        uint32_t error;
        const char* firstName;
    } cases[] = {{empty, ERROR_FILE_NOT_FOUND, ""}, {missing, ERROR_FILE_NOT_FOUND, "MISSING.DLL"},
                 {unwritable, 0, ""}};
    for (const Case& c : cases) {
        fillContext(&ctx, p, c.m, ModeInstall, 1, "192.168.1.10");
        PageLog log = runWithPage(&ctx);
        EXPECT_EQ(log.positions, std::vector<int>{20}) << c.m.name;
        EXPECT_EQ(log.endMessages, 1);
        EXPECT_GE(ctx.outcome.failures, 1u) << c.m.name;
        EXPECT_EQ(ctx.outcome.undoFailures, 0u) << c.m.name;
        if (c.error) EXPECT_EQ(ctx.outcome.firstError, c.error) << c.m.name;
        if (c.firstName[0]) EXPECT_STREQ(outcomeFirstName(&ctx.outcome), c.firstName);
        EXPECT_FALSE(exists(targetOf(c.m))) << c.m.name;
        EXPECT_TRUE(isFolder(windowsDir() + "\\TWAIN_32")) << "TWAIN_32 was there before: it stays";
    }
    EXPECT_EQ(ctx.outcome.firstAction, ActionWriteSettings);
    EXPECT_STREQ(outcomeFirstName(&ctx.outcome), (base + "W.INI").c_str());
    EXPECT_TRUE(isFolder(settingsOf(base + "W")));
    RemoveDirectoryA(settingsOf(base + "W").c_str());
}

TEST_F(V_Operations, FailedUpgradeKeepsEveryOldFile) {
    std::string base = uniqueName("G");
    TestModel m = model(22, base, {"B.DLL", "C.DLL"});
    TestPackage p = makePackage({m});
    fillContext(&ctx, p, m, ModeInstall, 0, "");
    runWithPage(&ctx);
    std::string target = targetOf(m);
    writeFile(target + "\\" + base + ".DS", "old ds");
    writeFile(target + "\\B.DLL", "old B");
    DeleteFileA((target + "\\C.DLL").c_str());
    CreateDirectoryA((target + "\\C.DLL").c_str(), NULL);  // a folder where a file goes

    fillContext(&ctx, p, m, ModeUpgrade, 0, "");
    textCopy(ctx.targetDir, target.c_str());
    PageLog log = runWithPage(&ctx);

    EXPECT_EQ(log.positions, std::vector<int>{20});
    EXPECT_EQ(ctx.outcome.firstAction, ActionPlaceFile);
    EXPECT_STREQ(outcomeFirstName(&ctx.outcome), "C.DLL");
    EXPECT_EQ(readFile(target + "\\" + base + ".DS"), "old ds");
    EXPECT_EQ(readFile(target + "\\B.DLL"), "old B");
    EXPECT_TRUE(isFolder(target + "\\C.DLL"));
    RemoveDirectoryA((target + "\\C.DLL").c_str());
}
