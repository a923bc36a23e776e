// pkgcheck: checks a driver package the way TwainSetup reads it.
//
//   pkgcheck [ROOT...]      (default: the current folder)
//
// Every answer about the package comes from the installer's own package
// module (listings, profile reads, splitting, path rules); this program only
// adds the questions "why" and "is that what the author meant", asked of the
// same profile reader. One line per finding:
//
//   <path relative to the root>: <section>/<key>: error|warning: <message>
//
// then one summary line per root. Exit code: 0 clean (warnings allowed),
// 1 errors found, 2 usage error (bad option, root that cannot be opened).
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/context.h"
#include "core/text.h"
#include "package/languages.h"
#include "package/package.h"
#include "package/inf_values.h"

namespace {

enum Result { Clean = 0, Failed = 1, Usage = 2 };

// Limits of the installer that the messages quote.
enum {
    ShortField = 63,       // modelName, hardwareId, productIdText, a token
    ValueLimit = 1023,     // one profile value
    SectionRead = 1024,    // room of the ScannerDS%d read
    Win9xProfileLimit = 65535,
    EntryFindingCap = 10,  // per section; the rest are counted on one line
};

const char kMissing[] = "\x01pkgcheck:missing\x01";  // default no INF can hold

struct Stats {
    int errors = 0;
    int warnings = 0;
    int osFolders = 0;
    int languages = 0;
    int infs = 0;
};

Stats g_stats;

// ---- output ----------------------------------------------------------------

std::string number(long long n) {
    char text[32];
    textFormat(text, sizeof text, "%lld", n);
    return text;
}

std::string count(long long n, const char* noun) {
    return number(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string hex4(unsigned n) {
    char text[16];
    textFormat(text, sizeof text, "0x%04X", n);
    return text;
}

// A value as it appears in a message: quoted, control and non-ASCII bytes
// escaped, long values shortened, so a hostile INF cannot flood a line.
std::string shown(const std::string& value) {
    const size_t limit = 48;
    std::string out = "\"";
    for (size_t i = 0; i < value.size() && i < limit; ++i) {
        unsigned char c = (unsigned char)value[i];
        if (c < 0x20 || c >= 0x7F || c == '"') {
            char esc[8];
            textFormat(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out += (char)c;
        }
    }
    out += "\"";
    if (value.size() > limit) out += "... (" + number((long long)value.size()) + " characters)";
    return out;
}

void report(bool error, const std::string& where, const std::string& what, const std::string& message) {
    std::string line = where + ": " + what + ": " + (error ? "error: " : "warning: ") + message + "\n";
    fputs(line.c_str(), stdout);
    if (error)
        ++g_stats.errors;
    else
        ++g_stats.warnings;
}
void error(const std::string& where, const std::string& what, const std::string& message) {
    report(true, where, what, message);
}
void warning(const std::string& where, const std::string& what, const std::string& message) {
    report(false, where, what, message);
}

// ---- the profile reader, asked without the installer's default ---------------
// The installer reads with the default "Error" and room for 1024; these reads
// use a default no file can hold and grow their room, so that "missing",
// "exactly Error" and "longer than the installer's room" can be told apart.

bool readRaw(const char* inf, const char* section, const char* key, std::string& out) {
    std::vector<char> room(4096);
    for (;;) {
        DWORD got = GetPrivateProfileStringA(section, key, kMissing, room.data(), (DWORD)room.size(), inf);
        if (got < room.size() - 2 || room.size() >= (1u << 22)) {
            out.assign(room.data(), got);
            return out != kMissing;
        }
        room.resize(room.size() * 4);
    }
}

// Section or key list as NUL-separated text, whole.
std::vector<std::string> readList(const char* inf, const char* section, size_t* chars) {
    std::vector<char> room(16384);
    DWORD got = 0;
    for (;;) {
        got = section ? GetPrivateProfileSectionA(section, room.data(), (DWORD)room.size(), inf)
                      : GetPrivateProfileSectionNamesA(room.data(), (DWORD)room.size(), inf);
        if (got < room.size() - 2 || room.size() >= (1u << 24)) break;
        room.resize(room.size() * 4);
    }
    std::vector<std::string> items;
    for (DWORD at = 0; at < got;) {
        std::string item(room.data() + at);
        at += (DWORD)item.size() + 1;
        items.push_back(item);
    }
    if (chars) *chars = got;
    return items;
}

std::vector<std::string> readKeys(const char* inf, const char* section) {
    std::vector<char> room(16384);
    DWORD got = 0;
    for (;;) {
        got = GetPrivateProfileStringA(section, NULL, "", room.data(), (DWORD)room.size(), inf);
        if (got < room.size() - 2 || room.size() >= (1u << 22)) break;
        room.resize(room.size() * 4);
    }
    std::vector<std::string> keys;
    for (DWORD at = 0; at < got;) {
        std::string key(room.data() + at);
        at += (DWORD)key.size() + 1;
        keys.push_back(key);
    }
    return keys;
}

// ---- file system ---------------------------------------------------------------

struct Entry {
    std::string name;
    bool folder;
};

std::vector<Entry> listFolder(const std::string& pattern) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) return entries;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        entries.push_back(Entry{found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return entries;
}

enum Kind { Nothing, File, Folder };
Kind kindOf(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Nothing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Folder : File;
}

// The first bytes of a file (at most cap), and its whole size.
bool readHead(const char* path, std::string& head, unsigned long long& size, size_t cap) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    size = ((unsigned long long)high << 32) | low;
    head.assign(size < cap ? (size_t)size : cap, '\0');
    DWORD got = 0;
    BOOL ok = head.empty() || ReadFile(h, &head[0], (DWORD)head.size(), &got, NULL);
    CloseHandle(h);
    head.resize(got);
    return ok != 0;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return s;
}

bool hasLowerCase(const std::string& s) {
    for (char c : s)
        if (c >= 'a' && c <= 'z') return true;
    return false;
}

// ---- one model ---------------------------------------------------------------

std::string modelKey(const char* format, ModelNumber n) {
    char key[48];
    textFormat(key, sizeof key, format, (unsigned)n);
    return key;
}

// Why a comma-separated value gives no usable second field.
std::string secondFieldTrouble(const std::string& value) {
    TokenSlots slots;
    unsigned cut = 0;
    int count = splitTokensChecked(value.c_str(), ",", slots, &cut);
    if (value.size() > ValueLimit) return "the value is " + number((long long)value.size()) +
                                          " characters; the profile reader cuts it at 1023";
    if (count < 2) return "no second comma field (empty fields do not count)";
    if (cut & (1u << 1)) return "its second field is longer than 63 characters";
    return "";
}

// Hints for text that a profile reader keeps but an author did not mean.
std::string textHints(const std::string& value) {
    std::string hints;
    if (!value.empty() && (value[0] == ' ' || value[0] == '\t'))
        hints += "; it begins with a blank (fields are not trimmed)";
    if (value.find(';') != std::string::npos) hints += "; a comment after a value becomes part of it";
    if (value.find('=') != std::string::npos) hints += "; a line with \"=\" is read as key=value";
    if (value.find(',') != std::string::npos) hints += "; the whole line, commas included, is the name";
    return hints;
}

void checkHardwareId(const std::string& where, const std::string& what, const std::string& id) {
    if (id[0] == ' ' || id[0] == '\t' || id[id.size() - 1] == ' ' || id[id.size() - 1] == '\t')
        error(where, what, "hardware id " + shown(id) +
                               " begins or ends with a blank, so it matches no device (fields are not trimmed)");
    if (id.find(';') != std::string::npos)
        error(where, what, "hardware id " + shown(id) + " holds \";\": a comment after a value becomes part of it");

    InstallContext ctx = {};
    textCopy(ctx.hardwareId, id.c_str());
    uint16_t pid = deriveProductId(&ctx);
    TokenSlots slots;
    int count = splitTokens(id.c_str(), "&", slots);
    std::string field = tokenField(slots, count, 1);
    if (field.compare(0, 4, "PID_") != 0) {
        error(where, what, "hardware id " + shown(id) + " has no \"PID_\" field as its second \"&\" field" +
                               (field.empty() ? "" : " (it is " + shown(field) + ", case matters)") +
                               ": the network search sends product id 0");
        return;
    }
    std::string digits = field.substr(4);
    bool hex = !digits.empty();
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) hex = false;
    if (!hex) {
        error(where, what, "product id " + shown(field) + " is not plain hexadecimal: the network search sends " +
                               hex4(pid));
        return;
    }
    int32_t value = parseHexLong32(ctx.productIdText);
    if (value < 0 || value > 0xFFFF)
        error(where, what, "product id " + shown(field) + " does not fit 16 bits: the network search sends " +
                               hex4(pid));
}

// Entries of a ScannerDS%d section as the installer reads them (1024-character
// room): each must be a bare file name beside the INF; exactly one names the
// data source.
void checkDataSourceFiles(InstallContext& ctx, const std::string& infRel, ModelNumber n) {
    const std::string section = modelKey("ScannerDS%u", n);
    const std::string whole = section + "/*";
    size_t fullChars = 0;
    std::vector<std::string> all = readList(ctx.infPath, section.c_str(), &fullChars);

    DataSourceList list;
    listDataSourceFiles(ctx.infPath, n, &list);
    if (list.length == 0) {
        error(infRel, whole, "section missing or empty: nothing is copied and no settings file is named");
        return;
    }
    std::vector<std::string> read;
    unsigned offset = 0;
    for (const char* e; (e = nextSectionEntry(&list, &offset)) != 0;) read.push_back(e);
    if (fullChars > list.length) {
        size_t lost = all.size() > read.size() ? all.size() - read.size() : 0;
        error(infRel, whole, "section is " + number((long long)fullChars) +
                                 " characters; the installer reads 1024, so it is cut and " + number((long long)lost) +
                                 " of " + number((long long)all.size()) + " entries are lost" +
                                 (lost ? "" : " (the last one is shortened)"));
    }

    int shownFindings = 0, hidden = 0;
    auto entryError = [&](const std::string& entry, const std::string& message) {
        if (shownFindings < EntryFindingCap) {
            error(infRel, section + "/" + shown(entry), message);
            ++shownFindings;
        } else {
            ++hidden;
            ++g_stats.errors;
        }
    };
    std::vector<std::string> dataSources;
    for (const std::string& entry : read) {
        if (!isBareFileName(entry.c_str())) {
            entryError(entry,
                       "not a bare file name (folder part, drive, \"..\", device name or forbidden character): "
                       "the installer skips it");
            continue;
        }
        char path[1024];
        if (!pathJoin(path, ctx.sourceDir, entry.c_str())) {
            entryError(entry, "name too long: the path beside the INF does not fit the installer's 1024");
            continue;
        }
        Kind kind = kindOf(path);
        if (kind == Nothing)
            entryError(entry, "file missing beside the INF: the copy skips it" + textHints(entry));
        else if (kind == Folder)
            entryError(entry, "is a folder beside the INF, not a file: the copy skips it");
        ctx.settingsPath[0] = '\0';
        deriveSettingsPath(&ctx, entry.c_str(), "T:\\");
        if (ctx.settingsPath[0] != '\0') dataSources.push_back(entry);
    }
    if (hidden) error(infRel, whole, number(hidden) + " more entries with the same kinds of errors (not listed)");

    if (dataSources.empty()) {
        error(infRel, whole, "no data-source entry (NAME.DS): the data source is not installed and no "
                             "settings file is written");
    } else if (dataSources.size() > 1) {
        std::string names;
        for (const std::string& ds : dataSources) names += (names.empty() ? "" : ", ") + shown(ds);
        error(infRel, whole, "several data-source entries (" + names + "): the settings file is named after the "
                             "last one only");
    }
}

// DestinationDirs: the installer's own rule decides (isDriverPresent sets an
// empty targetDir for anything it refuses); this only explains the refusal.
// Returns the data-source subdirectory when accepted.
std::string checkDestination(InstallContext& ctx, const std::string& infRel, ModelNumber n) {
    const std::string key = modelKey("ScannerDS%u", n);
    const std::string what = "DestinationDirs/" + key;
    ctx.modelNumber = n;
    isDriverPresent(&ctx);  // its answer is about this machine; targetDir is what counts
    std::string value;
    bool present = readRaw(ctx.infPath, "DestinationDirs", key.c_str(), value);

    TokenSlots slots;
    unsigned cut = 0;
    int count = splitTokensChecked(value.c_str(), ",", slots, &cut);
    std::string folder = tokenField(slots, count, 1);
    if (ctx.targetDir[0] == '\0') {
        if (!present) {
            error(infRel, what, "missing: the model has no data-source folder, so nothing is installed or removed");
            return "";
        }
        std::string trouble = secondFieldTrouble(value);
        if (!trouble.empty()) {
            error(infRel, what, shown(value) + ": " + trouble + ": the installer refuses it and copies nothing");
        } else if (!isSafeSubdirectory(folder.c_str())) {
            error(infRel, what, "folder " + shown(folder) +
                                    " is unsafe (absolute, drive, \".\" or \"..\" component or forbidden character):"
                                    " the installer refuses it and copies nothing" + textHints(folder));
        } else {
            error(infRel, what, "folder " + shown(folder) +
                                    " is not a folder of its own below TWAIN_32 (must be TWAIN_32\\<folder>): the "
                                    "installer refuses it and copies nothing" + textHints(folder));
        }
        return "";
    }
    // Accepted by the installer; the copy still creates only TWAIN_32 and
    // then the folder itself, so anything deeper, or a device name, fails.
    std::string below = folder.size() > 9 ? folder.substr(9) : "";
    if (!isBareFileName(below.c_str()))
        error(infRel, what, "folder " + shown(folder) +
                                " is not exactly one plain folder below TWAIN_32 (deeper folders and device names "
                                "cannot be created by the copy): nothing is installed");
    else if (folder.find(';') != std::string::npos)
        error(infRel, what, "folder " + shown(folder) + " holds \";\": a comment after a value becomes part of it");
    return folder;
}

void checkModel(InstallContext& ctx, const std::string& infRel, ModelNumber n) {
    ctx.modelNumber = n;
    const std::string nameKey = modelKey("MODELName%u", n);

    // Display name: the installer keeps 63 characters.
    std::string name;
    readRaw(ctx.infPath, "Strings", nameKey.c_str(), name);
    if (name.size() > ShortField)
        error(infRel, "Strings/" + nameKey, "display name is " + number((long long)name.size()) +
                                                " characters; the installer keeps 63" +
                                                (name.size() > ValueLimit ? " (and the profile reader 1023)" : ""));
    else if (name.empty())
        warning(infRel, "Strings/" + nameKey, "empty display name: the model is offered without a name");

    // Hardware id: the removal reads ModelList alone, the search falls back
    // on ModelList.NTx86.
    const std::string listKey = modelKey("%%MODELName%u%%", n);
    readHardwareId(&ctx, 0);
    std::string removalId = ctx.hardwareId;
    readHardwareId(&ctx, 1);
    std::string searchId = ctx.hardwareId;
    std::string inList, inNt;
    bool hasList = readRaw(ctx.infPath, "ModelList", listKey.c_str(), inList);
    bool hasNt = readRaw(ctx.infPath, "ModelList.NTx86", listKey.c_str(), inNt);
    const std::string section = hasList ? "ModelList" : "ModelList.NTx86";
    const std::string what = section + "/" + listKey;
    if (!hasList && !hasNt) {
        error(infRel, "ModelList/" + listKey, "no entry in ModelList or ModelList.NTx86: the network search sends "
                                              "product id 0 and the removal leaves OEM INF files and devices behind");
    } else if (searchId.empty()) {
        std::string trouble = secondFieldTrouble(hasList ? inList : inNt);
        error(infRel, what, shown(hasList ? inList : inNt) + ": " +
                                (trouble.empty() ? "no usable hardware id" : trouble) +
                                ": the installer gets no hardware id (product id 0, nothing removed)");
    } else {
        if (!hasList)
            warning(infRel, what, "only in ModelList.NTx86: the removal reads ModelList alone, finds no hardware id "
                                  "and leaves the model's OEM INF files and devices behind");
        checkHardwareId(infRel, what, searchId);
        if (hasList && hasNt && !removalId.empty()) {
            InstallContext nt = ctx;
            hardwareIdFromValue(&nt, inNt.c_str());
            if (strcmp(nt.hardwareId, removalId.c_str()) != 0)
                warning(infRel, "ModelList.NTx86/" + listKey,
                        "hardware id " + shown(nt.hardwareId) + " differs from ModelList's " + shown(removalId) +
                            ": the installer uses ModelList's only");
        }
    }
}

// ---- one INF -------------------------------------------------------------------

void checkInf(InstallContext& ctx, const std::string& infRel, const char* osFolder) {
    ++g_stats.infs;
    std::string head;
    unsigned long long size = 0;
    if (!readHead(ctx.infPath, head, size, 1u << 20)) {
        error(infRel, "file", "cannot be opened for reading");
        return;
    }
    if (size > Win9xProfileLimit && strcmp(osFolder, "WIN98_ME") == 0)
        error(infRel, "file", "is " + number((long long)size) +
                                  " bytes; Windows 95, 98 and Me read profile files of at most 64 KB");
    if (head.size() >= 2 && (((unsigned char)head[0] == 0xFF && (unsigned char)head[1] == 0xFE) ||
                             ((unsigned char)head[0] == 0xFE && (unsigned char)head[1] == 0xFF))) {
        error(infRel, "file", "UTF-16 text: Windows 95, 98 and Me cannot read it and the installer reads ANSI "
                              "text; save it as ANSI (plain ASCII)");
    } else if (head.find('\0') != std::string::npos) {
        error(infRel, "file", "binary content (NUL bytes): the profile reader cannot read it as an INF file");
        return;
    } else if (head.size() >= 3 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        warning(infRel, "file", "UTF-8 byte-order mark: Windows 95, 98 and Me take it for part of the first line");
    }
    if (readList(ctx.infPath, NULL, NULL).empty()) {
        error(infRel, "file", "the profile reader finds no section in it");
        return;
    }

    // Model names: exactly what the model page will offer.
    ModelList models;
    listModels(ctx.infPath, &models);
    for (const std::string& key : readKeys(ctx.infPath, "Strings")) {
        if (key.size() < 9 || upper(key.substr(0, 9)) != "MODELNAME") continue;
        bool known = false;
        for (ModelNumber n : kModelNumbers) known = known || upper(key) == upper(modelKey("MODELName%u", n));
        if (!known)
            warning(infRel, "Strings/" + key, "the installer offers only models 16, 18, 21 and 22: this one never");
    }
    for (ModelNumber n : kModelNumbers) {
        bool offered = false;
        for (int i = 0; i < models.count; ++i) offered = offered || models.models[i].number == n;
        if (offered) continue;
        const std::string nameKey = modelKey("MODELName%u", n);
        std::string value;
        if (readRaw(ctx.infPath, "Strings", nameKey.c_str(), value)) {
            error(infRel, "Strings/" + nameKey, "value is exactly \"Error\", which the installer takes for a missing "
                                                "entry: the model is not offered");
            continue;
        }
        // Entries of a model nobody can choose: probably a forgotten name.
        std::string unused;
        bool leftovers = readRaw(ctx.infPath, "DestinationDirs", modelKey("ScannerDS%u", n).c_str(), unused) ||
                         readRaw(ctx.infPath, "ModelList", modelKey("%%MODELName%u%%", n).c_str(), unused) ||
                         !readList(ctx.infPath, modelKey("ScannerDS%u", n).c_str(), NULL).empty();
        if (leftovers)
            warning(infRel, "Strings/" + nameKey, "missing, but the INF has other entries of model " + number(n) +
                                                      ": the model is never offered");
    }
    if (models.count == 0) {
        error(infRel, "Strings/MODELName*", "no model is named (none of MODELName16, 18, 21, 22): the model page "
                                            "stays empty");
        return;
    }

    std::vector<std::pair<ModelNumber, std::string>> folders;
    for (int i = 0; i < models.count; ++i) {
        ModelNumber n = models.models[i].number;
        checkModel(ctx, infRel, n);
        std::string folder = checkDestination(ctx, infRel, n);
        checkDataSourceFiles(ctx, infRel, n);
        if (folder.empty()) continue;
        for (const auto& other : folders)
            if (upper(other.second) == upper(folder))
                warning(infRel, "DestinationDirs/" + modelKey("ScannerDS%u", n),
                        "same data-source folder as model " + number(other.first) +
                            ": the installer sees one as installed when the other is, and removing one removes both");
        folders.push_back({n, folder});
    }
}

// ---- folders -------------------------------------------------------------------

void checkLanguage(InstallContext& ctx, const std::string& rel, const char* osFolder) {
    ++g_stats.languages;
    // The installer opens the first file its listing gives for "*_T.INF".
    std::vector<Entry> matches = listFolder(std::string(ctx.sourceDir) + "\\*_T.INF");
    std::vector<std::string> files;
    for (const Entry& e : matches) {
        if (e.folder)
            error(rel + "\\" + e.name, "*_T.INF", "a folder named like the INF file: the INF must be a file");
        else
            files.push_back(e.name);
    }
    if (files.empty()) {
        error(rel, "*_T.INF", "no INF file (no file matches *_T.INF): the model page stays empty");
        return;
    }
    if (!locateInf(&ctx)) {
        error(rel, "*_T.INF", "path of the INF file is longer than the installer's 511 characters");
        return;
    }
    const char* base = strrchr(ctx.infPath, '\\');
    std::string infName = base ? base + 1 : ctx.infPath;
    if (files.size() > 1) {
        std::string names;
        for (const std::string& f : files) names += (names.empty() ? "" : ", ") + f;
        error(rel, "*_T.INF", "several INF files (" + names + "): the installer reads only the first one listed, " +
                                  infName + ", and that order depends on the file system");
    }
    checkInf(ctx, rel + "\\" + infName, osFolder);
}

void checkOsFolder(InstallContext& ctx, const char* osFolder, OsCode code, const char* family) {
    std::string rel = osFolder;
    Kind kind = kindOf(std::string(ctx.packageRoot) + "\\" + osFolder);
    if (kind == Nothing) {
        error(rel, "OS folder", std::string("missing: on ") + family + " the language page lists nothing");
        return;
    }
    if (kind == File) {
        error(rel, "OS folder", std::string("is a file, not a folder: on ") + family +
                                    " the language page lists nothing");
        return;
    }
    ++g_stats.osFolders;
    char pattern[256];
    if (!textFormat(pattern, sizeof pattern, "%s\\%s\\*.*", ctx.packageRoot, osFolder)) {
        error(rel, "OS folder", "path too long: the installer lists folders with room for 255 characters");
        return;
    }
    // Everything the installer's listing passes over without a word.
    for (const Entry& e : listFolder(pattern)) {
        std::string where = rel + "\\" + e.name;
        bool inTable = e.name.size() < 64 && languageIdFromFolder(upper(e.name).c_str()) != 0;
        if (e.folder && !inTable)
            error(where, "language folder", "not in the language table: the installer ignores this folder");
        else if (e.folder && hasLowerCase(e.name))
            warning(where, "language folder", "not in upper case: the installer spells it " + upper(e.name) +
                                                  ", which a case-sensitive file system does not find");
        else if (!e.folder && inTable)
            error(where, "language folder", "a file, not a folder: the installer lists only folders");
        else if (!e.folder)
            warning(where, "language folder", "plain file where language folders are expected: ignored");
    }

    LanguageList languages;
    listPackageLanguages(ctx.packageRoot, code, &languages);
    if (languages.count == 0) {
        error(rel, "OS folder", "holds no language folder: the language page lists nothing");
        return;
    }
    for (int i = 0; i < languages.count; ++i) {
        LanguageId id = languages.ids[i];
        bool twice = false;
        for (int j = 0; j < i; ++j) twice = twice || languages.ids[j] == id;
        std::string langRel = rel + "\\" + languageFolderName(id);
        if (twice) {
            error(langRel, "language folder", "listed twice (folders that differ only in letter case): the language "
                                              "page shows it twice and both open one folder");
            continue;
        }
        if (!buildSourceDir(&ctx, osFolder, id)) {
            error(langRel, "language folder", "path too long for the installer's 511 characters");
            continue;
        }
        checkLanguage(ctx, langRel, osFolder);
    }
}

struct OsFamily {
    const char* folder;
    OsCode code;
    const char* family;
};
// One Windows version code that selects each OS folder.
const OsFamily kFamilies[] = {
    {"WIN98_ME", 1400, "Windows 95, 98 and Me"},
    {"WIN2K_XP", 2501, "Windows 2000, XP and Server 2003"},
    {"WINVISTA", 2600, "Windows Vista and XP x64"},
};

// ---- roots -----------------------------------------------------------------------

Result checkRoot(const char* startDir, const char* root, bool several) {
    g_stats = Stats();
    if (several) fputs((std::string("== ") + root + "\n").c_str(), stdout);
    // The installer takes the current folder as the package root.
    if (!SetCurrentDirectoryA(startDir) || !SetCurrentDirectoryA(root)) {
        fputs((std::string("pkgcheck: ") + root + ": cannot open this folder: result 2\n").c_str(), stdout);
        return Usage;
    }
    InstallContext ctx = {};
    if (!readPackageRoot(&ctx)) {
        error(".", "package root", "its path is longer than 255 characters: the installer cannot read it here");
    } else {
        for (const OsFamily& f : kFamilies) {
            if (strcmp(selectOsFolder(f.code), f.folder) != 0) continue;  // table and rule must agree
            checkOsFolder(ctx, f.folder, f.code, f.family);
        }
    }
    Result result = g_stats.errors ? Failed : Clean;
    std::string line = std::string("pkgcheck: ") + root + ": " + count(g_stats.osFolders, "OS folder") + ", " +
                       count(g_stats.languages, "language folder") + ", " + count(g_stats.infs, "INF file") +
                       " checked: " + count(g_stats.errors, "error") + ", " + count(g_stats.warnings, "warning") +
                       ": result " + number(result) + "\n";
    fputs(line.c_str(), stdout);
    return result;
}

const char kUsage[] =
    "usage: pkgcheck [ROOT...]\n"
    "Checks driver packages the way TwainSetup.exe reads them. ROOT is the package's root folder\n"
    "(the one holding WIN98_ME, WIN2K_XP and WINVISTA); default: the current folder.\n"
    "Exit code: 0 no errors (warnings may be printed), 1 errors found, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> roots;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (options && strcmp(a, "--") == 0) {
            options = false;
        } else if (options && (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0 || strcmp(a, "/?") == 0)) {
            fputs(kUsage, stdout);
            return 0;
        } else if (options && a[0] == '-') {
            fputs((std::string("pkgcheck: unknown option ") + a + "\n").c_str(), stderr);
            fputs(kUsage, stderr);
            return Usage;
        } else {
            roots.push_back(a);
        }
    }
    if (roots.empty()) roots.push_back(".");

    char startDir[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof startDir, startDir);
    if (n == 0 || n >= sizeof startDir) {
        fputs("pkgcheck: cannot read the current folder\n", stderr);
        return Usage;
    }
    bool several = roots.size() > 1;
    int worst = Clean;
    int counts[3] = {0, 0, 0};
    for (const char* root : roots) {
        Result r = checkRoot(startDir, root, several);
        ++counts[r];
        if (r > worst) worst = r;
    }
    if (several) {
        std::string line = "pkgcheck: " + number((long long)roots.size()) + " roots: " + number(counts[Clean]) +
                           " clean, " + number(counts[Failed]) + " with errors, " + number(counts[Usage]) +
                           " unusable: result " + number(worst) + "\n";
        fputs(line.c_str(), stdout);
    }
    fflush(stdout);
    return worst;
}
