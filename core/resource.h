// Every id of the program in one place: dialog templates, controls, strings,
// pictures, the embedded libraries and the private window messages. The code
// includes it; ui/resources/gen_rc.py reads it (one "#define NAME NUMBER" a
// line) and refuses templates and string tables that name anything else.
// Plain #defines, no <windows.h>: pure code and the generator read it too.
#ifndef CORE_RESOURCE_H
#define CORE_RESOURCE_H

// ---- dialog templates ------------------------------------------------------
#define IDD_ADDRESS 105   // scanner address, with the search button
#define IDD_SEARCH 106    // the list of scanners that answered
#define IDD_INSTALL 107   // install page
#define IDD_CHOICE 108    // upgrade-or-remove page
#define IDD_PROGRESS 109  // progress page
#define IDD_MODEL 111     // model page
#define IDD_LANGUAGE 112  // language page

// ---- controls (besides OK 1 and Cancel 2) -----------------------------------
#define IDC_PROMPT_TEXT 1001     // address dialog: its prompt
#define IDC_SEARCH 1003          // address dialog: Search
#define IDC_FOUND_LIST 1004      // search dialog: the scanners found
#define IDC_RADIO_UNUSED1 1007   // install page: two radio buttons kept out of sight
#define IDC_RADIO_UNUSED2 1008
#define IDC_RADIO_UPGRADE 1009   // choice page
#define IDC_RADIO_REMOVE 1010
#define IDC_PROGRESS_BAR 1011    // progress page: range 0 to 100
#define IDC_MAIN_TEXT 1012       // the pages' first text
#define IDC_STATUS_TEXT 1013     // the pages' second text; the worker's step text
#define IDC_MODEL_LIST 1014
#define IDC_LANGUAGE_LIST 1015
#define IDC_MODEL_PROMPT 1016
#define IDC_LANGUAGE_PROMPT 1017
#define IDC_SEARCH_STATUS 1018   // search dialog: searching, how many found, or what to check
#define IDC_DEVICE_DETAILS 1019  // search dialog: the selected scanner's name, location and model

// ---- strings ----------------------------------------------------------------
#define IDS_SEARCH_TITLE 20
#define IDS_ADDRESS_TITLE 21
#define IDS_ADDRESS_PROMPT 22
#define IDS_SEARCH 25
#define IDS_FINISH 26
#define IDS_INSTALL_WELCOME 29
#define IDS_INSTALL_SECOND 30    // absent from every table: shows empty
#define IDS_UNUSED_RADIO1 31     // absent too
#define IDS_UNUSED_RADIO2 32
#define IDS_CHOICE_WELCOME 34
#define IDS_SELECT_ACTION 35
#define IDS_UPGRADE 36
#define IDS_REMOVE 37
#define IDS_WAITING 38
#define IDS_PROCESS_STEP 39      // "Process step", shown as "%s (%d%%)..."
#define IDS_INSTALLED 41
#define IDS_UPGRADED 42
#define IDS_REMOVED 43
#define IDS_CANCEL 44
#define IDS_OK 45
#define IDS_SELECT_MODEL 46
#define IDS_SELECT_LANGUAGE 47
// 48 to 72: the languages' display names; a LanguageId is its name's string id.
#define IDS_LANGUAGE_FIRST 48
#define IDS_LANGUAGE_ENGLISH 67
#define IDS_LANGUAGE_ARABIC 71
#define IDS_LANGUAGE_LAST 72
// The closing texts of a sequence that failed, and the usage of the command line.
#define IDS_INSTALL_FAILED 73    // "Setup could not install the driver..."
#define IDS_UPGRADE_FAILED 74
#define IDS_REMOVE_INCOMPLETE 75
#define IDS_UNDO_INCOMPLETE 76   // an install or upgrade whose undo did not finish
#define IDS_FAILED_ITEM 77       // "Failed: %1 (error %2)": the first item, its Win32 error
#define IDS_MORE_FAILED 78       // "Other items that failed: %1"
#define IDS_USAGE_TITLE 79
#define IDS_USAGE 80
// The search dialog's texts: its state, and the lines about the selected
// scanner ("%1": the count, or the name the scanner gives).
#define IDS_SEARCHING 81
#define IDS_SEARCH_FOUND 82      // "Scanners found: %1"
#define IDS_SEARCH_NONE 83       // nothing answered: what to check
#define IDS_DEVICE_NAME 84       // "Name: %1"
#define IDS_DEVICE_LOCATION 85
#define IDS_DEVICE_MODEL 86
// The driver's name among the installed programs ("%1 scanner driver"), and
// the page that confirms a removal started from there.
#define IDS_UNINSTALL_NAME 87
#define IDS_REMOVE_CONFIRM 88
// A file of the driver that a program holds: the page that names it (and the
// program, when Windows can tell), its Retry button, and its cancelled text.
#define IDS_IN_USE 89            // "%1": the file, "%2": the program
#define IDS_IN_USE_UNNAMED 90    // "%1": the file; no program known
#define IDS_RETRY 91
#define IDS_CANCELLED 92

// ---- pictures and embedded libraries ----------------------------------------
#define IDI_APP 101              // the program's icon
#define IDR_DRVSETUP 104         // resource type DLLRESOURCE: the driver-setup library
#define IDB_HEADER 108           // the pages' header picture
#define IDR_LANGUAGE_FIRST 112   // resource type LANGUAGERC: the 25 language libraries
#define IDR_LANGUAGE_ENGLISH 136
#define IDR_LANGUAGE_LAST 136

// ---- private window messages ------------------------------------------------
// WM_APP + 30: the worker's end message to the progress page, sent synchronously.
#define WM_TW_WORKER_DONE (0x8000 + 30)
// WM_APP + 31: the worker asks the page to end itself (the address prompt
// was cancelled before anything was touched).
#define WM_TW_END_PAGE (0x8000 + 31)
// WM_USER + 155: the search socket's read notification to the search dialog.
#define WM_TW_SOCKET (0x0400 + 155)
// WM_USER + 156: the name query socket's read notification; WM_USER + 157:
// a name lookup in DNS has ended.
#define WM_TW_SNMP (0x0400 + 156)
#define WM_TW_DNS (0x0400 + 157)

#endif
