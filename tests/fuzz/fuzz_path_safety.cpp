// Path safety: a DestinationDirs value gives either no folder at all or one
// strictly below the Windows folder, the way Windows itself would resolve
// the path; a name accepted as bare stays inside its folder.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/context.h"
#include "package/package.h"

namespace {

// Windows drops trailing dots and blanks of each component and climbs at
// "..".
bool resolvesBelow(const std::string& relative) {
    if (relative.empty() || relative.find(':') != std::string::npos) return false;
    if (relative[0] == '\\' || relative[0] == '/') return false;
    std::vector<std::string> stack;
    size_t start = 0;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i < relative.size() && relative[i] != '\\' && relative[i] != '/') continue;
        std::string part = relative.substr(start, i - start);
        start = i + 1;
        if (part.empty()) continue;
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        // A component of dots and blanks alone is taken at its worst: a
        // climb to the parent.
        if (part.empty()) {
            if (stack.empty()) return false;
            stack.pop_back();
            continue;
        }
        stack.push_back(part);
    }
    return !stack.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string value((const char*)data, size);
    value = value.c_str();
    static const char kWindows[] = "C:\\WINDOWS";

    InstallContext ctx = {};
    memset(ctx.targetDir, 'S', sizeof ctx.targetDir - 1);
    int ok = buildTargetDir(&ctx, value.c_str(), kWindows);
    if (memchr(ctx.targetDir, '\0', sizeof ctx.targetDir) == nullptr) abort();
    std::string target = ctx.targetDir;
    if (!ok) {
        if (!target.empty()) abort();
    } else {
        std::string prefix = std::string(kWindows) + "\\";
        if (target.compare(0, prefix.size(), prefix) != 0) abort();
        if (!resolvesBelow(target.substr(prefix.size()))) abort();
        if (target.find_first_of("*?\"<>|") != std::string::npos) abort();
    }

    if (isSafeSubdirectory(value.c_str()) && !resolvesBelow(value)) abort();
    if (isBareFileName(value.c_str())) {
        if (value.find_first_of("\\/:") != std::string::npos) abort();
        std::string trimmed = value;
        while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
        if (trimmed.empty()) abort();
    }
    return 0;
}
