/* Entry point of the language libraries. They are loaded only for their
 * resources: the entry does no work and accepts every notification. */
#include <windows.h>

BOOL WINAPI LanguageLibraryEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

/* One absolute address, so that the image carries a relocation table and the
 * loader can place it elsewhere when its preferred address is taken (older
 * loaders refuse to move an image that has none). */
BOOL(WINAPI* const languageLibraryEntryAddress)(HINSTANCE, DWORD, LPVOID) = LanguageLibraryEntry;
