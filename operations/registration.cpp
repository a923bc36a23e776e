#include "operations/registration.h"

#include <string.h>

#include "core/text.h"

namespace {

const char kKeyPrefix[] = "TwainSetup_";
const size_t kKeyMax = 62;

int isBlank(char c) { return c == ' ' || c == '\t'; }

// The last part of a folder path, trailing backslashes passed over.
const char* lastPart(const char* path, size_t* length) {
    size_t end = strlen(path);
    while (end > 0 && path[end - 1] == '\\') --end;
    size_t start = end;
    while (start > 0 && path[start - 1] != '\\' && path[start - 1] != ':') --start;
    *length = end - start;
    return path + start;
}

}  // namespace

int uninstallKeyName(const char* targetDir, char* out, size_t cap) {
    if (cap) out[0] = '\0';
    size_t length;
    const char* name = lastPart(targetDir, &length);
    if (length == 0) return 0;
    const size_t prefix = sizeof kKeyPrefix - 1;
    if (cap < prefix + 2) return 0;
    if (length > kKeyMax - prefix) length = kKeyMax - prefix;
    return textCopy(out, cap, kKeyPrefix) && textCopyN(out + prefix, cap - prefix, name, length);
}

int keptFolderPath(const char* targetDir, char* out, size_t cap) {
    if (cap) out[0] = '\0';
    size_t length = strlen(targetDir);
    while (length > 0 && targetDir[length - 1] == '\\') --length;
    if (length == 0 || targetDir[length - 1] == ':') return 0;
    if (!textCopyN(out, cap, targetDir, length) || !textAppend(out, cap, "_Setup")) {
        if (cap) out[0] = '\0';
        return 0;
    }
    return 1;
}

int driverVersion(const char* driverVer, char* out, size_t cap) {
    const char* comma = strchr(driverVer, ',');
    const char* begin = comma ? comma + 1 : driverVer;
    const char* end = begin + strlen(begin);
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
    if (begin == end) {
        if (cap) out[0] = '\0';
        return 0;
    }
    return textCopyN(out, cap, begin, (size_t)(end - begin));
}
