// The libraries the program carries inside itself: one language library per
// language (resource type LANGUAGERC) and the driver-setup library
// (DLLRESOURCE 104). They are written into the system folder for the length of
// a run, loaded from there, and removed at its end.
#ifndef CORE_LIBRARIES_H
#define CORE_LIBRARIES_H

#include <windows.h>

#include <stddef.h>

#include "core/context.h"

// Writes the embedded library LANGUAGERC payloadId (the chosen language's,
// from the language table) as "DrvSetupLang.dll" in the system folder.
int writeLanguageLibrary(unsigned payloadId);
// Removes "DrvSetupLang.dll" when the run ends before the libraries were loaded.
void deleteLanguageLibrary(void);
// NT family: writes, loads and looks up "DrvSetup.dll" (setupLibrary and its
// three entries); always loads the language library (languageLibrary) and
// makes it the module localised resources come from.
void loadLibraries(InstallContext* ctx);
// Frees and deletes what loadLibraries brought in, and empties those fields.
void unloadLibraries(InstallContext* ctx);
// The module of localised pages and texts (null: the program).
HMODULE resourceModule(void);
// Creates (replacing) the file and writes the buffer in one call.
int writeBytesToFile(const char* path, const void* bytes, size_t length);

#endif
