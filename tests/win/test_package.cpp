// The package queries under Wine, on real folders and INF files that the
// tests make in a folder of their own (and on the demo package): language
// folders, the INF file, models, hardware ids, the data-source folder and
// file list, and what a hostile INF can make them name.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/text.h"
#include "package/package.h"
#include "package/inf_values.h"
#include "winfiles.h"

using namespace winfiles;

namespace {

std::vector<std::string> walk(const DataSourceList& list) {
    std::vector<std::string> entries;
    unsigned offset = 0;
    for (const char* e; (e = nextSectionEntry(&list, &offset)) != 0;) entries.push_back(e);
    return entries;
}

bool terminatedWithin(const char* field, size_t width) { return memchr(field, '\0', width) != 0; }

// A folder of its own under the temporary folder, deleted after each test.
class PackageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = tempDir() + uniqueName("pkgtest");
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), NULL));
    }
    void TearDown() override { removeTree(root_); }

    std::string makeDir(const std::string& relative) {
        std::string path = root_ + "\\" + relative;
        CreateDirectoryA(path.c_str(), NULL);
        return path;
    }
    // An INF file in a fresh language folder; the context points at it.
    void useInf(const std::string& body) {
        std::string dir = makeDir(uniqueName("L"));
        textCopy(ctx_.sourceDir, dir.c_str());
        writeFile(dir + "\\TEST_T.INF", body);
        ASSERT_EQ(locateInf(&ctx_), 1);
    }
    std::vector<std::string> models() {
        ModelList list;
        listModels(ctx_.infPath, &list);
        std::vector<std::string> out;
        for (int i = 0; i < list.count; ++i)
            out.push_back(std::to_string(list.models[i].number) + "=" + list.models[i].name);
        return out;
    }
    std::string hardwareId(ModelNumber n, int fallback) {
        ctx_.modelNumber = n;
        textCopy(ctx_.hardwareId, "stale");
        readHardwareId(&ctx_, fallback);
        return ctx_.hardwareId;
    }

    std::string root_;
    InstallContext ctx_ = {};
};

typedef std::vector<std::string> Texts;

}  // namespace

TEST_F(PackageFiles, LanguageFoldersAreMatchedWhateverTheirCase) {
    makeDir("WIN2K_XP");
    for (const char* dir : {"WIN2K_XP\\english", "WIN2K_XP\\FRENCH", "WIN2K_XP\\T_chinese", "WIN2K_XP\\KLINGON"})
        makeDir(dir);
    writeFile(root_ + "\\WIN2K_XP\\GERMAN", "a plain file");
    writeFile(root_ + "\\WIN2K_XP\\english\\EXIM_T.INF", "[Strings]\r\nMODELName16=X\r\n");

    LanguageList list;
    EXPECT_STREQ(listPackageLanguages(root_.c_str(), 2501, &list), "WIN2K_XP");
    std::vector<LanguageId> ids(list.ids, list.ids + list.count);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<LanguageId>{49, 65, 67}));

    EXPECT_STREQ(listPackageLanguages(root_.c_str(), 2600, &list), "WINVISTA");
    EXPECT_EQ(list.count, 0) << "no such OS folder";

    // The folder is spelt as in the table; Wine finds it regardless of case.
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    EXPECT_EQ(readPackageRoot(&ctx_), 1);
    SetCurrentDirectoryA(tempDir().c_str());
    EXPECT_STREQ(ctx_.packageRoot, root_.c_str());
    ASSERT_EQ(buildSourceDir(&ctx_, "WIN2K_XP", 67), 1);
    EXPECT_EQ(std::string(ctx_.sourceDir), root_ + "\\WIN2K_XP\\ENGLISH");
    EXPECT_EQ(locateInf(&ctx_), 1);
    EXPECT_EQ(models(), Texts{"16=X"});
}

TEST_F(PackageFiles, TheInfIsTheFirstMatchingFileAndItsAbsenceOffersNothing) {
    std::string dir = makeDir("LANG");
    makeDir("LANG\\A_T.INF");  // a folder, not a file
    writeFile(dir + "\\B_T.INF", "");
    writeFile(dir + "\\C_T.INF", "");
    writeFile(dir + "\\README.TXT", "");
    textCopy(ctx_.sourceDir, dir.c_str());
    EXPECT_EQ(locateInf(&ctx_), 1);
    std::string inf = ctx_.infPath;
    EXPECT_TRUE(inf == dir + "\\B_T.INF" || inf == dir + "\\C_T.INF") << inf;

    textCopy(ctx_.sourceDir, makeDir("EMPTY").c_str());
    EXPECT_EQ(locateInf(&ctx_), 0);
    EXPECT_STREQ(ctx_.infPath, "");
    EXPECT_TRUE(models().empty());
    char name[64];
    readModelName(ctx_.infPath, 16, name, sizeof name);
    EXPECT_STREQ(name, "Error");
}

TEST_F(PackageFiles, ModelsAreThoseWhoseNameIsNotExactlyError) {
    useInf("[Strings]\r\nMODELName16=\"Sixteen\"\r\nMODELName21=Twenty-one\r\nMODELName22=Twenty-two\r\n");
    EXPECT_EQ(models(), (Texts{"16=Sixteen", "21=Twenty-one", "22=Twenty-two"}));

    std::string longName(1100, 'n');
    useInf("[strings]\r\nmodelname16=Error\r\nMODELName18=error\r\nMODELName21=\r\nMODELName22=" + longName + "\r\n");
    EXPECT_EQ(models(), (Texts{"18=error", "21=", "22=" + longName.substr(0, 63)}));
    char name[64];
    readModelName(ctx_.infPath, 16, name, sizeof name);
    EXPECT_STREQ(name, "Error");
    readModelName(ctx_.infPath, 22, name, sizeof name);
    EXPECT_EQ(std::string(name), longName.substr(0, 63));
}

TEST_F(PackageFiles, HardwareIdFallsBackToNtx86OnlyWhenAsked) {
    useInf("[ModelList]\r\n%MODELName16%=S16,USB\\VID_1&PID_1600\r\n%MODELName21%=Error\r\n"
           "[ModelList.NTx86]\r\n%MODELName16%=S16,USB\\VID_1&PID_9999\r\n%MODELName21%=S21,USB\\VID_1&PID_2100\r\n"
           "%MODELName22%=S22,USB\\VID_1&PID_2200\r\n%MODELName18%=S18\r\n");
    EXPECT_EQ(hardwareId(16, 1), "USB\\VID_1&PID_1600") << "ModelList comes first";
    EXPECT_EQ(hardwareId(16, 0), "USB\\VID_1&PID_1600");
    EXPECT_EQ(hardwareId(22, 1), "USB\\VID_1&PID_2200");
    EXPECT_EQ(hardwareId(22, 0), "");
    EXPECT_EQ(hardwareId(21, 1), "USB\\VID_1&PID_2100") << "a value of Error stands for a missing key";
    EXPECT_EQ(hardwareId(21, 0), "");
    EXPECT_EQ(hardwareId(18, 1), "") << "no second field";
    EXPECT_EQ(hardwareId(17, 1), "");
    hardwareId(22, 1);
    EXPECT_EQ(deriveProductId(&ctx_), 0x2200);
    EXPECT_STREQ(ctx_.productIdText, "0x2200");
}

TEST_F(PackageFiles, DataSourceFilesComeInSectionOrder) {
    useInf("[ScannerDS16]\r\nSCAN.DS\r\nhelper.dll\r\n..\\evil.dll\r\nC:\\x.dll\r\nsub/x.dll\r\nscan2.ds\r\n"
           "[ScannerDS18]\r\n[Other]\r\nx=1\r\n");
    DataSourceList list;
    listDataSourceFiles(ctx_.infPath, 16, &list);
    Texts entries = walk(list);
    EXPECT_EQ(entries, (Texts{"SCAN.DS", "helper.dll", "..\\evil.dll", "C:\\x.dll", "sub/x.dll", "scan2.ds"}));
    Texts bare;
    char temp[1024];
    ASSERT_EQ(readTempDirectory(temp, sizeof temp), 1);
    EXPECT_EQ(std::string(temp), tempDir());
    for (const std::string& e : entries) {
        deriveSettingsPath(&ctx_, e.c_str(), temp);
        if (isBareFileName(e.c_str())) bare.push_back(e);
    }
    EXPECT_EQ(bare, (Texts{"SCAN.DS", "helper.dll", "scan2.ds"}));
    EXPECT_EQ(std::string(ctx_.settingsPath), tempDir() + "scan2.INI") << "the later data source wins";

    listDataSourceFiles(ctx_.infPath, 18, &list);
    EXPECT_EQ(list.length, 0u) << "empty section";
    listDataSourceFiles(ctx_.infPath, 21, &list);
    EXPECT_EQ(list.length, 0u) << "missing section";
    EXPECT_TRUE(walk(list).empty());
    char small[4];
    EXPECT_EQ(readTempDirectory(small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

TEST_F(PackageFiles, DriverPresenceFollowsTheDataSourceFolder) {
    // A folder of this test's own under TWAIN_32; folders elsewhere under the
    // Windows folder (SYSTEM32, TWAIN_32 itself) are never a data source's.
    std::string sub = "TWAIN_32\\" + uniqueName("PKGT");
    std::string folder = windowsDir() + "\\" + sub;
    useInf("[DestinationDirs]\r\nScannerDS16=10," + sub + "\r\nScannerDS18=10," + sub + "X\r\nScannerDS1=10," + sub +
           "\\..\\" + sub + "\r\nScannerDS2=10,\r\nScannerDS3=10\r\nScannerDS4=10,..\\..\r\nScannerDS5=10,C:\\\r\n"
           "ScannerDS6=10,.\r\nScannerDS7=10,\\WINDOWS\r\nScannerDS8=10,SYSTEM32\r\nScannerDS10=10,TWAIN_32\r\n");
    CreateDirectoryA((windowsDir() + "\\TWAIN_32").c_str(), NULL);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));

    ctx_.modelNumber = 16;
    EXPECT_EQ(isDriverPresent(&ctx_), 1) << "an existing empty folder counts";
    EXPECT_PRED2(samePath, std::string(ctx_.targetDir), folder);
    ctx_.modelNumber = 18;
    EXPECT_EQ(isDriverPresent(&ctx_), 0);
    EXPECT_PRED2(samePath, std::string(ctx_.targetDir), folder + "X") << "written when absent too";

    for (ModelNumber n : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u}) {
        ctx_.modelNumber = n;
        textCopy(ctx_.targetDir, windowsDir().c_str());
        EXPECT_EQ(isDriverPresent(&ctx_), 0) << n;
        EXPECT_STREQ(ctx_.targetDir, "") << n;
    }
    RemoveDirectoryA(folder.c_str());
    ctx_.modelNumber = 16;
    EXPECT_EQ(isDriverPresent(&ctx_), 0);
}

TEST_F(PackageFiles, AHostileInfNamesNothingOutsideItsFolders) {
    std::string line(5000, 'w'), binary, fields = "10,TWAIN_32\\OK";
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n') binary += (char)c;
    for (int i = 0; i < 48; ++i) fields += ",f" + std::to_string(i);
    useInf("[Strings]\r\nMODELName16=" + line + "\r\nMODELName18=" + binary + "\r\nMODELName21=a\0b\r\n"
           "[ModelList]\r\n%MODELName16%=" + fields + "\r\n%MODELName18%=S," + line + "\r\n%MODELName21%=" + binary +
           "\r\n[DestinationDirs]\r\nScannerDS16=10,..\\..\\x\r\nScannerDS18=" + fields + "\r\nScannerDS21=" + line +
           "\r\nScannerDS22=10,TWAIN_32\\" + binary + "\r\n"
           "[ScannerDS16]\r\nNAME.DS\r\n..\\..\\evil.DS\r\nC:\\boot.DS\r\n\\x\\y.ds\r\nCON.DS\r\n" + binary +
           "\r\n" + line + ".DS\r\n");
    ModelList list;
    listModels(ctx_.infPath, &list);
    ASSERT_LE(list.count, ModelCount);
    for (int i = 0; i < list.count; ++i) EXPECT_TRUE(terminatedWithin(list.models[i].name, 64));

    std::string prefix = windowsDir() + "\\";
    std::string temp = tempDir();
    for (ModelNumber n : {16u, 18u, 21u, 22u}) {
        ctx_.modelNumber = n;
        isDriverPresent(&ctx_);
        std::string target = ctx_.targetDir;
        if (!target.empty()) {
            ASSERT_EQ(target.compare(0, prefix.size(), prefix), 0) << target;
            EXPECT_TRUE(isSafeSubdirectory(target.c_str() + prefix.size())) << target;
        }
        for (int fallback : {0, 1}) {
            readHardwareId(&ctx_, fallback);
            EXPECT_LT(strlen(ctx_.hardwareId), 64u);
            deriveProductId(&ctx_);
            EXPECT_TRUE(terminatedWithin(ctx_.productIdText, 64));
        }
        DataSourceList files;
        listDataSourceFiles(ctx_.infPath, n, &files);
        EXPECT_LT(files.length, sizeof files.names);
        for (const std::string& e : walk(files)) {
            if (isBareFileName(e.c_str())) {
                EXPECT_EQ(e.find_first_of("\\/:"), std::string::npos);
            }
            deriveSettingsPath(&ctx_, e.c_str(), temp.c_str());
        }
    }
    EXPECT_EQ(std::string(ctx_.targetDir), ""); // the last one read had no usable folder
    ctx_.modelNumber = 18;
    isDriverPresent(&ctx_);
    EXPECT_PRED2(samePath, std::string(ctx_.targetDir), prefix + "TWAIN_32\\OK") << "50 fields: the second still counts";
    EXPECT_EQ(std::string(ctx_.settingsPath), temp + "NAME.INI") << "only bare names qualify";
}

// The demo package, found from the test program upwards (Wine maps / to Z:).
TEST(DemoPackage, QueriesGiveWhatItsReadmePromises) {
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string dir = exe, root;
    for (int up = 0; up < 5 && root.empty(); ++up) {
        dir = dir.substr(0, dir.find_last_of('\\'));
        if (GetFileAttributesA((dir + "\\examples\\package\\WIN2K_XP").c_str()) != INVALID_FILE_ATTRIBUTES)
            root = dir + "\\examples\\package";
    }
    if (root.empty()) GTEST_SKIP() << "examples/package is not above " << exe;

    LanguageList langs;
    listPackageLanguages(root.c_str(), 2501, &langs);
    EXPECT_EQ(langs.count, 25);
    listPackageLanguages(root.c_str(), 1410, &langs);
    EXPECT_EQ(langs.count, 5);
    listPackageLanguages(root.c_str(), 2503, &langs);
    EXPECT_EQ(langs.count, 5);

    static InstallContext ctx;
    textCopy(ctx.packageRoot, root.c_str());
    ASSERT_TRUE(buildSourceDir(&ctx, "WIN2K_XP", 67));
    ASSERT_TRUE(locateInf(&ctx));
    ModelList models;
    listModels(ctx.infPath, &models);
    ASSERT_EQ(models.count, 4);
    EXPECT_EQ(models.models[3].number, 22u);
    EXPECT_STREQ(models.models[3].name, "Example MFP 2200 Series");

    ctx.modelNumber = 22;
    readHardwareId(&ctx, 0);
    EXPECT_STREQ(ctx.hardwareId, "") << "model 22 stands only in ModelList.NTx86";
    readHardwareId(&ctx, 1);
    EXPECT_STREQ(ctx.hardwareId, "USB\\VID_E7A1&PID_2200");
    EXPECT_EQ(deriveProductId(&ctx), 0x2200);
    isDriverPresent(&ctx);
    EXPECT_PRED2(samePath, std::string(ctx.targetDir), windowsDir() + "\\TWAIN_32\\EXMFP22");

    DataSourceList files;
    listDataSourceFiles(ctx.infPath, 22, &files);
    EXPECT_EQ(walk(files), (Texts{"EXMSC22.dll", "EXMFP22.ds", "EXMRES.dll", "EXMCAL22.dat"}));
    for (const std::string& e : walk(files)) deriveSettingsPath(&ctx, e.c_str(), tempDir().c_str());
    EXPECT_EQ(std::string(ctx.settingsPath), tempDir() + "EXMFP22.INI");

    ASSERT_TRUE(buildSourceDir(&ctx, "WIN98_ME", 67));
    ASSERT_TRUE(locateInf(&ctx));
    readHardwareId(&ctx, 0);
    EXPECT_STREQ(ctx.hardwareId, "USB\\VID_E7A1&PID_2200");
}
