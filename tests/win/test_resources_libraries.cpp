// Extraction of the embedded libraries under Wine, with this test program in
// the program's place (it carries the same resources), and the calls of the
// driver-setup library. Both change the system folder: CTest runs them in
// throw-away prefixes.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>

#include "core/context.h"
#include "core/libraries.h"
#include "package/languages.h"
#include "core/oscode.h"
#include "drvsetup/drvsetup.h"
#include "test_resources_util.h"

using namespace twres;

#include "winfiles.h"

using namespace winfiles;

namespace {


Bytes ownPayload(const wchar_t* type, unsigned id) {
    Bytes b;
    resourceBytes(GetModuleHandleW(NULL), type, MAKEINTRESOURCEW(id), 0, &b);
    return b;
}

BuildTree ownTree() {
    std::vector<BuildTree> trees = buildTrees();
    return trees.empty() ? BuildTree() : trees.back();
}

std::wstring loadString(HMODULE m, int id) {
    wchar_t text[512];
    int n = LoadStringW(m, id, text, 512);
    return std::wstring(text, n > 0 ? n : 0);
}

const std::string kLanguageFile = systemFile("DrvSetupLang.dll");
const std::string kSetupFile = systemFile("DrvSetup.dll");

}  // namespace

TEST(V_Libraries, TheChosenLanguageSelectsItsPayload) {
    ASSERT_FALSE(ownPayload(L"LANGUAGERC", 136).empty()) << "this program carries no language libraries";
    const struct {
        LanguageId id;
        unsigned payload;
        const char* folder;
    } cases[] = {
        {67, 136, "ENGLISH"}, {71, 112, "ARABIC"},  {72, 135, "TURKISH"}, {48, 134, "THAI"},
        {0, 136, "ENGLISH"},  {999, 136, "ENGLISH"}, {0xFFFFFFFFu, 136, "ENGLISH"},  // an empty list's id
    };
    for (const auto& c : cases) {
        EXPECT_EQ(writeLanguageLibrary(languageResourceId(c.id)), 1) << c.id;
        Bytes written, built;
        ASSERT_TRUE(readFile(kLanguageFile, &written)) << c.id;
        ASSERT_TRUE(readFile(ownTree().languageLibrary(c.folder), &built)) << c.folder;
        EXPECT_TRUE(written == ownPayload(L"LANGUAGERC", c.payload)) << "LanguageId " << c.id;
        EXPECT_TRUE(written == built) << "LanguageId " << c.id << " did not write lang_" << c.folder << ".dll";
    }
    deleteLanguageLibrary();
    EXPECT_FALSE(exists(kLanguageFile));
}

TEST(V_Libraries, NtRunLoadsBothLibrariesAndLeavesNothingBehind) {
    ASSERT_EQ(writeLanguageLibrary(languageResourceId(71)), 1);  // Arabic
    InstallContext ctx = {};
    ctx.osCode = OsWinXp;
    loadLibraries(&ctx);

    Bytes setup, built;
    ASSERT_TRUE(readFile(kSetupFile, &setup));
    ASSERT_TRUE(readFile(ownTree().setupLibrary(), &built));
    EXPECT_TRUE(setup == built) << "DrvSetup.dll is not the built library";
    EXPECT_TRUE(setup == ownPayload(L"DLLRESOURCE", 104));
    ASSERT_TRUE(ctx.setupLibrary);
    HMODULE lib = (HMODULE)ctx.setupLibrary;
    EXPECT_EQ(ctx.copyOemInfEntry, (void*)GetProcAddress(lib, "SetupCopyOEMInf_2K"));
    EXPECT_EQ(ctx.updateDriverEntry, (void*)GetProcAddress(lib, "UpdateDriverForPlugAndPlayDevices_2K"));
    EXPECT_EQ(ctx.addPrinterDriverEntry, (void*)GetProcAddress(lib, "AddPrinterDriverEx_2K"));
    EXPECT_TRUE(ctx.copyOemInfEntry && ctx.updateDriverEntry && ctx.addPrinterDriverEntry);

    // Localised resources now come from the Arabic library.
    ASSERT_TRUE(ctx.languageLibrary);
    EXPECT_EQ(resourceModule(), ctx.languageLibrary);
    HMODULE language = (HMODULE)resourceModule();
    std::map<int, std::wstring> arabic = sourceStrings("ARABIC");
    EXPECT_EQ(narrow(loadString(language, 45)), narrow(arabic[45]));
    EXPECT_EQ(narrow(loadString(language, 29)), narrow(arabic[29]));
    EXPECT_EQ(loadString(language, 30), L"") << "absent ids give an empty text";
    EXPECT_TRUE(FindResourceW(language, MAKEINTRESOURCEW(107), MAKEINTRESOURCEW(5)));
    HBITMAP picture = LoadBitmapA(language, MAKEINTRESOURCEA(108));
    ASSERT_TRUE(picture);
    BITMAP info;
    ASSERT_EQ(GetObjectA(picture, sizeof info, &info), (int)sizeof info);
    EXPECT_EQ(info.bmWidth, 500);
    EXPECT_EQ(info.bmHeight, 313);
    DeleteObject(picture);

    unloadLibraries(&ctx);
    EXPECT_FALSE(exists(kSetupFile));
    EXPECT_FALSE(exists(kLanguageFile));
    EXPECT_EQ(resourceModule(), nullptr);
    EXPECT_FALSE(ctx.setupLibrary || ctx.languageLibrary || ctx.copyOemInfEntry || ctx.updateDriverEntry ||
                 ctx.addPrinterDriverEntry);
}

TEST(V_Libraries, Windows98RunNeverTouchesTheSetupLibrary) {
    // A file of that name that is not ours must survive the run untouched.
    const char marker[] = "not the installer's";
    ASSERT_EQ(writeBytesToFile(kSetupFile.c_str(), marker, sizeof marker), 1);
    ASSERT_EQ(writeLanguageLibrary(languageResourceId(67)), 1);
    InstallContext ctx = {};
    ctx.osCode = OsWin98;
    loadLibraries(&ctx);
    EXPECT_FALSE(ctx.setupLibrary || ctx.copyOemInfEntry || ctx.updateDriverEntry || ctx.addPrinterDriverEntry);
    EXPECT_TRUE(ctx.languageLibrary);
    EXPECT_EQ(resourceModule(), ctx.languageLibrary);
    unloadLibraries(&ctx);

    Bytes after;
    ASSERT_TRUE(readFile(kSetupFile, &after));
    EXPECT_EQ(std::string(after.begin(), after.end()), std::string(marker, sizeof marker));
    EXPECT_FALSE(exists(kLanguageFile));
    DeleteFileA(kSetupFile.c_str());

    // And without such a file none appears.
    ASSERT_EQ(writeLanguageLibrary(languageResourceId(67)), 1);
    loadLibraries(&ctx);
    EXPECT_FALSE(exists(kSetupFile));
    unloadLibraries(&ctx);
    EXPECT_FALSE(exists(kLanguageFile));
}

TEST(V_Libraries, LanguageLibraryThatFailsToLoadFallsBackToTheProgram) {
    ASSERT_EQ(writeBytesToFile(kLanguageFile.c_str(), NULL, 0), 1);
    InstallContext ctx = {};
    ctx.osCode = OsWinXp;
    loadLibraries(&ctx);
    EXPECT_EQ(ctx.languageLibrary, nullptr);
    EXPECT_EQ(resourceModule(), nullptr) << "null: the program's own resources";
    EXPECT_TRUE(ctx.setupLibrary) << "the setup library does not depend on the language library";

    // The program's own copy serves every localised page and text.
    HMODULE self = GetModuleHandleW(NULL);
    std::wstring ok = loadString(self, 45);
    bool known = false;
    for (const char* folder : {"ENGLISH", "ARABIC", "GERMAN", "JAPANESE", "FRENCH", "SPANISH"})
        known = known || ok == sourceStrings(folder)[45];
    EXPECT_TRUE(known) << "string 45 of the program reads " << narrow(ok);
    for (int id : {105, 106, 107, 108, 109})
        EXPECT_TRUE(FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5))) << "dialog " << id;
    HBITMAP picture = LoadBitmapA(self, MAKEINTRESOURCEA(108));
    EXPECT_TRUE(picture);
    if (picture) DeleteObject(picture);

    unloadLibraries(&ctx);
    EXPECT_FALSE(exists(kLanguageFile));
    EXPECT_FALSE(exists(kSetupFile));
}

TEST(V_Libraries, WriteBytesToFileReplacesTheFileAndReportsACreateFailure) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + "tw_write_test.bin";
    ASSERT_EQ(writeBytesToFile(path.c_str(), "first text", 10), 1);
    ASSERT_EQ(writeBytesToFile(path.c_str(), "2nd", 3), 1);
    Bytes b;
    ASSERT_TRUE(readFile(path, &b));
    EXPECT_EQ(std::string(b.begin(), b.end()), "2nd") << "the old contents must be gone";
    DeleteFileA(path.c_str());
    EXPECT_EQ(writeBytesToFile((std::string(temp) + "no such folder\\x.bin").c_str(), "x", 1), 0);
}

// ---- the driver-setup library ----------------------------------------------

namespace {

struct SetupLibrary {
    HMODULE h;
    AddPrinterDriverEx2KFn addPrinterDriver;
    SetupCopyOEMInf2KFn copyOemInf;
    UpdateDriverForPlugAndPlayDevices2KFn updateDriver;
    SetupLibrary() : h(LoadLibraryA(ownTree().setupLibrary().c_str())) {
        addPrinterDriver = (AddPrinterDriverEx2KFn)(void (*)(void))GetProcAddress(h, "AddPrinterDriverEx_2K");
        copyOemInf = (SetupCopyOEMInf2KFn)(void (*)(void))GetProcAddress(h, "SetupCopyOEMInf_2K");
        updateDriver = (UpdateDriverForPlugAndPlayDevices2KFn)(void (*)(void))GetProcAddress(
            h, "UpdateDriverForPlugAndPlayDevices_2K");
    }
    ~SetupLibrary() {
        if (h) FreeLibrary(h);
    }
};

FARPROC platform(const char* library, const char* name) { return GetProcAddress(LoadLibraryA(library), name); }

// Whether the system's INF folder holds a file with these contents (Windows
// names the copy oemN.inf, Wine keeps the original name).
bool infFolderHolds(const std::string& contents) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string folder = std::string(windows) + "\\inf\\";
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*.inf").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool held = false;
    do {
        Bytes b;
        held = readFile(folder + found.cFileName, &b) && std::string(b.begin(), b.end()) == contents;
    } while (!held && FindNextFileA(h, &found));
    FindClose(h);
    return held;
}

}  // namespace

TEST(V_DrvSetup, ExportsTheThreeCallsByNameAndOrdinal) {
    SetupLibrary lib;
    ASSERT_TRUE(lib.h) << ownTree().setupLibrary();
    ASSERT_TRUE(lib.addPrinterDriver && lib.copyOemInf && lib.updateDriver);
    EXPECT_EQ((void*)GetProcAddress(lib.h, MAKEINTRESOURCEA(1)), (void*)lib.addPrinterDriver);
    EXPECT_EQ((void*)GetProcAddress(lib.h, MAKEINTRESOURCEA(2)), (void*)lib.copyOemInf);
    EXPECT_EQ((void*)GetProcAddress(lib.h, MAKEINTRESOURCEA(3)), (void*)lib.updateDriver);
    EXPECT_EQ(GetProcAddress(lib.h, MAKEINTRESOURCEA(4)), nullptr);
}

TEST(V_DrvSetup, CopiesAnOemInfFromAPath) {
    SetupLibrary lib;
    ASSERT_TRUE(lib.copyOemInf);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string inf = std::string(temp) + "tw_scanner.inf";
    const std::string text =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Image\r\n"
        "ClassGuid={6bdd1fc6-810f-11d0-bec7-08002be2092f}\r\nProvider=Example Imaging\r\n";
    ASSERT_EQ(writeBytesToFile(inf.c_str(), text.data(), text.size()), 1);

    ASSERT_FALSE(infFolderHolds(text));
    EXPECT_TRUE(lib.copyOemInf(inf.c_str())) << "error " << GetLastError();
    EXPECT_TRUE(infFolderHolds(text)) << "the INF was not copied into the system's INF folder";
    DeleteFileA(inf.c_str());
}

TEST(V_DrvSetup, FailuresComeBackAsThePlatformReportsThem) {
    SetupLibrary lib;
    ASSERT_TRUE(lib.copyOemInf && lib.updateDriver && lib.addPrinterDriver);
    const char* missing = "C:\\no such folder\\missing.inf";

    typedef BOOL(WINAPI * CopyFn)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
    auto copy = (CopyFn)(void (*)(void))platform("setupapi.dll", "SetupCopyOEMInfA");
    ASSERT_TRUE(copy);
    SetLastError(0);
    BOOL direct = copy(missing, NULL, 1, 0, NULL, 0, NULL, NULL);
    DWORD directError = GetLastError();
    SetLastError(0);
    EXPECT_EQ(lib.copyOemInf(missing), direct);
    EXPECT_EQ(GetLastError(), directError);

    typedef BOOL(WINAPI * UpdateFn)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);
    auto update = (UpdateFn)(void (*)(void))platform("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
    ASSERT_TRUE(update);
    BOOL reboot = FALSE;
    SetLastError(0);
    direct = update(NULL, "USB\\VID_FFFF&PID_0001", missing, 1, &reboot);
    directError = GetLastError();
    SetLastError(0);
    EXPECT_EQ(lib.updateDriver("USB\\VID_FFFF&PID_0001", missing), direct);
    EXPECT_EQ(GetLastError(), directError);

    typedef BOOL(WINAPI * AddFn)(LPSTR, DWORD, LPBYTE, DWORD);
    auto add = (AddFn)(void (*)(void))platform("winspool.drv", "AddPrinterDriverExA");
    ASSERT_TRUE(add);
    DRIVER_INFO_6A info = {};
    info.cVersion = 3;
    info.pName = (LPSTR) "Example Imaging Test Driver";
    info.pEnvironment = (LPSTR) "Windows x64";
    info.pDriverPath = (LPSTR) "C:\\no such folder\\driver.dll";
    info.pDataFile = (LPSTR) "C:\\no such folder\\data.ppd";
    info.pConfigFile = (LPSTR) "C:\\no such folder\\ui.dll";
    SetLastError(0);
    direct = add(NULL, 6, (LPBYTE)&info, 4);
    directError = GetLastError();
    SetLastError(0);
    EXPECT_EQ(lib.addPrinterDriver(&info), direct);
    EXPECT_EQ(GetLastError(), directError);
}
