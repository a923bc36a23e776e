// The walk over a section as the profile reader returns it: whatever the
// buffer and the reported length, every entry lies inside the buffer and
// the walk ends.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Heap copy of exactly one list, so ASan sees any read past its end.
    DataSourceList* list = (DataSourceList*)malloc(sizeof(DataSourceList));
    memset(list->names, 'F', sizeof list->names);
    size_t n = size - 2 < sizeof list->names ? size - 2 : sizeof list->names;
    memcpy(list->names, data + 2, n);
    list->length = (unsigned)(data[0] | data[1] << 8);

    unsigned offset = 0, previous = 0, entries = 0;
    for (const char* entry; (entry = nextSectionEntry(list, &offset)) != nullptr;) {
        if (entry < list->names || entry >= list->names + sizeof list->names) abort();
        size_t room = (size_t)(list->names + sizeof list->names - entry);
        if (memchr(entry, '\0', room) == nullptr) abort();
        if (offset <= previous && entries > 0) abort();
        if (offset > sizeof list->names) abort();
        previous = offset;
        if (++entries > sizeof list->names) abort();
    }
    free(list);
    return 0;
}
