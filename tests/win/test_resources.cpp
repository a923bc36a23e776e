// The resource catalogue of the built program and of its 25 language
// libraries, read as data from the files of both build trees (the i686
// product and the x86_64 test build): which resources exist in which
// languages, the texts against their UTF-8 sources, the templates' layouts per
// language, the pictures, the payloads, the version information and the
// manifest.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "package/languages.h"
#include "test_resources_util.h"

using namespace twres;

namespace {

const int kDialogIds[] = {105, 106, 107, 108, 109, 111, 112};
// Ids that no language has; 30, 31 and 32 are loaded all the same and must
// come out empty.
const int kAbsentIds[] = {23, 24, 27, 28, 30, 31, 32, 33, 40};
// Texts of the address and search dialogs go into 256-character buffers.
const int kShortBufferIds[] = {20, 21, 22, 25, 44, 45};
// The command line's usage text has a buffer of 2048 characters.
const int kUsageId = 80;
const int kLastStringId = 92;

// The 25 Windows languages of the catalogue.
const WORD kWindowsLanguages[] = {1025, 1028, 1029, 1030, 1031, 1033, 1035, 1036, 1038, 1040, 1041, 1042, 1043,
                                  1044, 1045, 1048, 1049, 1051, 1053, 1054, 1055, 1063, 2052, 2070, 3082};

bool isAbsentId(int id) { return std::find(std::begin(kAbsentIds), std::end(kAbsentIds), id) != std::end(kAbsentIds); }

std::set<int> presentIds() {
    std::set<int> ids;
    for (int id = 20; id <= kLastStringId; ++id)
        if (!isAbsentId(id)) ids.insert(id);
    return ids;
}

// One tree's program and libraries, loaded as data.
struct Files {
    BuildTree tree;
    std::unique_ptr<DataModule> program;
    std::unique_ptr<DataModule> libraries[LanguageCount];
};

std::vector<std::unique_ptr<Files>> loadTrees() {
    std::vector<std::unique_ptr<Files>> all;
    for (const BuildTree& tree : buildTrees()) {
        std::unique_ptr<Files> f(new Files);
        f->tree = tree;
        f->program.reset(new DataModule(tree.program()));
        EXPECT_TRUE(f->program->get()) << "cannot read " << tree.program();
        for (int i = 0; i < LanguageCount; ++i) {
            f->libraries[i].reset(new DataModule(tree.languageLibrary(languageTable()[i].folder)));
            EXPECT_TRUE(f->libraries[i]->get()) << "cannot read " << f->libraries[i]->path();
        }
        all.push_back(std::move(f));
    }
    EXPECT_FALSE(all.empty()) << "the build did not say where its files are";
    return all;
}

bool allLoaded(const std::vector<std::unique_ptr<Files>>& trees) {
    for (const auto& f : trees) {
        if (!f->program->get()) return false;
        for (const auto& lib : f->libraries)
            if (!lib->get()) return false;
    }
    return !trees.empty();
}

std::set<std::wstring> asSet(const std::vector<std::wstring>& v) { return std::set<std::wstring>(v.begin(), v.end()); }
std::set<WORD> asSet(const std::vector<WORD>& v) { return std::set<WORD>(v.begin(), v.end()); }

std::set<std::wstring> keys(std::initializer_list<int> ids) {
    std::set<std::wstring> out;
    for (int id : ids) out.insert(L"#" + std::to_wstring(id));
    return out;
}

// Every name of every type, with the languages it exists in.
void expectNames(HMODULE m, int type, const std::set<std::wstring>& names, const std::set<WORD>& languages,
                 const std::string& where) {
    LPCWSTR t = MAKEINTRESOURCEW(type);
    EXPECT_EQ(asSet(resourceNames(m, t)), names) << where << ", type " << type;
    for (const std::wstring& name : names) {
        int id = _wtoi(name.c_str() + 1);
        EXPECT_EQ(asSet(resourceLanguages(m, t, MAKEINTRESOURCEW(id))), languages)
            << where << ", type " << type << ", name " << id;
    }
}

void expectNamedType(HMODULE m, LPCWSTR type, const std::set<std::wstring>& names, const std::string& where) {
    EXPECT_EQ(asSet(resourceNames(m, type)), names) << where << ", " << narrow(type);
    for (const std::wstring& name : names) {
        int id = _wtoi(name.c_str() + 1);
        EXPECT_EQ(resourceLanguages(m, type, MAKEINTRESOURCEW(id)).size(), 1u)
            << where << ", " << narrow(type) << " " << id << " must exist once";
    }
}

// ---- expected layouts ---------------------------------------------------

enum Kind { DefaultButton, Button, HiddenButton, Radio, Text, InfoText, List, DeviceList, DropList, GroupBox, Progress };

struct Control {
    int id;
    Kind kind;
    const char* text;
    short x, y, cx, cy;
};

struct Dialog {
    int id;
    short cx, cy;
    std::vector<Control> controls;
};

// The layout shared by 22 languages.
const std::vector<Dialog>& commonLayout() {
    static const std::vector<Dialog> layout = {
        {105, 199, 54,
         {{1, DefaultButton, "OK", 74, 35, 53, 11},
          {1003, Button, "Search", 132, 20, 53, 11},
          {2, Button, "Cancel", 131, 35, 53, 11},
          {1001, Text, "Please input MFP IP Address", 13, 7, 172, 10}}},
        {106, 230, 150,
         {{1, DefaultButton, "OK", 7, 133, 83, 11},
          {2, Button, "Cancel", 93, 133, 46, 11},
          {1018, InfoText, "", 7, 5, 216, 36},
          {1004, DeviceList, "", 7, 43, 216, 54},
          {1019, InfoText, "", 7, 100, 216, 28}}},
        {107, 287, 168,
         {{1, DefaultButton, "Install", 134, 150, 78, 11},
          {2, Button, "Exit", 215, 150, 50, 11},
          {1007, Radio, "", 97, 112, 120, 8},
          {1008, Radio, "", 97, 121, 120, 8},
          {1012, Text, "SetupInfo1", 97, 60, 183, 63},
          {1013, Text, "SetupInfo2", 97, 133, 183, 10}}},
        {108, 287, 168,
         {{1, DefaultButton, "Finish", 134, 150, 78, 11},
          {2, Button, "Exit", 215, 150, 50, 11},
          {1009, Radio, "", 97, 112, 120, 8},
          {1010, Radio, "", 97, 121, 120, 8},
          {1012, Text, "RemoveInfo1", 97, 60, 183, 43},
          {1013, Text, "RemoveInfo2", 97, 103, 183, 10}}},
        {109, 287, 168,
         {{2, HiddenButton, "Finish", 215, 150, 50, 11},
          {1011, Progress, "Progress1", 97, 104, 168, 6},
          {1012, Text, "ProcessInfo1", 97, 60, 183, 43},
          {1013, Text, "ProcessInfo2", 97, 93, 183, 10}}},
        {111, 264, 73,
         {{1014, DropList, "", 22, 31, 220, 100},
          {1, DefaultButton, "OK", 140, 50, 55, 12},
          {2, Button, "Cancel", 196, 50, 46, 12},
          {-1, GroupBox, "", 5, 5, 255, 64},
          {1016, Text, "Please select model for install TWAIN driver", 22, 15, 231, 11}}},
        {112, 264, 73,
         {{1015, DropList, "", 22, 31, 220, 100},
          {1, DefaultButton, "OK", 140, 50, 55, 12},
          {2, Button, "Cancel", 196, 50, 46, 12},
          {-1, GroupBox, "", 5, 5, 255, 64},
          {1017, Text, "Please select Language", 22, 15, 231, 11}}},
    };
    return layout;
}

// A language's departures: a dialog's new size (0: unchanged) and the new
// place and size of some of its controls.
struct Move {
    int id;
    short x, y, cx, cy;
};
struct Change {
    int dialog;
    short cx, cy;
    std::vector<Move> moves;
};

const std::vector<Change> kArabic = {
    {105, 0, 0, {{1, 63, 35, 45, 11}, {1003, 14, 20, 45, 11}, {2, 14, 35, 45, 11}, {1001, 14, 7, 172, 10}}},
    {106, 0, 0, {{1, 140, 133, 83, 11}, {2, 91, 133, 46, 11}}},
    {107, 0, 0,
     {{1, 75, 150, 78, 11}, {2, 22, 150, 50, 11}, {1007, 70, 112, 120, 8}, {1008, 70, 121, 120, 8},
      {1012, 7, 60, 183, 63}, {1013, 7, 133, 183, 10}}},
    {108, 0, 0,
     {{1, 75, 150, 78, 11}, {2, 22, 150, 50, 11}, {1009, 70, 112, 120, 8}, {1010, 70, 121, 120, 8},
      {1012, 7, 60, 183, 43}, {1013, 7, 103, 183, 10}}},
    {109, 0, 0, {{2, 22, 150, 50, 11}, {1011, 22, 104, 168, 6}, {1012, 7, 60, 183, 43}, {1013, 7, 93, 183, 10}}},
    {111, 0, 0, {{1, 69, 50, 55, 12}, {2, 22, 50, 46, 12}, {-1, 4, 5, 255, 64}, {1016, 11, 15, 231, 11}}},
    {112, 0, 0, {{1, 69, 50, 55, 12}, {2, 22, 50, 46, 12}, {-1, 4, 5, 255, 64}, {1017, 11, 15, 231, 11}}},
};

const std::vector<Change> kJapanese = {
    {105, 199, 65, {{1, 91, 45, 45, 14}, {1003, 140, 25, 45, 14}, {2, 140, 45, 45, 14}, {1001, 13, 10, 172, 10}}},
    {106, 230, 172,
     {{1, 7, 152, 65, 14}, {2, 78, 152, 40, 14}, {1018, 7, 5, 216, 40}, {1004, 7, 47, 216, 64}, {1019, 7, 114, 216, 33}}},
    {107, 287, 210,
     {{1, 134, 188, 78, 14}, {2, 215, 188, 50, 14}, {1007, 97, 142, 120, 8}, {1008, 97, 151, 120, 8},
      {1012, 97, 80, 183, 63}, {1013, 97, 170, 183, 10}}},
    {108, 287, 210,
     {{1, 134, 188, 78, 14}, {2, 215, 188, 50, 14}, {1009, 97, 142, 120, 8}, {1010, 97, 151, 120, 8},
      {1012, 97, 80, 183, 43}, {1013, 97, 130, 183, 10}}},
    {109, 287, 210,
     {{2, 215, 188, 50, 14}, {1011, 97, 142, 168, 6}, {1012, 97, 80, 183, 43}, {1013, 97, 130, 183, 10}}},
    {111, 265, 78, {}},
    {112, 265, 78, {}},
};

const std::vector<Change> kThai = {
    {105, 0, 0, {{1, 91, 35, 45, 11}, {1003, 140, 20, 45, 11}, {2, 140, 35, 45, 11}}},
    {106, 0, 0, {{1, 7, 133, 65, 11}, {2, 78, 133, 40, 11}}},
    {107, 250, 155,
     {{1, 109, 140, 78, 11}, {2, 190, 140, 50, 11}, {1007, 97, 102, 120, 8}, {1008, 97, 111, 120, 8},
      {1012, 97, 50, 150, 50}, {1013, 97, 123, 150, 10}}},
    {108, 250, 155,
     {{1, 109, 140, 78, 11}, {2, 190, 140, 50, 11}, {1009, 97, 102, 120, 8}, {1010, 97, 111, 120, 8},
      {1012, 97, 50, 150, 38}, {1013, 97, 90, 150, 10}}},
    {109, 250, 155,
     {{2, 190, 140, 50, 11}, {1011, 97, 116, 140, 6}, {1012, 97, 50, 150, 50}, {1013, 97, 104, 150, 10}}},
};

struct Variant {
    const char* name;
    const wchar_t* face;
    WORD points;
    bool rightToLeft;
    const std::vector<Change>* changes;
};

Variant variantOf(WORD language) {
    static const std::vector<Change> none;
    switch (language) {
    case 1025: return {"Arabic", L"Times New Roman", 10, true, &kArabic};
    case 1041: return {"Japanese", L"MS UI Gothic", 9, false, &kJapanese};
    case 1054: return {"Thai", L"MS Sans Serif", 10, false, &kThai};
    default: return {"common", L"Times New Roman", 10, false, &none};
    }
}

Dialog expectedDialog(const Dialog& common, const Variant& v) {
    Dialog d = common;
    for (const Change& c : *v.changes) {
        if (c.dialog != d.id) continue;
        if (c.cx) {
            d.cx = c.cx;
            d.cy = c.cy;
        }
        for (const Move& m : c.moves)
            for (Control& control : d.controls)
                if (control.id == m.id) {
                    control.x = m.x;
                    control.y = m.y;
                    control.cx = m.cx;
                    control.cy = m.cy;
                }
    }
    return d;
}

DWORD expectedDialogStyle(int id) {
    DWORD style = WS_POPUP | DS_MODALFRAME | DS_SETFONT;  // pages: no title bar
    if (id == 105) style |= WS_CAPTION;                   // title, no system menu
    if (id == 106) style |= WS_CAPTION | WS_SYSMENU;      // title with close box
    return style;
}

void expectedControlStyle(Kind kind, bool rtl, DWORD* style, DWORD* exStyle, int* classOrdinal) {
    const DWORD rtlText = WS_EX_RIGHT | WS_EX_RTLREADING;
    *style = WS_CHILD | WS_VISIBLE;
    *exStyle = rtl ? rtlText : 0;
    *classOrdinal = 0x80;
    // Right to left, a push button keeps its label centred (WS_EX_RIGHT would
    // push it to the right edge) and the bar fills from the right.
    const DWORD rtlButton = rtl ? WS_EX_RTLREADING : 0;
    switch (kind) {
    case DefaultButton: *style |= BS_DEFPUSHBUTTON | WS_TABSTOP; *exStyle = rtlButton; break;
    case Button: *style |= BS_PUSHBUTTON | WS_TABSTOP; *exStyle = rtlButton; break;
    case HiddenButton: *style = WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP; *exStyle = rtlButton; break;
    case Radio: *style |= BS_AUTORADIOBUTTON | (rtl ? BS_LEFTTEXT : 0); break;
    case GroupBox: *style |= BS_GROUPBOX; break;
    case Text:
    case InfoText:
        *style |= (rtl ? SS_RIGHT : SS_LEFT) | WS_GROUP | (kind == InfoText ? SS_NOPREFIX : 0);
        *classOrdinal = 0x82;
        break;
    case List:
    case DeviceList:
        *style |= LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP |
                  (kind == DeviceList ? LBS_OWNERDRAWFIXED | LBS_HASSTRINGS : 0);
        *exStyle = rtl ? rtlText | WS_EX_LEFTSCROLLBAR : 0;
        *classOrdinal = 0x83;
        break;
    case DropList:
        *style |= CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
        *exStyle = rtl ? rtlText | WS_EX_LEFTSCROLLBAR : 0;
        *classOrdinal = 0x85;
        break;
    case Progress:
        *style |= PBS_SMOOTH;
        *exStyle = rtl ? WS_EX_LAYOUTRTL : 0;
        *classOrdinal = 0;
        break;
    }
}

std::wstring widen(const char* s) { return std::wstring(s, s + strlen(s)); }

void checkDialog(const DialogTemplate& t, const Dialog& want, const Variant& v, const std::string& where) {
    bool extended = want.id == 107 || v.rightToLeft;
    EXPECT_EQ(t.extended, extended) << where;
    EXPECT_EQ(t.style, expectedDialogStyle(want.id)) << where;
    // Right-to-left by extended styles, never by a mirrored layout.
    EXPECT_EQ(t.exStyle, v.rightToLeft ? (DWORD)(WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR) : 0u) << where;
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, want.cx) << where;
    EXPECT_EQ(t.cy, want.cy) << where;
    EXPECT_TRUE(t.menu.empty() && t.className.empty()) << where;
    const wchar_t* caption = want.id == 105 ? L"MFP IP Address" : want.id == 106 ? L"Search MFP" : L"";
    EXPECT_EQ(t.caption, caption) << where;
    EXPECT_EQ(t.face, v.face) << where;
    EXPECT_EQ(t.pointSize, v.points) << where;
    if (extended) {
        EXPECT_EQ(t.weight, 0) << where;
        EXPECT_EQ(t.italic, 0) << where;
        EXPECT_EQ(t.charset, 1) << where;
    }
    ASSERT_EQ(t.controls.size(), want.controls.size()) << where;
    for (size_t i = 0; i < want.controls.size(); ++i) {
        const Control& w = want.controls[i];
        const DialogControl& c = t.controls[i];
        std::string at = where + ", control #" + std::to_string(i) + " (id " + std::to_string(w.id) + ")";
        EXPECT_EQ(c.id, w.id) << at;
        EXPECT_EQ(c.x, w.x) << at;
        EXPECT_EQ(c.y, w.y) << at;
        EXPECT_EQ(c.cx, w.cx) << at;
        EXPECT_EQ(c.cy, w.cy) << at;
        EXPECT_EQ(c.text, widen(w.text)) << at;
        DWORD style, exStyle;
        int classOrdinal;
        expectedControlStyle(w.kind, v.rightToLeft, &style, &exStyle, &classOrdinal);
        EXPECT_EQ(c.style, style) << at << std::hex << ": style 0x" << c.style << ", want 0x" << style;
        EXPECT_EQ(c.exStyle, exStyle) << at << std::hex << ": extended style 0x" << c.exStyle;
        EXPECT_EQ(c.classOrdinal, classOrdinal) << at;
        if (!classOrdinal) EXPECT_EQ(_wcsicmp(c.className.c_str(), L"msctls_progress32"), 0) << at;
    }
}

bool dialogOf(HMODULE m, int id, WORD language, DialogTemplate* t, std::string* why) {
    Bytes b;
    if (!resourceBytes(m, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), language, &b)) {
        *why = "template missing";
        return false;
    }
    return parseDialog(b, t, why);
}

UINT ansiCodePage(WORD language) {
    UINT cp = 0;
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, (LPWSTR)&cp,
                   sizeof cp / sizeof(WCHAR));
    return cp;
}

WORD machineOf(const Bytes& image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return 0;
    size_t pe = image[0x3c] | (image[0x3d] << 8) | (image[0x3e] << 16) | ((size_t)image[0x3f] << 24);
    if (pe + 6 > image.size() || memcmp(&image[pe], "PE\0\0", 4) != 0) return 0;
    return (WORD)(image[pe + 4] | (image[pe + 5] << 8));
}

}  // namespace

TEST(V_Catalogue, ProgramAndLibrariesHoldExactlyTheListedResources) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    std::set<WORD> all(std::begin(kWindowsLanguages), std::end(kWindowsLanguages));
    std::set<WORD> fromTable;
    for (int i = 0; i < LanguageCount; ++i) fromTable.insert((WORD)languageTable()[i].windowsLanguage);
    ASSERT_EQ(fromTable, all) << "the language table names other Windows languages";

    const std::set<std::wstring> strings = keys({2, 3, 4, 5, 6});  // blocks of ids 16 to 95
    const std::set<std::wstring> dialogs = keys({105, 106, 107, 108, 109, 111, 112});
    std::set<std::wstring> libraryIds;
    for (int id = 112; id <= 136; ++id) libraryIds.insert(L"#" + std::to_wstring(id));

    for (const auto& f : trees) {
        HMODULE p = f->program->get();
        std::string where = f->tree.name + " program";
        EXPECT_EQ(asSet(resourceTypes(p)),
                  (std::set<std::wstring>{L"#2", L"#3", L"#5", L"#6", L"#14", L"#16", L"#24", L"DLLRESOURCE",
                                          L"LANGUAGERC"}))
            << where;
        expectNames(p, 6, strings, all, where);
        expectNames(p, 5, dialogs, all, where);
        expectNamedType(p, MAKEINTRESOURCEW(2), keys({108}), where);
        expectNamedType(p, MAKEINTRESOURCEW(3), keys({1}), where);
        expectNamedType(p, MAKEINTRESOURCEW(14), keys({101}), where);
        expectNamedType(p, MAKEINTRESOURCEW(16), keys({1}), where);
        expectNamedType(p, MAKEINTRESOURCEW(24), keys({1}), where);
        expectNamedType(p, L"DLLRESOURCE", keys({104}), where);
        expectNamedType(p, L"LANGUAGERC", libraryIds, where);

        for (int i = 0; i < LanguageCount; ++i) {
            const LanguageRow& row = languageTable()[i];
            HMODULE lib = f->libraries[i]->get();
            std::string at = f->tree.name + " lang_" + row.folder + ".dll";
            EXPECT_EQ(asSet(resourceTypes(lib)),
                      (std::set<std::wstring>{L"#2", L"#3", L"#5", L"#6", L"#14", L"#16", L"DLLRESOURCE"}))
                << at;
            expectNames(lib, 6, strings, {(WORD)row.windowsLanguage}, at);
            expectNames(lib, 5, dialogs, {(WORD)row.windowsLanguage}, at);
            expectNamedType(lib, MAKEINTRESOURCEW(2), keys({108}), at);
            expectNamedType(lib, MAKEINTRESOURCEW(3), keys({1}), at);
            expectNamedType(lib, MAKEINTRESOURCEW(14), keys({101}), at);
            expectNamedType(lib, L"DLLRESOURCE", keys({104}), at);
        }
    }
}

TEST(V_Catalogue, StringsAreTheSourceTextsInEveryLanguage) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    const std::set<int> ids = presentIds();
    for (int i = 0; i < LanguageCount; ++i) {
        const LanguageRow& row = languageTable()[i];
        std::map<int, std::wstring> source = sourceStrings(row.folder);
        std::set<int> sourceIds;
        for (const auto& kv : source) sourceIds.insert(kv.first);
        ASSERT_EQ(sourceIds, ids) << row.folder << ".txt does not hold exactly the catalogue's ids";

        for (const auto& f : trees) {
            // The program's table of this language, read block by block.
            std::map<int, std::wstring> got = stringTable(f->program->get(), (WORD)row.windowsLanguage);
            for (const auto& kv : source)
                EXPECT_EQ(narrow(got[kv.first]), narrow(kv.second))
                    << f->tree.name << " program, " << row.folder << ", string " << kv.first;
            for (int absent : kAbsentIds) EXPECT_EQ(got.count(absent), 0u) << row.folder << " has string " << absent;

            // The library through the platform's own string loader.
            HMODULE lib = f->libraries[i]->get();
            for (int id = 20; id <= kLastStringId; ++id) {
                wchar_t text[2048];
                int n = LoadStringW(lib, id, text, 2048);
                std::string at = f->tree.name + " lang_" + row.folder + ".dll, string " + std::to_string(id);
                if (isAbsentId(id)) {
                    EXPECT_EQ(n, 0) << at;
                    EXPECT_EQ(text[0], L'\0') << at;
                } else {
                    EXPECT_EQ(narrow(std::wstring(text, n > 0 ? n : 0)), narrow(source[id])) << at;
                }
            }
        }
    }
}

TEST(V_Catalogue, InstallPageNamesTheButtonItShows) {
    // The install page tells the user which button to click: the one it
    // shows, OK (string 45). English keeps the product's own fixed text.
    for (int i = 0; i < LanguageCount; ++i) {
        const LanguageRow& row = languageTable()[i];
        if (std::string(row.folder) == "ENGLISH") continue;
        std::map<int, std::wstring> strings = sourceStrings(row.folder);
        EXPECT_NE(strings[29].find(strings[45]), std::wstring::npos) << row.folder;
    }
}

TEST(V_Catalogue, TextsFitTheirBuffersInTheLanguagesAnsiCodePage) {
    // Windows 95, 98 and Me load every text through the ANSI calls: each
    // must be representable in its language's code page, and fit the buffer.
    for (int i = 0; i < LanguageCount; ++i) {
        const LanguageRow& row = languageTable()[i];
        UINT cp = ansiCodePage((WORD)row.windowsLanguage);
        ASSERT_NE(cp, 0u) << row.folder;
        for (const auto& kv : sourceStrings(row.folder)) {
            bool isShort = std::find(std::begin(kShortBufferIds), std::end(kShortBufferIds), kv.first) !=
                           std::end(kShortBufferIds);
            BOOL lossy = FALSE;
            int bytes = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, kv.second.data(), (int)kv.second.size(), NULL, 0,
                                            NULL, &lossy);
            EXPECT_FALSE(lossy) << row.folder << " string " << kv.first << " has characters outside code page " << cp;
            EXPECT_LT(bytes, kv.first == kUsageId ? 2048 : isShort ? 256 : 512) << row.folder << " string " << kv.first;
        }
    }
}

TEST(V_Catalogue, TemplatesHaveTheLayoutOfTheirLanguage) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    for (const auto& f : trees) {
        HMODULE p = f->program->get();
        for (WORD language : kWindowsLanguages) {
            Variant v = variantOf(language);
            for (const Dialog& common : commonLayout()) {
                std::string where = f->tree.name + " program, language " + std::to_string(language) + " (" +
                                    v.name + "), dialog " + std::to_string(common.id);
                DialogTemplate t;
                std::string why;
                ASSERT_TRUE(dialogOf(p, common.id, language, &t, &why)) << where << ": " << why;
                checkDialog(t, expectedDialog(common, v), v, where);
            }
        }
    }
}

TEST(V_Catalogue, LibrariesCarryTheProgramsStringsAndTemplatesOfTheirLanguage) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    for (const auto& f : trees) {
        for (int i = 0; i < LanguageCount; ++i) {
            const LanguageRow& row = languageTable()[i];
            WORD language = (WORD)row.windowsLanguage;
            for (int type : {5, 6}) {
                for (const std::wstring& name : resourceNames(f->program->get(), MAKEINTRESOURCEW(type))) {
                    LPCWSTR id = MAKEINTRESOURCEW(_wtoi(name.c_str() + 1));
                    Bytes mine, theirs;
                    ASSERT_TRUE(resourceBytes(f->program->get(), MAKEINTRESOURCEW(type), id, language, &mine));
                    ASSERT_TRUE(resourceBytes(f->libraries[i]->get(), MAKEINTRESOURCEW(type), id, language, &theirs));
                    EXPECT_TRUE(mine == theirs) << f->tree.name << " lang_" << row.folder << ".dll, type " << type
                                                << " " << narrow(name) << " differs from the program's";
                }
            }
        }
    }
}

TEST(V_Catalogue, HeaderPictureAndIcon) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    Bytes header, headerArabic;
    ASSERT_TRUE(readFile(sourceFile("ui/resources/art/header.bmp"), &header));
    ASSERT_TRUE(readFile(sourceFile("ui/resources/art/header_ar.bmp"), &headerArabic));
    ASSERT_GT(header.size(), 14u);
    ASSERT_GT(headerArabic.size(), 14u);
    // A BITMAP resource is the file without its 14-byte file header.
    Bytes picture(header.begin() + 14, header.end()), pictureArabic(headerArabic.begin() + 14, headerArabic.end());
    ASSERT_FALSE(picture == pictureArabic) << "the Arabic header must be a picture of its own";

    for (const auto& f : trees) {
        std::vector<std::pair<std::string, HMODULE>> modules = {{"program", f->program->get()}};
        for (int i = 0; i < LanguageCount; ++i)
            modules.push_back({std::string("lang_") + languageTable()[i].folder + ".dll", f->libraries[i]->get()});
        Bytes programIcon, programGroup;
        ASSERT_TRUE(resourceBytes(f->program->get(), MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(1), 0, &programIcon));
        ASSERT_TRUE(resourceBytes(f->program->get(), MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(101), 0, &programGroup));

        for (const auto& m : modules) {
            std::string where = f->tree.name + " " + m.first;
            Bytes bmp;
            ASSERT_TRUE(resourceBytes(m.second, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(108), 0, &bmp)) << where;
            ASSERT_GE(bmp.size(), sizeof(BITMAPINFOHEADER)) << where;
            BITMAPINFOHEADER h;
            memcpy(&h, bmp.data(), sizeof h);
            EXPECT_EQ(h.biSize, sizeof h) << where;
            EXPECT_EQ(h.biWidth, 500) << where;
            EXPECT_EQ(h.biHeight, 313) << where << " (positive: rows bottom-up)";
            EXPECT_EQ(h.biPlanes, 1) << where;
            EXPECT_EQ(h.biBitCount, 24) << where;
            EXPECT_EQ(h.biCompression, (DWORD)BI_RGB) << where;
            EXPECT_GE(bmp.size(), sizeof h + 1500u * 313u) << where;
            bool arabic = m.first == "lang_ARABIC.dll";
            EXPECT_TRUE(bmp == (arabic ? pictureArabic : picture)) << where << ": not the expected picture";

            Bytes group, icon;
            ASSERT_TRUE(resourceBytes(m.second, MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(101), 0, &group)) << where;
            ASSERT_TRUE(resourceBytes(m.second, MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(1), 0, &icon)) << where;
            // GRPICONDIR (reserved, type 1, one image) and its one entry.
            ASSERT_EQ(group.size(), 6u + 14u) << where;
            EXPECT_EQ(group[2] | (group[3] << 8), 1) << where;
            EXPECT_EQ(group[4] | (group[5] << 8), 1) << where;
            EXPECT_EQ(group[6], 32) << where;
            EXPECT_EQ(group[7], 32) << where;
            EXPECT_EQ(group[8], 16) << where << ": 16 colours";
            EXPECT_EQ(group[12] | (group[13] << 8), 4) << where << ": 4 bits per pixel";
            EXPECT_EQ(group[18] | (group[19] << 8), 1) << where << ": the image is icon 1";
            ASSERT_GE(icon.size(), sizeof(BITMAPINFOHEADER)) << where;
            BITMAPINFOHEADER ih;
            memcpy(&ih, icon.data(), sizeof ih);
            EXPECT_EQ(ih.biWidth, 32) << where;
            EXPECT_EQ(ih.biHeight, 64) << where << ": colour image and mask";
            EXPECT_EQ(ih.biBitCount, 4) << where;
            EXPECT_TRUE(icon == programIcon && group == programGroup) << where << ": icon differs from the program's";
        }
    }
}

TEST(V_Catalogue, PayloadsAreTheBuiltLibraries) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    for (const auto& f : trees) {
        WORD machine = f->tree.name == "i686" ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
        Bytes setup;
        ASSERT_TRUE(readFile(f->tree.setupLibrary(), &setup)) << f->tree.setupLibrary();
        EXPECT_EQ(machineOf(setup), machine) << f->tree.setupLibrary();

        std::vector<std::pair<std::string, HMODULE>> carriers = {{"program", f->program->get()}};
        for (int i = 0; i < LanguageCount; ++i)
            carriers.push_back({std::string("lang_") + languageTable()[i].folder + ".dll", f->libraries[i]->get()});
        for (const auto& c : carriers) {
            Bytes payload;
            ASSERT_TRUE(resourceBytes(c.second, L"DLLRESOURCE", MAKEINTRESOURCEW(104), 0, &payload))
                << f->tree.name << " " << c.first;
            EXPECT_TRUE(payload == setup) << f->tree.name << " " << c.first << ": DLLRESOURCE 104 is not DrvSetup.dll";
        }

        for (int i = 0; i < LanguageCount; ++i) {
            const LanguageRow& row = languageTable()[i];
            Bytes file, payload;
            ASSERT_TRUE(readFile(f->tree.languageLibrary(row.folder), &file));
            ASSERT_TRUE(resourceBytes(f->program->get(), L"LANGUAGERC", MAKEINTRESOURCEW(row.libraryResourceId), 0,
                                      &payload))
                << f->tree.name << " LANGUAGERC " << row.libraryResourceId;
            EXPECT_TRUE(payload == file) << f->tree.name << " LANGUAGERC " << row.libraryResourceId << " is not lang_"
                                         << row.folder << ".dll";
            EXPECT_EQ(machineOf(payload), machine) << f->tree.name << " LANGUAGERC " << row.libraryResourceId;
        }
    }
}

TEST(V_Catalogue, VersionInformation) {
    HMODULE version = LoadLibraryA("version.dll");
    ASSERT_TRUE(version);
    auto sizeOf = (DWORD(WINAPI*)(LPCWSTR, LPDWORD))(void (*)(void))GetProcAddress(version, "GetFileVersionInfoSizeW");
    auto infoOf = (BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID))(void (*)(void))GetProcAddress(version,
                                                                                               "GetFileVersionInfoW");
    auto query = (BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT))(void (*)(void))GetProcAddress(version,
                                                                                                "VerQueryValueW");
    ASSERT_TRUE(sizeOf && infoOf && query);

    std::vector<BuildTree> trees = buildTrees();
    ASSERT_FALSE(trees.empty());
    for (const BuildTree& tree : trees) {
        std::string path = tree.program();
        std::wstring wpath(path.begin(), path.end());
        DWORD size = sizeOf(wpath.c_str(), NULL);
        ASSERT_GT(size, 0u) << path;
        std::vector<unsigned char> block(size);
        ASSERT_TRUE(infoOf(wpath.c_str(), 0, size, block.data())) << path;

        VS_FIXEDFILEINFO* fixed = NULL;
        UINT length = 0;
        ASSERT_TRUE(query(block.data(), L"\\", (LPVOID*)&fixed, &length)) << path;
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00000000u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0x00010006u);
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
        EXPECT_EQ(fixed->dwFileOS, (DWORD)VOS__WINDOWS32);
        EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_APP);

        WORD* translation = NULL;
        ASSERT_TRUE(query(block.data(), L"\\VarFileInfo\\Translation", (LPVOID*)&translation, &length));
        ASSERT_EQ(length, 4u) << "one string block";
        EXPECT_EQ(translation[0], 0) << "language neutral";
        EXPECT_EQ(translation[1], 1200) << "Unicode";

        const struct {
            const wchar_t* name;
            const wchar_t* value;
        } fields[] = {
            {L"Comments", L"TWAIN Driver Installer"},
            {L"FileDescription", L"TWAIN Driver Installer"},
            {L"FileVersion", L"0. 0. 1. 6"},
            {L"ProductVersion", L"1. 0. 0. 0"},
            {L"LegalTrademarks", L""},
            {L"PrivateBuild", L""},
            {L"SpecialBuild", L""},
            {L"CompanyName", L"Example Imaging"},
            {L"InternalName", L"TwainSetup"},
            {L"OriginalFilename", L"TwainSetup.exe"},
            {L"ProductName", L"Example Imaging TWAIN Driver"},
        };
        for (const auto& field : fields) {
            std::wstring key = std::wstring(L"\\StringFileInfo\\000004b0\\") + field.name;
            wchar_t* value = NULL;
            UINT chars = 0;
            ASSERT_TRUE(query(block.data(), key.c_str(), (LPVOID*)&value, &chars)) << narrow(field.name);
            EXPECT_EQ(std::wstring(value), field.value) << narrow(field.name);
        }
        wchar_t* copyright = NULL;
        EXPECT_TRUE(query(block.data(), L"\\StringFileInfo\\000004b0\\LegalCopyright", (LPVOID*)&copyright, &length) &&
                    copyright[0]);

        // Every library the program carries has the program's version.
        std::vector<std::string> libraries = {tree.setupLibrary()};
        for (int i = 0; i < LanguageCount; ++i) libraries.push_back(tree.languageLibrary(languageTable()[i].folder));
        for (const std::string& lib : libraries) {
            std::wstring wlib(lib.begin(), lib.end());
            std::vector<unsigned char> info(sizeOf(wlib.c_str(), NULL) + 1);
            VS_FIXEDFILEINFO* its = NULL;
            ASSERT_TRUE(infoOf(wlib.c_str(), 0, (DWORD)info.size(), info.data()) &&
                        query(info.data(), L"\\", (LPVOID*)&its, &length)) << lib;
            EXPECT_EQ(its->dwFileVersionMS, fixed->dwFileVersionMS) << lib;
            EXPECT_EQ(its->dwFileVersionLS, fixed->dwFileVersionLS) << lib;
            EXPECT_EQ(its->dwFileType, (DWORD)VFT_DLL) << lib;
        }
    }
    FreeLibrary(version);
}

TEST(V_Catalogue, ManifestAsksForAdministratorAndNamesTheSupportedSystems) {
    auto trees = loadTrees();
    ASSERT_TRUE(allLoaded(trees));
    for (const auto& f : trees) {
        Bytes b;
        ASSERT_TRUE(resourceBytes(f->program->get(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), 0, &b));
        std::string xml(b.begin(), b.end());
        EXPECT_NE(xml.find("level=\"requireAdministrator\""), std::string::npos);
        EXPECT_NE(xml.find(">true</dpiAware>"), std::string::npos) << "system DPI awareness";
        const char* systems[] = {
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
        };
        for (const char* id : systems) EXPECT_NE(xml.find(id), std::string::npos) << id;
        EXPECT_EQ(xml.find("Common-Controls"), std::string::npos) << "the classic controls are kept";
    }
}
