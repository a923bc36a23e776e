// The rules of the package that need no Windows: folder choice, path
// building and checking, the product id and the settings file name.
#include <string.h>

#include "core/text.h"
#include "package/languages.h"
#include "package/package.h"
#include "package/inf_values.h"

const ModelNumber kModelNumbers[ModelCount] = {16, 18, 21, 22};
const char kInfMissing[] = "Error";

namespace {

int isSeparator(char c) { return c == '\\' || c == '/'; }

// Characters that no Windows file name may hold, besides the separators.
int isForbiddenInName(unsigned char c) {
    return c < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

// Windows drops trailing dots and blanks from a name, so a name made only of
// them ("." "..", "...", " ") names the folder above it or the folder itself.
int isOnlyDotsAndBlanks(const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (name[i] != '.' && name[i] != ' ') return 0;
    return 1;
}

// CON, PRN, AUX, NUL, COM1..9 and LPT1..9 name devices in every folder,
// with or without an extension.
int isDeviceName(const char* name) {
    size_t base = 0;
    while (name[base] != '\0' && name[base] != '.') ++base;
    while (base > 0 && name[base - 1] == ' ') --base;
    char upper[5];
    if (base < 3 || base > 4) return 0;
    textCopyN(upper, sizeof upper, name, base);
    textUpperAscii(upper);
    if (base == 3)
        return strcmp(upper, "CON") == 0 || strcmp(upper, "PRN") == 0 || strcmp(upper, "AUX") == 0 ||
               strcmp(upper, "NUL") == 0;
    return (strncmp(upper, "COM", 3) == 0 || strncmp(upper, "LPT", 3) == 0) && upper[3] >= '1' &&
           upper[3] <= '9';
}

int hexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const char* selectOsFolder(OsCode code) {
    // XP x64 and Server 2003 x64 (2503, 2504) take the Vista drivers.
    if (code == 2600 || code == 2504 || code == 2503) return "WINVISTA";
    if (code >= 2500) return "WIN2K_XP";
    if (code <= 1490) return "WIN98_ME";
    return "WIN2K_XP";
}

int buildSourceDir(InstallContext* ctx, const char* osFolder, LanguageId id) {
    if (ctx->packageRoot[0] == '\0' || !osFolder || osFolder[0] == '\0' ||
        !textFormat(ctx->sourceDir, sizeof ctx->sourceDir, "%s\\%s\\%s", ctx->packageRoot, osFolder,
                    languageFolderName(id))) {
        ctx->sourceDir[0] = '\0';
        return 0;
    }
    return 1;
}

int isSafeSubdirectory(const char* subdir) {
    if (!subdir || subdir[0] == '\0' || isSeparator(subdir[0])) return 0;
    const char* component = subdir;
    for (const char* p = subdir;; ++p) {
        if (*p == '\0' || isSeparator(*p)) {
            size_t length = (size_t)(p - component);
            if (length == 0 || isOnlyDotsAndBlanks(component, length)) return 0;
            if (*p == '\0') return 1;
            component = p + 1;
        } else if (isForbiddenInName((unsigned char)*p)) {
            return 0;
        }
    }
}

int isBareFileName(const char* name) {
    if (!name || name[0] == '\0') return 0;
    size_t length = 0;
    for (const char* p = name; *p; ++p, ++length)
        if (isSeparator(*p) || isForbiddenInName((unsigned char)*p)) return 0;
    if (strstr(name, "..") || isOnlyDotsAndBlanks(name, length) || isDeviceName(name)) return 0;
    return 1;
}

int buildTargetDir(InstallContext* ctx, const char* destinationValue, const char* windowsDir) {
    ctx->targetDir[0] = '\0';
    TokenSlots slots;
    unsigned cut = 0;
    int count = splitTokensChecked(destinationValue, ",", slots, &cut);
    if (count < 2 || (cut & (1u << 1))) return 0;
    if (!isSafeSubdirectory(slots[1]) || !windowsDir || windowsDir[0] == '\0') return 0;
    // The data source lives in a folder of its own below TWAIN_32, the one
    // parent the copy creates. Anything else (SYSTEM32, FONTS, TWAIN_32
    // itself) would let a removal empty a folder that other software owns.
    static const char kParent[] = "TWAIN_32";
    const size_t parentLength = sizeof kParent - 1;
    char head[sizeof kParent];
    textCopyN(head, sizeof head, slots[1], parentLength);
    if (!textEqualNoCaseAscii(head, kParent) || !isSeparator(slots[1][parentLength])) return 0;
    return pathJoin(ctx->targetDir, windowsDir, slots[1]);
}

void hardwareIdFromValue(InstallContext* ctx, const char* modelListValue) {
    TokenSlots slots;
    unsigned cut = 0;
    int count = splitTokensChecked(modelListValue, ",", slots, &cut);
    if (cut & (1u << 1)) count = 0;
    textCopy(ctx->hardwareId, tokenField(slots, count, 1));
}

int32_t parseHexLong32(const char* text) {
    const unsigned char* p = (const unsigned char*)(text ? text : "");
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    int negative = 0;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // "0x" counts as a prefix only when a digit follows; else the 0 alone
    // is the number.
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hexDigit(p[2]) >= 0) p += 2;
    const uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t value = 0;
    int overflow = 0;
    for (int d; (d = hexDigit(*p)) >= 0; ++p) {
        value = value * 16 + (uint64_t)d;
        if (value > limit) {
            overflow = 1;
            value = limit;
        }
    }
    if (overflow) return negative ? INT32_MIN : INT32_MAX;
    return negative ? (int32_t)(-(int64_t)value) : (int32_t)value;
}

uint16_t deriveProductId(InstallContext* ctx) {
    TokenSlots slots;
    memset(slots, 0, sizeof slots);
    int count = splitTokens(ctx->hardwareId, "&", slots);
    textCopy(ctx->productIdText, tokenField(slots, count, 1));
    replaceAll(ctx->productIdText, sizeof ctx->productIdText, "PID_", "0x");
    // Only the low 16 bits travel in the search request.
    return (uint16_t)((uint32_t)parseHexLong32(ctx->productIdText) & 0xFFFFu);
}

int isDataSourceEntry(const char* entry) {
    // An entry that is not copied is no data source either.
    if (!isBareFileName(entry)) return 0;
    TokenSlots slots;
    unsigned cut = 0;
    int count = splitTokensChecked(entry, ".", slots, &cut);
    if (count < 2 || (cut & 3u)) return 0;
    char kind[TokenSlotWidth];
    textCopy(kind, slots[1]);
    textUpperAscii(kind);
    return strcmp(kind, "DS") == 0;
}

void deriveSettingsPath(InstallContext* ctx, const char* entry, const char* tempDir) {
    if (!isDataSourceEntry(entry) || !tempDir || tempDir[0] == '\0') return;
    TokenSlots slots;
    unsigned cut = 0;
    splitTokensChecked(entry, ".", slots, &cut);
    size_t tempLength = strlen(tempDir);
    // The temporary folder ends in a backslash; one that does not gets it,
    // so the file still lands inside the folder.
    const char* joint = isSeparator(tempDir[tempLength - 1]) ? "" : "\\";
    char path[sizeof ctx->settingsPath];
    if (textFormat(path, sizeof path, "%s%s%s.INI", tempDir, joint, slots[0])) textCopy(ctx->settingsPath, path);
}

const char* nextSectionEntry(const DataSourceList* list, unsigned* offset) {
    const unsigned room = (unsigned)sizeof list->names;
    unsigned end = list->length < room ? list->length : room;
    if (*offset >= end) return 0;
    const char* entry = list->names + *offset;
    unsigned length = 0;
    while (*offset + length < room && entry[length] != '\0') ++length;
    if (*offset + length == room) return 0;  // unterminated tail: not an entry
    *offset += length + 1;
    return entry;
}
