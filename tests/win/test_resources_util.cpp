#include "test_resources_util.h"

#include <stdio.h>
#include <string.h>

namespace twres {

std::string hostPath(const std::string& unixPath) {
    if (unixPath.empty()) return "";
    std::string out = "Z:";
    for (char c : unixPath) out += (c == '/') ? '\\' : c;
    return out;
}

std::vector<BuildTree> buildTrees() {
    std::vector<BuildTree> trees;
    if (TW_PRODUCT_DIR[0]) trees.push_back({"i686", hostPath(TW_PRODUCT_DIR)});
    if (TW_BUILD_DIR[0]) {
        std::string own = hostPath(TW_BUILD_DIR);
        bool same = !trees.empty() && _stricmp(trees[0].dir.c_str(), own.c_str()) == 0;
        if (!same) trees.push_back({sizeof(void*) == 8 ? "x86_64" : "i686", own});
    }
    return trees;
}

std::string sourceFile(const char* relative) {
    std::string path = hostPath(TW_SOURCE_DIR) + "\\" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool readFile(const std::string& path, Bytes* out) {
    out->clear();
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    fclose(f);
    return true;
}

DataModule::DataModule(const std::string& path)
    : h_(LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)), path_(path) {}

DataModule::~DataModule() {
    if (h_) FreeLibrary(h_);
}

std::wstring resourceKey(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) return L"#" + std::to_wstring((unsigned)(ULONG_PTR)id);
    return id;
}

namespace {

BOOL CALLBACK collectType(HMODULE, LPWSTR type, LONG_PTR param) {
    ((std::vector<std::wstring>*)param)->push_back(resourceKey(type));
    return TRUE;
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    ((std::vector<std::wstring>*)param)->push_back(resourceKey(name));
    return TRUE;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    ((std::vector<WORD>*)param)->push_back(language);
    return TRUE;
}

// Reads the template field by field; every read is checked against the end.
class Reader {
public:
    explicit Reader(const Bytes& b) : b_(b) {}
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    void alignDword() { pos_ = (pos_ + 3) & ~(size_t)3; }
    WORD word() {
        if (pos_ + 2 > b_.size()) return fail();
        WORD v = (WORD)(b_[pos_] | (b_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    DWORD dword() {
        DWORD lo = word();
        return lo | ((DWORD)word() << 16);
    }
    BYTE byte() {
        if (pos_ + 1 > b_.size()) return (BYTE)fail();
        return b_[pos_++];
    }
    std::wstring string() {
        std::wstring s;
        for (;;) {
            WORD c = word();
            if (!ok_ || c == 0) return s;
            s += (wchar_t)c;
        }
    }
    // sz_Or_Ord: empty, an ordinal (0xFFFF then the number) or a string.
    std::wstring nameOrOrdinal(int* ordinal) {
        *ordinal = 0;
        if (pos_ + 2 > b_.size()) {
            fail();
            return L"";
        }
        WORD first = (WORD)(b_[pos_] | (b_[pos_ + 1] << 8));
        if (first == 0xFFFF) {
            word();
            *ordinal = word();
            return L"";
        }
        return string();
    }
    void skip(size_t n) {
        if (pos_ + n > b_.size()) fail();
        else pos_ += n;
    }

private:
    WORD fail() {
        ok_ = false;
        pos_ = b_.size();
        return 0;
    }
    const Bytes& b_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

std::vector<std::wstring> resourceTypes(HMODULE m) {
    std::vector<std::wstring> out;
    EnumResourceTypesW(m, collectType, (LONG_PTR)&out);
    return out;
}

std::vector<std::wstring> resourceNames(HMODULE m, LPCWSTR type) {
    std::vector<std::wstring> out;
    EnumResourceNamesW(m, type, collectName, (LONG_PTR)&out);
    return out;
}

std::vector<WORD> resourceLanguages(HMODULE m, LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> out;
    EnumResourceLanguagesW(m, type, name, collectLanguage, (LONG_PTR)&out);
    return out;
}

bool resourceBytes(HMODULE m, LPCWSTR type, LPCWSTR name, WORD language, Bytes* out) {
    out->clear();
    HRSRC r = FindResourceExW(m, type, name, language);
    if (!r) return false;
    HGLOBAL g = LoadResource(m, r);
    const unsigned char* p = g ? (const unsigned char*)LockResource(g) : NULL;
    if (!p) return false;
    out->assign(p, p + SizeofResource(m, r));
    return true;
}

std::map<int, std::wstring> stringTable(HMODULE m, WORD language) {
    std::map<int, std::wstring> out;
    for (int block = 2; block <= 6; ++block) {
        Bytes b;
        if (!resourceBytes(m, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), language, &b)) continue;
        Reader r(b);
        for (int i = 0; i < 16 && r.ok(); ++i) {
            WORD length = r.word();
            std::wstring text;
            for (WORD k = 0; k < length && r.ok(); ++k) text += (wchar_t)r.word();
            if (length) out[(block - 1) * 16 + i] = text;
        }
    }
    return out;
}

bool parseDialog(const Bytes& bytes, DialogTemplate* d, std::string* why) {
    Reader r(bytes);
    *d = DialogTemplate();
    WORD first = r.word(), second = r.word();
    d->extended = (first == 1 && second == 0xFFFF);
    WORD count;
    if (d->extended) {
        r.dword();  // help id
        d->exStyle = r.dword();
        d->style = r.dword();
    } else {
        d->style = first | ((DWORD)second << 16);
        d->exStyle = r.dword();
    }
    count = r.word();
    d->x = (short)r.word();
    d->y = (short)r.word();
    d->cx = (short)r.word();
    d->cy = (short)r.word();
    int ordinal;
    d->menu = r.nameOrOrdinal(&ordinal);
    if (ordinal) d->menu = L"#" + std::to_wstring(ordinal);
    d->className = r.nameOrOrdinal(&ordinal);
    if (ordinal) d->className = L"#" + std::to_wstring(ordinal);
    d->caption = r.string();
    if (d->style & DS_SETFONT) {
        d->pointSize = r.word();
        if (d->extended) {
            d->weight = r.word();
            d->italic = r.byte();
            d->charset = r.byte();
        }
        d->face = r.string();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        DialogControl c;
        r.alignDword();
        if (d->extended) {
            r.dword();  // help id
            c.exStyle = r.dword();
            c.style = r.dword();
        } else {
            c.style = r.dword();
            c.exStyle = r.dword();
        }
        c.x = (short)r.word();
        c.y = (short)r.word();
        c.cx = (short)r.word();
        c.cy = (short)r.word();
        c.id = d->extended ? (int)r.dword() : (short)r.word();
        c.className = r.nameOrOrdinal(&c.classOrdinal);
        c.text = r.nameOrOrdinal(&ordinal);
        if (ordinal) c.text = L"#" + std::to_wstring(ordinal);
        r.skip(r.word());  // creation data
        d->controls.push_back(c);
    }
    if (!r.ok()) {
        *why = "template ends early";
        return false;
    }
    return true;
}

std::map<int, std::wstring> sourceStrings(const char* folder) {
    std::map<int, std::wstring> out;
    Bytes raw;
    if (!readFile(sourceFile((std::string("ui/resources/lang/") + folder + ".txt").c_str()), &raw)) return out;
    std::string text(raw.begin(), raw.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
        std::string value = line.substr(tab + 1);
        for (size_t p; (p = value.find("\\n")) != std::string::npos;) value.replace(p, 2, "\n");
        std::wstring wide(value.size() + 1, L'\0');
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, value.data(), (int)value.size(), &wide[0],
                                    (int)wide.size());
        wide.resize(n > 0 ? n : 0);
        out[atoi(line.c_str())] = wide;
    }
    return out;
}

std::string narrow(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) {
        if (c >= 0x20 && c < 0x7f) out += (char)c;
        else {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", (unsigned)c);
            out += esc;
        }
    }
    return out;
}

}  // namespace twres
