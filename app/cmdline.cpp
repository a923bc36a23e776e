#include "app/cmdline.h"

#include <string.h>

#include "core/context.h"
#include "core/text.h"

namespace {

void put(char* out, size_t cap, size_t* n, char c) {
    if (*n + 1 < cap) out[(*n)++] = c;
}

int isBlank(char c) { return c == ' ' || c == '\t'; }

// The value of "/name=value" when word is that switch (letter case ignored).
const char* valueOf(const char* word, const char* name) {
    size_t n = strlen(name);
    char head[32];
    if (n >= sizeof head || strlen(word) < n) return NULL;
    textCopyN(head, sizeof head, word, n);
    if (!textEqualNoCaseAscii(head, name) || word[n] != '=') return NULL;
    return word + n + 1;
}

}  // namespace

int nextCommandWord(const char** p, char* out, size_t cap) {
    const char* s = *p;
    size_t n = 0;
    while (isBlank(*s)) ++s;
    if (*s == '\0') {
        *p = s;
        if (cap) out[0] = '\0';
        return 0;
    }
    int quoted = 0;
    while (*s && (quoted || !isBlank(*s))) {
        if (*s == '\\') {
            size_t slashes = 0;
            while (*s == '\\') ++slashes, ++s;
            if (*s == '"') {
                for (size_t i = 0; i < slashes / 2; ++i) put(out, cap, &n, '\\');
                if (slashes % 2) put(out, cap, &n, '"'), ++s;
            } else {
                for (size_t i = 0; i < slashes; ++i) put(out, cap, &n, '\\');
            }
        } else if (*s == '"') {
            // Inside quotes, a doubled quote is one literal quote.
            if (quoted && s[1] == '"') put(out, cap, &n, '"'), ++s;
            else quoted = !quoted;
            ++s;
        } else {
            put(out, cap, &n, *s++);
        }
    }
    if (cap) out[n] = '\0';
    *p = s;
    return 1;
}

int canonicalAddress(const char* text, char* out, size_t cap) {
    int part[4];
    const char* s = text;
    for (int i = 0;; ++i) {
        int digits = 0, value = 0;
        while (*s >= '0' && *s <= '9' && digits < 4) value = value * 10 + (*s++ - '0'), ++digits;
        if (digits == 0 || digits > 3 || value > 255) return 0;
        part[i] = value;
        if (i == 3) {
            if (*s != '\0') return 0;
            break;
        }
        if (*s++ != '.') return 0;
    }
    return textFormat(out, cap, "%d.%d.%d.%d", part[0], part[1], part[2], part[3]);
}

int parseCommandLine(const char* line, CommandLine* out) {
    memset(out, 0, sizeof *out);
    out->mode = ModeInstall;
    textCopy(out->language, "ENGLISH");
    const char* p = line ? line : "";
    char word[600];
    // The program's own name comes first; the C runtime reads it the same way.
    nextCommandWord(&p, word, sizeof word);
    while (nextCommandWord(&p, word, sizeof word)) {
        out->any = 1;
        const char* w = word + 1;
        const char* v;
        int ok = 1;
        if (word[0] != '/' && word[0] != '-') ok = 0;
        else if (textEqualNoCaseAscii(w, "S") || textEqualNoCaseAscii(w, "quiet") || textEqualNoCaseAscii(w, "verysilent"))
            out->silent = 1;
        else if (textEqualNoCaseAscii(w, "?") || textEqualNoCaseAscii(w, "help")) out->help = 1;
        else if (textEqualNoCaseAscii(w, "install")) out->mode = ModeInstall;
        else if (textEqualNoCaseAscii(w, "upgrade")) out->mode = ModeUpgrade;
        else if (textEqualNoCaseAscii(w, "remove") || textEqualNoCaseAscii(w, "uninstall")) out->mode = ModeRemove;
        else if (textEqualNoCaseAscii(w, "log")) out->log = 1;
        else if ((v = valueOf(w, "log")) != NULL) {
            // A name that does not fit is refused whole: a cut one could name
            // another file, which the log would overwrite.
            ok = v[0] && textCopy(out->logPath, v);
            out->log = ok;
            if (!ok) out->logPath[0] = '\0';
        }
        else if ((v = valueOf(w, "lang")) != NULL) ok = v[0] && textCopy(out->language, v);
        else if ((v = valueOf(w, "model")) != NULL) ok = v[0] && textCopy(out->model, v);
        else if ((v = valueOf(w, "ip")) != NULL) ok = canonicalAddress(v, out->address, sizeof out->address);
        // Given by the copy in the driver's own folder to the temporary copy
        // of itself that does the removal: that folder.
        else if ((v = valueOf(w, "keptcopy")) != NULL) ok = v[0] && textCopy(out->keptDir, v);
        else ok = 0;
        // Read on: a /S after the bad word still keeps every window shut.
        if (!ok && !out->refused[0]) textCopy(out->refused, word[0] ? word : "\"\"");
    }
    return out->refused[0] == '\0';
}
