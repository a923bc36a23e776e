// The libraries the program carries inside itself: one language library per
// language (resource type LANGUAGERC) and the driver-setup library
// (DLLRESOURCE 104). They are written into the system folder for the length of
// a run, loaded from there, and removed at its end.
#ifndef CORE_LIBRARIES_H
#define CORE_LIBRARIES_H

#include <stddef.h>

#include "core/context.h"

enum { DriverSetupResourceId = 104 };

// Writes the chosen language's library as "DrvSetupLang.dll" in the system folder.
int writeLanguageLibrary(LanguageId id);
// Removes "DrvSetupLang.dll" when the run ends before the libraries were loaded.
void deleteLanguageLibrary(void);
// NT family: writes, loads and looks up "DrvSetup.dll"; always loads the
// language library and makes it the module localised resources come from.
void loadLibraries(InstallContext* ctx);
// Frees and deletes what loadLibraries brought in.
void unloadLibraries(InstallContext* ctx);
// The module of localised pages and texts (an HMODULE; null: the program).
void* resourceModule(void);
// Loads a library of the system folder by its full path (an HMODULE, or null):
// the package folder the program starts from may hold files of the same name.
void* loadSystemLibrary(const char* name);
// Creates (replacing) the file and writes the buffer in one call.
int writeBytesToFile(const char* path, const void* bytes, size_t length);

#endif
