// Helpers of the resource tests: where the built files are, reading their
// resources as data (so that the 32-bit files can be read by the 64-bit test
// program), a parser of dialog templates and of string-table blocks, and the
// UTF-8 string files the resources are generated from.
#ifndef TESTS_WIN_TEST_RESOURCES_UTIL_H
#define TESTS_WIN_TEST_RESOURCES_UTIL_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#ifndef TW_BUILD_DIR
#define TW_BUILD_DIR ""
#endif
#ifndef TW_SOURCE_DIR
#define TW_SOURCE_DIR ""
#endif
#ifndef TW_PRODUCT_DIR
#define TW_PRODUCT_DIR ""
#endif

namespace twres {

typedef std::vector<unsigned char> Bytes;

// A folder of the build machine as Wine sees it ("Z:" is its root).
std::string hostPath(const std::string& unixPath);

// One built tree: the i686 product tree or this program's own tree.
struct BuildTree {
    std::string name;  // "i686" or "x86_64"
    std::string dir;   // Windows path of the tree
    std::string program() const { return dir + "\\TwainSetup.exe"; }
    std::string setupLibrary() const { return dir + "\\drvsetup\\DrvSetup.dll"; }
    std::string languageLibrary(const char* folder) const { return dir + "\\lang\\lang_" + folder + ".dll"; }
};

// The trees this run can check; the product tree only when the build said
// where it is.
std::vector<BuildTree> buildTrees();
std::string sourceFile(const char* relative);

bool readFile(const std::string& path, Bytes* out);

// A module mapped as data; closes itself.
class DataModule {
public:
    explicit DataModule(const std::string& path);
    ~DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE get() const { return h_; }
    const std::string& path() const { return path_; }

private:
    HMODULE h_;
    std::string path_;
};

// A resource type or name as text: "#5" for a number, else the name.
std::wstring resourceKey(LPCWSTR id);
std::vector<std::wstring> resourceTypes(HMODULE m);
std::vector<std::wstring> resourceNames(HMODULE m, LPCWSTR type);
std::vector<WORD> resourceLanguages(HMODULE m, LPCWSTR type, LPCWSTR name);
// The bytes of one resource in one language; false when absent.
bool resourceBytes(HMODULE m, LPCWSTR type, LPCWSTR name, WORD language, Bytes* out);

// Strings of one language: every non-empty entry of the four blocks that can
// hold ids 20 to 72, by id.
std::map<int, std::wstring> stringTable(HMODULE m, WORD language);

struct DialogControl {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    int classOrdinal = 0;  // 0 when the class is given by name
    std::wstring className, text;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, className, caption, face;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<DialogControl> controls;
};

// Parses DLGTEMPLATE and DLGTEMPLATEEX; false (with a reason) when the bytes
// are not a well-formed template.
bool parseDialog(const Bytes& bytes, DialogTemplate* out, std::string* why);

// The UTF-8 string file of a language folder, texts decoded and "\n" turned
// into line feeds; empty when it cannot be read.
std::map<int, std::wstring> sourceStrings(const char* folder);

std::string narrow(const std::wstring& w);

}  // namespace twres

#endif
