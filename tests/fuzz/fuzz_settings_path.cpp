// The settings file name: whatever the entry and the temporary folder hold,
// settingsPath is either left alone or names "<base>.INI" directly inside
// the temporary folder.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/context.h"
#include "core/text.h"
#include "package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input((const char*)data, size);
    size_t split = input.find('\n');
    std::string temp = split == std::string::npos ? "C:\\TEMP\\" : input.substr(0, split);
    std::string entry = split == std::string::npos ? input : input.substr(split + 1);
    temp = temp.c_str();
    entry = entry.c_str();

    InstallContext ctx = {};
    textCopy(ctx.settingsPath, "unchanged");
    deriveSettingsPath(&ctx, entry.c_str(), temp.c_str());
    if (memchr(ctx.settingsPath, '\0', sizeof ctx.settingsPath) == nullptr) abort();
    std::string path = ctx.settingsPath;
    if (path == "unchanged") return 0;

    if (!isBareFileName(entry.c_str())) abort();
    if (path.compare(0, temp.size(), temp) != 0) abort();
    std::string name = path.substr(temp.size());
    if (!temp.empty() && temp.back() != '\\' && temp.back() != '/') {
        if (name.empty() || name[0] != '\\') abort();
        name = name.substr(1);
    }
    if (name.size() < 5 || name.compare(name.size() - 4, 4, ".INI") != 0) abort();
    std::string base = name.substr(0, name.size() - 4);
    if (base.empty() || base.find_first_of("\\/:.") != std::string::npos) abort();
    // The entry's own first field, leading dots skipped as in every split.
    size_t first = entry.find_first_not_of('.');
    if (entry.compare(first, base.size(), base) != 0 || entry[first + base.size()] != '.') abort();
    return 0;
}
