// The one record of a run: every choice the user makes and every path derived
// from the package lives here, in fixed-width ANSI fields. It is zero-filled at
// start, so a field no stage has written reads as empty text or 0.
//
// This header is free of <windows.h> so that the pure logic can take the
// record; the Win32 handles are stored as opaque pointers and cast by the glue.
#ifndef CORE_CONTEXT_H
#define CORE_CONTEXT_H

#include <stdint.h>

#include "core/outcome.h"

// What the wizard asked the worker to do.
enum InstallMode : int16_t {
    ModeNone = 0,     // cancelled
    ModeInstall = 1,
    ModeUpgrade = 2,
    ModeRemove = 3,
};

// Windows version code; see core/oscode.h for the values.
typedef uint16_t OsCode;

// A LanguageId is at once the string id of the language's display name.
typedef uint32_t LanguageId;

// Model numbers fill the INF keys "MODELName%d" and "ScannerDS%d".
typedef uint32_t ModelNumber;

struct InstallContext {
    char modelName[64];          // display name; also INI section and header title
    char hardwareId[64];         // second comma field of the model's ModelList entry
    char productIdText[64];      // product part of hardwareId, "PID_" turned into "0x"
    char legacyInfPattern1[64];  // 9x INF clean-up patterns; no stage fills them
    char legacyInfPattern2[64];
    char packageRoot[512];       // current directory when the language page opens
    char sourceDir[512];         // packageRoot\OS folder\language folder
    char infPath[512];           // sourceDir\first *_T.INF
    char settingsPath[512];      // temp folder\<data source base name>.INI
    ModelNumber modelNumber;     // 16, 18, 21 or 22
    LanguageId languageId;       // 48..72; all bits set for an empty list
    void* progressWindow;        // HWND of the progress page while it exists
    void* workerThread;          // HANDLE of the worker thread
    int16_t mode;                // InstallMode
    OsCode osCode;
    int16_t useNetwork;          // 1: the scanner is reached over the network
    char scannerAddress[32];     // dotted IPv4 text
    char targetDir[640];         // Windows folder\data-source subdirectory
    void* setupLibrary;          // HMODULE of DrvSetup.dll
    void* languageLibrary;       // HMODULE of DrvSetupLang.dll
    void* copyOemInfEntry;       // entry points of DrvSetup.dll, held for the run
    void* updateDriverEntry;
    void* addPrinterDriverEntry;
    int16_t atRestart;           // 1: a program holds the driver; every change to
                                 // its folder waits for the next restart
    Outcome outcome;             // what the worker's sequence did; read by the page
};

#endif
