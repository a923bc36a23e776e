// twdriver: drives the installer's dialogs from outside, for tests. It runs in
// the same Wine prefix (or Windows session) as the program under test, finds
// its dialogs by the control ids they hold, reads and sets their controls with
// window messages, and prints what it sees, one fact a line, so that a test
// script can compare or grep.
//
//   twdriver COMMAND [COMMAND...]      each argument is one command
//   twdriver -f SCRIPT                 one command a line; '#' starts a comment
//
// Commands (ids are decimal control ids; times in milliseconds):
//   wait IDS [TIMEOUT]        wait for a visible dialog holding every id of the
//                             comma-separated list; it becomes the current one
//   gone [TIMEOUT]            wait until the current dialog has closed
//   caption                   "caption: TEXT"
//   rect                      "rect: LEFT TOP RIGHT BOTTOM" (screen)
//   text ID                   "text ID: TEXT"
//   texts                     "control ID CLASS: TEXT" for every child
//   state ID                  "state ID: visible=V enabled=E checked=C"
//   list ID                   "list ID: count=N sel=S", then "item ID[i]: TEXT"
//   waitcount ID N [TIMEOUT]  wait until list ID holds at least N entries
//   select ID INDEX           select an entry of a list or combo box (and
//                             notify the dialog as a click would)
//   dblclick ID INDEX         select a list entry and report a double-click
//   check ID                  click a radio button or check box
//   press ID                  press a button (posted: the dialog may open a
//                             modal dialog of its own)
//   close                     the close box of the current dialog
//   settext ID TEXT           set the text of an edit control
//   field                     the IPv4 address field: position in the
//                             dialog's client area, size, styles, focus
//   address [A.B.C.D [TIMEOUT]]
//                             "address: A.B.C.D" as the field's four parts
//                             read (a blank part reads as nothing); with a
//                             value, first wait (up to TIMEOUT) for it to show
//   type address A.B.C.D      fill the four parts of the address field; a part
//                             may be left blank ("10..0.5", "...")
//   rect ID                   "rect ID: LEFT TOP RIGHT BOTTOM" of a control (screen)
//   screen                    "screen: WIDTH HEIGHT" as GetSystemMetrics gives it
//   focus                     "focus: ID CLASS" of the control that has the
//                             keyboard focus in the current dialog's thread
//                             ("focus: none" when it is outside the dialog)
//   waitstate ID KEY=VALUE [TIMEOUT]
//                             wait until control ID's visible, enabled or
//                             checked state has VALUE; then as state ID
//   waittext ID TIMEOUT TEXT  wait until control ID's text (ID 0: the
//                             dialog's own) equals TEXT (the
//                             rest of the line, blanks kept; a line feed
//                             written \n, a return \r, a tab \t); then
//                             "textx ID: TEXT" in that form
//   textx ID                  "textx ID: TEXT", line feeds written \n
//   selecttext ID TEXT        select the list or combo entry whose text is
//                             TEXT (rest of the line) and notify the dialog
//   cd PATH                   change the current directory; a program
//                             started afterwards starts there
//   exists PATH               "exists PATH: 1" or 0
//   copy FROM TO              copy a file (a snapshot for the test)
//   write PATH TEXT           create a file holding TEXT (rest of the line)
//                             and a line end
//   regset KEY NAME DATA      set text value NAME of KEY (HKLM\..., HKCU\...),
//                             creating the key; DATA is the rest of the line
//   regcreate KEY             create a registry key
//   regkey KEY                "regkey KEY: 1" when the key exists, else 0
//   mkdevice HWID             register a device (class Image) whose one
//                             hardware id is HWID
//   devices HWID              "devices HWID: N", the device entries that list
//                             HWID among their hardware ids (any letter case)
//   shot DIR NAME [TIMEOUT]   ask the test for a screenshot of the current
//                             dialog: writes DIR\NAME.req holding its screen
//                             rectangle, then waits for DIR\NAME.done
//   start PROGRAM [ARGS]      start a program (the rest of the line)
//   waitexit [TIMEOUT]        wait for it to end: "exit: CODE"
//   run TIMEOUT PROGRAM [ARGS] a second program, waited for: "run: exit CODE,
//                             windows N" (the most visible windows it had)
//   waitfile PATH [TIMEOUT]   wait until a file exists
//   touch PATH                create an empty file (a signal to the test)
//   hold PATH                 keep the file open (read, others may only read),
//                             as a scanning application keeps its data source
//   holdmodule PATH           keep the file loaded as a module
//   release                   let go of everything held
//   kill PERCENT              end the started program (as a crash would:
//                             TerminateProcess) once PERCENT of the time the
//                             last waited-for start took has passed since
//                             its start: "kill: cut at N ms", or "kill: ended,
//                             exit CODE" when it ended first
//   same PATH PATH            "same: 1" when both files hold the same bytes
//   files PATTERN             "files PATTERN: N", the files matching it
//   sleep MS                  pause
//   echo TEXT                 print TEXT
//   responsive MS [COUNT]     time COUNT (default 100) round trips of WM_NULL
//                             sent to the current dialog, 15 ms apart:
//                             "responsive: worst=W ms mean=M ms count=N
//                             from=UTC to=UTC" (UTC as 2025-03-01T10:15:02.412Z,
//                             the span the round trips took); fails when one
//                             took longer than MS (or got no answer at all)
//   debugwatch                collect the debug output (OutputDebugString) of
//                             every program of this session from now on, as a
//                             debug-output viewer does; fails when another
//                             viewer already collects it
//   debugout TIMEOUT TEXT     wait for a collected line (its line end removed)
//                             that begins with TEXT (the rest of the line):
//                             "debug: LINE"; each line is found once, in order
//
// A command that fails prints "error: ..." and ends the script with exit code
// 1; a program it started is then ended too. Default timeout: 10000 ms.
// Texts are read with the wide messages (ANSI list messages sent across
// processes come back as UTF-16 under Wine) and printed as UTF-8.
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const DWORD kDefaultTimeout = 10000;
const DWORD kPoll = 15;
const UINT kSendTimeout = 5000;

HWND g_dialog = NULL;
PROCESS_INFORMATION g_child = {};
bool g_haveChild = false;
std::vector<HANDLE> g_held;          // hold: files kept open
std::vector<HMODULE> g_heldModules;  // holdmodule: files kept loaded
DWORD g_childStart = 0;              // when the started program started
DWORD g_lastRun = 0;                 // how long the last one waited for took

std::string utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), NULL, 0, NULL, NULL);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, NULL, NULL);
    return s;
}

std::wstring wide(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), NULL, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), &w[0], n);
    return w;
}

void say(const std::string& line) {
    fwrite(line.data(), 1, line.size(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

// Reports a failed command; the script then ends with exit code 1.
bool fail(const std::string& why) {
    say("error: " + why);
    return false;
}

LRESULT send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeout, &result)) return -1;
    return (LRESULT)result;
}

std::wstring windowText(HWND w) {
    LRESULT n = send(w, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return std::wstring();
    std::vector<wchar_t> buf((size_t)n + 2, L'\0');
    send(w, WM_GETTEXT, (WPARAM)buf.size(), (LPARAM)buf.data());
    return std::wstring(buf.data());
}

std::wstring className(HWND w) {
    wchar_t buf[128];
    int n = GetClassNameW(w, buf, 128);
    return std::wstring(buf, n > 0 ? (size_t)n : 0);
}

bool classIs(HWND w, const wchar_t* name) { return _wcsicmp(className(w).c_str(), name) == 0; }
bool classHas(HWND w, const wchar_t* part) {
    std::wstring c = className(w);
    for (auto& ch : c) ch = (wchar_t)towlower(ch);
    std::wstring p(part);
    for (auto& ch : p) ch = (wchar_t)towlower(ch);
    return c.find(p) != std::wstring::npos;
}

std::vector<int> parseIds(const std::string& list) {
    std::vector<int> ids;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string part = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!part.empty()) ids.push_back(atoi(part.c_str()));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return ids;
}

struct FindDialog {
    std::vector<int> ids;
    HWND found;
};

BOOL CALLBACK findDialogProc(HWND w, LPARAM lp) {
    FindDialog* f = (FindDialog*)lp;
    if (!IsWindowVisible(w) || !classIs(w, L"#32770")) return TRUE;
    for (int id : f->ids)
        if (!GetDlgItem(w, id)) return TRUE;
    f->found = w;
    return FALSE;
}

HWND control(int id) { return g_dialog ? GetDlgItem(g_dialog, id) : NULL; }

bool needDialog() {
    if (g_dialog && IsWindow(g_dialog)) return true;
    return fail("no current dialog (use wait first)");
}

HWND needControl(int id) {
    if (!needDialog()) return NULL;
    HWND c = control(id);
    if (!c) fail("no control " + std::to_string(id));
    return c;
}

DWORD timeoutArg(const std::vector<std::string>& a, size_t i) {
    return a.size() > i ? (DWORD)strtoul(a[i].c_str(), NULL, 10) : kDefaultTimeout;
}

HWND addressField() {
    return g_dialog ? FindWindowExW(g_dialog, NULL, L"SysIPAddress32", NULL) : NULL;
}

// The four part edits of the address field, left to right.
std::vector<HWND> addressParts(HWND field) {
    std::vector<HWND> parts;
    for (HWND c = GetWindow(field, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (classIs(c, L"Edit")) parts.push_back(c);
    for (size_t i = 1; i < parts.size(); ++i)
        for (size_t j = i; j > 0; --j) {
            RECT a, b;
            GetWindowRect(parts[j - 1], &a);
            GetWindowRect(parts[j], &b);
            if (b.left < a.left) std::swap(parts[j - 1], parts[j]);
        }
    return parts;
}

std::vector<std::string> splitDots(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t dot = s.find('.', start);
        out.push_back(s.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return out;
}

bool hasFocus(HWND w) {
    GUITHREADINFO gti;
    memset(&gti, 0, sizeof gti);
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, NULL), &gti) || !gti.hwndFocus) return false;
    return gti.hwndFocus == w || IsChild(w, gti.hwndFocus);
}

std::string rest(const std::vector<std::string>& a, size_t from) {
    std::string s;
    for (size_t i = from; i < a.size(); ++i) {
        if (i > from) s += ' ';
        s += a[i];
    }
    return s;
}

// The rest of a script line after its first `skip` words, blanks inside kept
// (texts of the program may hold two blanks in a row).
std::string rawRest(const std::string& line, size_t skip) {
    size_t i = 0;
    for (size_t w = 0; w < skip; ++w) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
    if (i < line.size()) ++i;  // the one blank that separates
    return i < line.size() ? line.substr(i) : std::string();
}

// Starts a program whose output joins ours, so that its lines and ours
// reach the test in one stream.
bool startProgram(const std::string& commandLine, PROCESS_INFORMATION* pi) {
    STARTUPINFOW si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
        if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    std::wstring w = wide(commandLine);
    std::vector<wchar_t> buf(w.begin(), w.end());
    buf.push_back(L'\0');
    // Wine, under load, now and then fails a start with an internal error
    // that a second try does not meet: that is the harness's, not the test's.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (CreateProcessW(NULL, buf.data(), NULL, NULL, TRUE, 0, NULL, NULL, &si, pi)) return true;
        if (GetLastError() != ERROR_INTERNAL_ERROR) return false;
        Sleep(500);
    }
    return false;
}

// How many visible top-level windows the process has now.
struct WindowCount {
    DWORD process;
    int n;
};
BOOL CALLBACK countWindow(HWND w, LPARAM p) {
    WindowCount* c = (WindowCount*)p;
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == c->process && IsWindowVisible(w)) ++c->n;
    return TRUE;
}
int visibleWindowsOf(DWORD process) {
    WindowCount c = {process, 0};
    EnumWindows(countWindow, (LPARAM)&c);
    return c.n;
}

// Line feeds, returns and tabs written as \n, \r and \t, so that a text of
// several lines stays on one output line.
std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

// A registry path "HKLM\...", "HKCU\..." (or the long root names).
bool splitKey(const std::string& path, HKEY* root, std::wstring* sub) {
    size_t slash = path.find('\\');
    std::string head = path.substr(0, slash);
    for (auto& c : head) c = (char)toupper((unsigned char)c);
    if (head == "HKLM" || head == "HKEY_LOCAL_MACHINE") *root = HKEY_LOCAL_MACHINE;
    else if (head == "HKCU" || head == "HKEY_CURRENT_USER") *root = HKEY_CURRENT_USER;
    else return false;
    *sub = slash == std::string::npos ? std::wstring() : wide(path.substr(slash + 1));
    return true;
}

std::string upper(std::string s) {
    for (auto& c : s) c = (char)toupper((unsigned char)c);
    return s;
}

// Device entries (present or not) one of whose hardware ids is `id`.
int countDevices(const std::string& id, bool* ok) {
    *ok = false;
    HDEVINFO set = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return 0;
    *ok = true;
    int count = 0;
    std::string want = upper(id);
    SP_DEVINFO_DATA dev;
    for (DWORD i = 0;; ++i) {
        memset(&dev, 0, sizeof dev);
        dev.cbSize = sizeof dev;
        if (!SetupDiEnumDeviceInfo(set, i, &dev)) break;
        char buf[4096];
        DWORD type = 0, size = 0;
        memset(buf, 0, sizeof buf);
        if (!SetupDiGetDeviceRegistryPropertyA(set, &dev, SPDRP_HARDWAREID, &type, (BYTE*)buf, sizeof buf - 2, &size))
            continue;
        for (const char* p = buf; *p && p < buf + sizeof buf - 2; p += strlen(p) + 1)
            if (upper(p) == want) {
                ++count;
                break;
            }
    }
    SetupDiDestroyDeviceInfoList(set);
    return count;
}

bool makeDevice(const std::string& id) {
    // The setup class "Image", where a scanner's entries live.
    static const GUID imageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&imageClass, NULL);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA dev;
    memset(&dev, 0, sizeof dev);
    dev.cbSize = sizeof dev;
    bool ok = SetupDiCreateDeviceInfoA(set, "Image", &imageClass, NULL, NULL, DICD_GENERATE_ID, &dev);
    if (ok) {
        std::string multi = id;
        multi.push_back('\0');
        multi.push_back('\0');
        ok = SetupDiSetDeviceRegistryPropertyA(set, &dev, SPDRP_HARDWAREID, (const BYTE*)multi.data(), (DWORD)multi.size()) &&
             SetupDiRegisterDeviceInfo(set, &dev, 0, NULL, NULL, NULL);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

// ---- debug output --------------------------------------------------------
// The protocol that Windows (and Wine) share with debug-output viewers: a
// program that no debugger watches writes its OutputDebugString text into the
// shared memory DBWIN_BUFFER (its process id, then the text, at most 4 KB)
// once the viewer has set DBWIN_BUFFER_READY, then sets DBWIN_DATA_READY.

const DWORD kDebugBufferBytes = 4096;
CRITICAL_SECTION g_debugLock;
std::vector<std::string> g_debugLines;  // every line collected, in order
size_t g_debugNext = 0;                 // the first line debugout has not yet passed
bool g_debugWatching = false;
HANDLE g_debugBufferReady = NULL, g_debugDataReady = NULL;
const char* g_debugView = NULL;

DWORD WINAPI debugWatcher(LPVOID) {
    const char* text = g_debugView + sizeof(DWORD);
    const size_t cap = kDebugBufferBytes - sizeof(DWORD);
    for (;;) {
        SetEvent(g_debugBufferReady);
        if (WaitForSingleObject(g_debugDataReady, INFINITE) != WAIT_OBJECT_0) return 0;
        const char* end = (const char*)memchr(text, '\0', cap);
        std::string s(text, end ? (size_t)(end - text) : cap);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        EnterCriticalSection(&g_debugLock);
        g_debugLines.push_back(s);
        LeaveCriticalSection(&g_debugLock);
    }
}

// The objects stay for the rest of the run: a program that writes finds them.
bool startDebugWatch() {
    if (g_debugWatching) return true;
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, kDebugBufferBytes, L"DBWIN_BUFFER");
    if (!mapping) return fail("cannot create DBWIN_BUFFER: " + std::to_string(GetLastError()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return fail("another debug-output viewer runs (DBWIN_BUFFER exists)");
    }
    g_debugView = (const char*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kDebugBufferBytes);
    g_debugBufferReady = CreateEventW(NULL, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    g_debugDataReady = CreateEventW(NULL, FALSE, FALSE, L"DBWIN_DATA_READY");
    if (!g_debugView || !g_debugBufferReady || !g_debugDataReady) return fail("cannot set up the debug-output viewer");
    InitializeCriticalSection(&g_debugLock);
    HANDLE thread = CreateThread(NULL, 0, debugWatcher, NULL, 0, NULL);
    if (!thread) return fail("cannot start the debug-output viewer");
    CloseHandle(thread);
    g_debugWatching = true;
    return true;
}

// The current time, UTC, in the simulator's log form.
std::string utcNow() {
    SYSTEMTIME t;
    GetSystemTime(&t);
    char buf[40];
    snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, t.wMilliseconds);
    return buf;
}

std::string stateLine(const std::string& id, HWND c) {
    return "state " + id + ": visible=" + std::to_string(IsWindowVisible(c) ? 1 : 0) +
           " enabled=" + std::to_string(IsWindowEnabled(c) ? 1 : 0) +
           " checked=" + std::to_string((int)send(c, BM_GETCHECK, 0, 0));
}

std::string rectText(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

bool run(const std::vector<std::string>& a, const std::string& line) {
    const std::string& cmd = a[0];
    auto need = [&](size_t n) {
        if (a.size() >= n + 1) return true;
        return fail("'" + cmd + "' needs " + std::to_string(n) + " argument(s)");
    };

    if (cmd == "wait") {
        if (!need(1)) return false;
        FindDialog f = {parseIds(a[1]), NULL};
        DWORD limit = timeoutArg(a, 2), start = GetTickCount();
        for (;;) {
            f.found = NULL;
            EnumWindows(findDialogProc, (LPARAM)&f);
            if (f.found) break;
            if (GetTickCount() - start >= limit) return fail("no dialog with ids " + a[1] + " within " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        g_dialog = f.found;
        say("dialog: " + a[1] + " ms=" + std::to_string(GetTickCount() - start));
        return true;
    }
    if (cmd == "gone") {
        if (!g_dialog) return fail("no current dialog");
        DWORD limit = timeoutArg(a, 1), start = GetTickCount();
        while (IsWindow(g_dialog) && IsWindowVisible(g_dialog)) {
            if (GetTickCount() - start >= limit) return fail("dialog still open after " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        g_dialog = NULL;
        say("gone: ms=" + std::to_string(GetTickCount() - start));
        return true;
    }
    if (cmd == "caption") {
        if (!needDialog()) return false;
        say("caption: " + utf8(windowText(g_dialog)));
        return true;
    }
    if (cmd == "rect") {
        if (a.size() > 1) {
            HWND c = needControl(atoi(a[1].c_str()));
            if (!c) return false;
            say("rect " + a[1] + ": " + rectText(c));
            return true;
        }
        if (!needDialog()) return false;
        say("rect: " + rectText(g_dialog));
        return true;
    }
    if (cmd == "screen") {
        say("screen: " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
            std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        return true;
    }
    if (cmd == "focus") {
        if (!needDialog()) return false;
        GUITHREADINFO gti;
        memset(&gti, 0, sizeof gti);
        gti.cbSize = sizeof gti;
        HWND f = GetGUIThreadInfo(GetWindowThreadProcessId(g_dialog, NULL), &gti) ? gti.hwndFocus : NULL;
        if (!f || !IsChild(g_dialog, f)) {
            say("focus: none");
            return true;
        }
        // The part of a composite control (the edit of a combo box) counts
        // as the control.
        while (GetParent(f) && GetParent(f) != g_dialog) f = GetParent(f);
        say("focus: " + std::to_string(GetDlgCtrlID(f)) + " " + utf8(className(f)));
        return true;
    }
    if (cmd == "waitstate") {
        if (!need(2)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        size_t eq = a[2].find('=');
        if (eq == std::string::npos) return fail("usage: waitstate ID visible|enabled|checked=VALUE [TIMEOUT]");
        std::string key = a[2].substr(0, eq);
        long want = atol(a[2].c_str() + eq + 1);
        DWORD limit = timeoutArg(a, 3), start = GetTickCount();
        for (;;) {
            long got;
            if (key == "visible") got = IsWindowVisible(c) ? 1 : 0;
            else if (key == "enabled") got = IsWindowEnabled(c) ? 1 : 0;
            else if (key == "checked") got = (long)send(c, BM_GETCHECK, 0, 0);
            else return fail("no state '" + key + "'");
            if (got == want) break;
            if (!IsWindow(c) || GetTickCount() - start >= limit)
                return fail("control " + a[1] + " not " + a[2] + " within " + std::to_string(limit) + " ms (" + stateLine(a[1], c) + ")");
            Sleep(kPoll);
        }
        say(stateLine(a[1], c) + " ms=" + std::to_string(GetTickCount() - start));
        return true;
    }
    if (cmd == "waittext" || cmd == "textx") {
        if (!need(cmd == "textx" ? 1 : 2)) return false;
        // Id 0 stands for the dialog itself (a page names itself when it
        // first paints).
        HWND c = a[1] == "0" ? (needDialog() ? g_dialog : NULL) : needControl(atoi(a[1].c_str()));
        if (!c) return false;
        std::string want = cmd == "textx" ? std::string() : rawRest(line, 3);
        DWORD limit = cmd == "textx" ? 0 : (DWORD)strtoul(a[2].c_str(), NULL, 10), start = GetTickCount();
        std::string got;
        for (;;) {
            got = escaped(utf8(windowText(c)));
            if (cmd == "textx" || got == want) break;
            if (!IsWindow(c) || GetTickCount() - start >= limit)
                return fail("text " + a[1] + " is '" + got + "', not '" + want + "', after " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        say("textx " + a[1] + ": " + got);
        return true;
    }
    if (cmd == "selecttext") {
        if (!need(2)) return false;
        int id = atoi(a[1].c_str());
        HWND c = needControl(id);
        if (!c) return false;
        bool combo = classHas(c, L"combobox");
        std::wstring want = wide(rawRest(line, 2));
        LRESULT count = send(c, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT n = send(c, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, (WPARAM)i, 0);
            std::vector<wchar_t> buf(n > 0 ? (size_t)n + 2 : 2, L'\0');
            send(c, combo ? CB_GETLBTEXT : LB_GETTEXT, (WPARAM)i, (LPARAM)buf.data());
            if (want != buf.data()) continue;
            send(c, combo ? CB_SETCURSEL : LB_SETCURSEL, (WPARAM)i, 0);
            PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE), (LPARAM)c);
            say("selecttext " + a[1] + ": " + std::to_string((long)i));
            return true;
        }
        return fail("no entry '" + utf8(want) + "' in " + a[1]);
    }
    if (cmd == "cd") {
        if (!need(1)) return false;
        std::wstring path = wide(rawRest(line, 1));
        if (!SetCurrentDirectoryW(path.c_str())) return fail("cannot change to " + rawRest(line, 1));
        return true;
    }
    if (cmd == "exists") {
        if (!need(1)) return false;
        std::wstring path = wide(a[1]);
        say("exists " + a[1] + ": " + (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ? "1" : "0"));
        return true;
    }
    if (cmd == "copy") {
        if (!need(2)) return false;
        if (!CopyFileW(wide(a[1]).c_str(), wide(a[2]).c_str(), FALSE))
            return fail("cannot copy " + a[1] + ": " + std::to_string(GetLastError()));
        return true;
    }
    if (cmd == "write") {
        if (!need(1)) return false;
        std::string text = rawRest(line, 2) + "\r\n";
        HANDLE h = CreateFileW(wide(a[1]).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) return fail("cannot create " + a[1]);
        DWORD written = 0;
        WriteFile(h, text.data(), (DWORD)text.size(), &written, NULL);
        CloseHandle(h);
        return true;
    }
    if (cmd == "regset" || cmd == "regcreate" || cmd == "regkey") {
        if (!need(cmd == "regset" ? 3 : 1)) return false;
        HKEY root, key;
        std::wstring sub;
        if (!splitKey(a[1], &root, &sub)) return fail("no registry root in " + a[1]);
        if (cmd == "regkey") {
            bool found = RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
            if (found) RegCloseKey(key);
            say("regkey " + a[1] + ": " + (found ? "1" : "0"));
            return true;
        }
        if (RegCreateKeyExW(root, sub.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
            return fail("cannot create key " + a[1]);
        LONG rc = ERROR_SUCCESS;
        if (cmd == "regset") {
            std::wstring name = wide(a[2]), data = wide(rawRest(line, 3));
            rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, (const BYTE*)data.c_str(), (DWORD)((data.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return fail("cannot set " + a[2] + " of " + a[1]);
        return true;
    }
    if (cmd == "mkdevice") {
        if (!need(1)) return false;
        if (!makeDevice(a[1])) return fail("cannot register a device " + a[1] + ": " + std::to_string(GetLastError()));
        return true;
    }
    if (cmd == "devices") {
        if (!need(1)) return false;
        bool ok;
        int n = countDevices(a[1], &ok);
        if (!ok) return fail("cannot list the devices");
        say("devices " + a[1] + ": " + std::to_string(n));
        return true;
    }
    if (cmd == "shot") {
        if (!need(2)) return false;
        if (!needDialog()) return false;
        std::string base = a[1] + "\\" + a[2];
        std::string request = rectText(g_dialog) + "\n";
        std::wstring req = wide(base + ".req"), done = wide(base + ".done");
        DeleteFileW(done.c_str());
        HANDLE h = CreateFileW(req.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) return fail("cannot create " + base + ".req");
        DWORD written = 0;
        WriteFile(h, request.data(), (DWORD)request.size(), &written, NULL);
        CloseHandle(h);
        DWORD limit = a.size() > 3 ? (DWORD)strtoul(a[3].c_str(), NULL, 10) : 20000, start = GetTickCount();
        while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start >= limit) return fail("no screenshot " + a[2] + " within " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        say("shot: " + a[2]);
        return true;
    }
    if (cmd == "text") {
        if (!need(1)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        say("text " + a[1] + ": " + utf8(windowText(c)));
        return true;
    }
    if (cmd == "texts") {
        if (!needDialog()) return false;
        for (HWND c = GetWindow(g_dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            say("control " + std::to_string(GetDlgCtrlID(c)) + " " + utf8(className(c)) + ": " + utf8(windowText(c)));
        return true;
    }
    if (cmd == "state") {
        if (!need(1)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        say(stateLine(a[1], c));
        return true;
    }
    if (cmd == "list") {
        if (!need(1)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        bool combo = classHas(c, L"combobox");
        UINT getCount = combo ? CB_GETCOUNT : LB_GETCOUNT, getSel = combo ? CB_GETCURSEL : LB_GETCURSEL;
        UINT getLen = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, getText = combo ? CB_GETLBTEXT : LB_GETTEXT;
        LRESULT count = send(c, getCount, 0, 0);
        say("list " + a[1] + ": count=" + std::to_string((long)count) + " sel=" + std::to_string((long)send(c, getSel, 0, 0)));
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT n = send(c, getLen, (WPARAM)i, 0);
            std::vector<wchar_t> buf(n > 0 ? (size_t)n + 2 : 2, L'\0');
            send(c, getText, (WPARAM)i, (LPARAM)buf.data());
            say("item " + a[1] + "[" + std::to_string((long)i) + "]: " + utf8(buf.data()));
        }
        return true;
    }
    if (cmd == "waitcount") {
        if (!need(2)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        LRESULT want = atol(a[2].c_str()), got = 0;
        DWORD limit = timeoutArg(a, 3), start = GetTickCount();
        while ((got = send(c, LB_GETCOUNT, 0, 0)) < want) {
            if (GetTickCount() - start >= limit)
                return fail("list " + a[1] + " has " + std::to_string((long)got) + " entries after " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        say("count " + a[1] + ": " + std::to_string((long)got) + " ms=" + std::to_string(GetTickCount() - start));
        return true;
    }
    if (cmd == "select" || cmd == "dblclick") {
        if (!need(2)) return false;
        int id = atoi(a[1].c_str());
        HWND c = needControl(id);
        if (!c) return false;
        bool combo = classHas(c, L"combobox");
        WPARAM index = (WPARAM)atol(a[2].c_str());
        if (send(c, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0) == (combo ? CB_ERR : LB_ERR))
            return fail("no entry " + a[2] + " in " + a[1]);
        WORD code = cmd == "dblclick" ? (WORD)LBN_DBLCLK : (WORD)(combo ? CBN_SELCHANGE : LBN_SELCHANGE);
        PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)c);
        say(cmd + " " + a[1] + ": " + a[2]);
        return true;
    }
    if (cmd == "check") {
        if (!need(1)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        send(c, BM_CLICK, 0, 0);
        say("check " + a[1] + ": " + std::to_string((int)send(c, BM_GETCHECK, 0, 0)));
        return true;
    }
    if (cmd == "press") {
        if (!need(1)) return false;
        int id = atoi(a[1].c_str());
        HWND c = needControl(id);
        if (!c) return false;
        PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)c);
        say("press " + a[1]);
        return true;
    }
    if (cmd == "close") {
        if (!needDialog()) return false;
        PostMessageW(g_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        say("close");
        return true;
    }
    if (cmd == "settext") {
        if (!need(1)) return false;
        HWND c = needControl(atoi(a[1].c_str()));
        if (!c) return false;
        std::wstring t = wide(rest(a, 2));
        send(c, WM_SETTEXT, 0, (LPARAM)t.c_str());
        say("settext " + a[1]);
        return true;
    }
    if (cmd == "field") {
        if (!needDialog()) return false;
        HWND f = addressField();
        if (!f) {
            say("field: none");
            return true;
        }
        RECT r;
        GetWindowRect(f, &r);
        MapWindowPoints(HWND_DESKTOP, g_dialog, (POINT*)&r, 2);
        LONG style = GetWindowLongW(f, GWL_STYLE), ex = GetWindowLongW(f, GWL_EXSTYLE);
        say("field: x=" + std::to_string(r.left) + " y=" + std::to_string(r.top) + " w=" +
            std::to_string(r.right - r.left) + " h=" + std::to_string(r.bottom - r.top) +
            " id=" + std::to_string(GetDlgCtrlID(f)) +
            " child=" + std::to_string((style & WS_CHILD) ? 1 : 0) +
            " group=" + std::to_string((style & WS_GROUP) ? 1 : 0) +
            " tabstop=" + std::to_string((style & WS_TABSTOP) ? 1 : 0) +
            " exstyle=" + std::to_string((long)ex) +
            " visible=" + std::to_string(IsWindowVisible(f) ? 1 : 0) +
            " focus=" + std::to_string(hasFocus(f) ? 1 : 0));
        return true;
    }
    if (cmd == "address") {
        if (!needDialog()) return false;
        HWND f = addressField();
        if (!f) return fail("no address field");
        std::vector<HWND> parts = addressParts(f);
        if (parts.size() != 4) return fail("address field has " + std::to_string(parts.size()) + " parts");
        // With an expected value, give the dialog time to show it (a search
        // that has just closed sets the field right after).
        std::string want = a.size() > 1 ? a[1] : std::string();
        DWORD limit = a.size() > 1 ? timeoutArg(a, 2) : 0, start = GetTickCount();
        std::string s;
        for (;;) {
            s.clear();
            for (size_t i = 0; i < 4; ++i) s += (i ? "." : "") + utf8(windowText(parts[i]));
            if (s == want || GetTickCount() - start >= limit) break;
            Sleep(kPoll);
        }
        say("address: " + s);
        return true;
    }
    if (cmd == "type") {
        if (!need(2) || a[1] != "address") return fail("usage: type address A.B.C.D");
        if (!needDialog()) return false;
        HWND f = addressField();
        if (!f) return fail("no address field");
        std::vector<HWND> parts = addressParts(f);
        std::vector<std::string> values = splitDots(a[2]);
        if (parts.size() != 4 || values.size() != 4) return fail("address needs four parts");
        for (size_t i = 0; i < 4; ++i) {
            std::wstring t = wide(values[i]);
            send(parts[i], WM_SETTEXT, 0, (LPARAM)t.c_str());
        }
        say("type address: " + a[2]);
        return true;
    }
    if (cmd == "start") {
        if (!need(1)) return false;
        if (!startProgram(line.substr(line.find("start") + 6), &g_child))
            return fail("cannot start: " + std::to_string(GetLastError()));
        g_haveChild = true;
        g_childStart = GetTickCount();
        say("started");
        return true;
    }
    if (cmd == "run") {
        // run TIMEOUT COMMAND: a second program beside the started one, waited
        // for; says its exit code and how many windows it ever showed.
        if (!need(2)) return false;
        DWORD limit = timeoutArg(a, 1), start = GetTickCount();
        PROCESS_INFORMATION other;
        if (!startProgram(rawRest(line, 2), &other)) return fail("cannot run: " + std::to_string(GetLastError()));
        int windows = 0;
        while (WaitForSingleObject(other.hProcess, kPoll) == WAIT_TIMEOUT) {
            windows = std::max(windows, visibleWindowsOf(other.dwProcessId));
            if (GetTickCount() - start >= limit) {
                CloseHandle(other.hProcess);
                CloseHandle(other.hThread);
                return fail("run: still running after " + std::to_string(limit) + " ms");
            }
        }
        DWORD code = 0;
        GetExitCodeProcess(other.hProcess, &code);
        CloseHandle(other.hProcess);
        CloseHandle(other.hThread);
        say("run: exit " + std::to_string((long)code) + ", windows " + std::to_string(windows));
        return true;
    }
    if (cmd == "waitexit") {
        if (!g_haveChild) return fail("nothing started");
        DWORD limit = timeoutArg(a, 1);
        if (WaitForSingleObject(g_child.hProcess, limit) != WAIT_OBJECT_0)
            return fail("program still running after " + std::to_string(limit) + " ms");
        DWORD code = 0;
        g_lastRun = GetTickCount() - g_childStart;
        GetExitCodeProcess(g_child.hProcess, &code);
        CloseHandle(g_child.hProcess);
        CloseHandle(g_child.hThread);
        g_haveChild = false;
        say("exit: " + std::to_string((long)code));
        return true;
    }
    if (cmd == "waitfile") {
        if (!need(1)) return false;
        std::wstring path = wide(a[1]);
        DWORD limit = timeoutArg(a, 2), start = GetTickCount();
        while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start >= limit) return fail("no file " + a[1] + " after " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
        say("file: " + a[1]);
        return true;
    }
    if (cmd == "hold" || cmd == "holdmodule") {
        if (!need(1)) return false;
        std::wstring path = wide(a[1]);
        if (cmd == "hold") {
            HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            if (h == INVALID_HANDLE_VALUE) return fail("cannot open " + a[1] + ": " + std::to_string(GetLastError()));
            g_held.push_back(h);
        } else {
            HMODULE m = LoadLibraryW(path.c_str());
            if (!m) return fail("cannot load " + a[1] + ": " + std::to_string(GetLastError()));
            g_heldModules.push_back(m);
        }
        say(cmd + ": " + a[1]);
        return true;
    }
    if (cmd == "release") {
        for (HANDLE h : g_held) CloseHandle(h);
        for (HMODULE m : g_heldModules) FreeLibrary(m);
        g_held.clear();
        g_heldModules.clear();
        say("released");
        return true;
    }
    if (cmd == "kill") {
        if (!need(1)) return false;
        if (!g_haveChild) return fail("nothing started");
        DWORD at = (DWORD)((unsigned long long)g_lastRun * strtoul(a[1].c_str(), NULL, 10) / 100);
        DWORD passed = GetTickCount() - g_childStart;
        DWORD code = 0;
        if (WaitForSingleObject(g_child.hProcess, at > passed ? at - passed : 0) == WAIT_TIMEOUT) {
            TerminateProcess(g_child.hProcess, 9);
            WaitForSingleObject(g_child.hProcess, INFINITE);
            say("kill: cut at " + std::to_string((long)(GetTickCount() - g_childStart)) + " ms");
        } else {
            GetExitCodeProcess(g_child.hProcess, &code);
            say("kill: ended, exit " + std::to_string((long)code));
        }
        CloseHandle(g_child.hProcess);
        CloseHandle(g_child.hThread);
        g_haveChild = false;
        return true;
    }
    if (cmd == "same") {
        if (!need(2)) return false;
        HANDLE f[2];
        for (int i = 0; i < 2; ++i)
            f[i] = CreateFileW(wide(a[1 + i]).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        bool same = f[0] != INVALID_HANDLE_VALUE && f[1] != INVALID_HANDLE_VALUE;
        std::vector<char> b0(1 << 20), b1(1 << 20);
        while (same) {
            DWORD n0 = 0, n1 = 0;
            same = ReadFile(f[0], b0.data(), (DWORD)b0.size(), &n0, NULL) && ReadFile(f[1], b1.data(), (DWORD)b1.size(), &n1, NULL) &&
                   n0 == n1 && memcmp(b0.data(), b1.data(), n0) == 0;
            if (n0 == 0) break;
        }
        for (HANDLE h : f)
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        say(std::string("same: ") + (same ? "1" : "0"));
        return true;
    }
    if (cmd == "files") {
        if (!need(1)) return false;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(wide(a[1]).c_str(), &found);
        int n = 0;
        if (h != INVALID_HANDLE_VALUE) {
            do n += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            while (FindNextFileW(h, &found));
            FindClose(h);
        }
        say("files " + a[1] + ": " + std::to_string(n));
        return true;
    }
    if (cmd == "touch") {
        if (!need(1)) return false;
        std::wstring path = wide(a[1]);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) return fail("cannot create " + a[1]);
        CloseHandle(h);
        return true;
    }
    if (cmd == "sleep") {
        if (!need(1)) return false;
        Sleep((DWORD)strtoul(a[1].c_str(), NULL, 10));
        return true;
    }
    if (cmd == "responsive") {
        if (!need(1) || !needDialog()) return false;
        DWORD limit = (DWORD)strtoul(a[1].c_str(), NULL, 10);
        unsigned long count = a.size() > 2 ? strtoul(a[2].c_str(), NULL, 10) : 100;
        if (count == 0) count = 1;
        LARGE_INTEGER freq;
        QueryPerformanceFrequency(&freq);
        double worst = 0, sum = 0;
        std::string from = utcNow();
        for (unsigned long i = 0; i < count; ++i) {
            if (i) Sleep(kPoll);
            LARGE_INTEGER t0, t1;
            DWORD_PTR result = 0;
            QueryPerformanceCounter(&t0);
            // A dialog that does not answer within a second beyond the limit
            // has failed anyway; waiting longer would tell nothing more.
            BOOL answered = SendMessageTimeoutW(g_dialog, WM_NULL, 0, 0, SMTO_NORMAL, limit + 1000, &result) != 0;
            QueryPerformanceCounter(&t1);
            if (!answered && !IsWindow(g_dialog)) return fail("the dialog closed while its answers were timed");
            double ms = (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart;
            sum += ms;
            if (ms > worst) worst = ms;
        }
        char report[200];
        snprintf(report, sizeof report, "responsive: worst=%.1f ms mean=%.2f ms count=%lu from=%s to=%s", worst,
                 sum / (double)count, count, from.c_str(), utcNow().c_str());
        say(report);
        if (worst > (double)limit) {
            snprintf(report, sizeof report, "the dialog took %.1f ms to answer (limit %lu ms)", worst,
                     (unsigned long)limit);
            return fail(report);
        }
        return true;
    }
    if (cmd == "debugwatch") {
        if (!startDebugWatch()) return false;
        say("debugwatch");
        return true;
    }
    if (cmd == "debugout") {
        if (!need(2)) return false;
        if (!g_debugWatching) return fail("no debug output collected (use debugwatch first)");
        DWORD limit = (DWORD)strtoul(a[1].c_str(), NULL, 10), start = GetTickCount();
        std::string want = rawRest(line, 2);
        for (;;) {
            std::string found;
            bool got = false;
            EnterCriticalSection(&g_debugLock);
            for (; g_debugNext < g_debugLines.size() && !got; ++g_debugNext)
                if (g_debugLines[g_debugNext].compare(0, want.size(), want) == 0) {
                    found = g_debugLines[g_debugNext];
                    got = true;
                }
            LeaveCriticalSection(&g_debugLock);
            if (got) {
                say("debug: " + found);
                return true;
            }
            if (GetTickCount() - start >= limit)
                return fail("no debug output '" + want + "...' within " + std::to_string(limit) + " ms");
            Sleep(kPoll);
        }
    }
    if (cmd == "echo") {
        say(rest(a, 1));
        return true;
    }
    return fail("unknown command '" + cmd + "'");
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) w.push_back(line.substr(start, i - start));
    }
    return w;
}

std::vector<std::string> readScript(const char* path, bool* ok) {
    std::vector<std::string> lines;
    FILE* f = fopen(path, "rb");
    *ok = f != NULL;
    if (!f) return lines;
    char buf[4096];
    while (fgets(buf, sizeof buf, f)) {
        std::string s(buf);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        lines.push_back(s);
    }
    fclose(f);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends, as a test script expects
    std::vector<std::string> script;
    if (argc == 3 && strcmp(argv[1], "-f") == 0) {
        bool ok;
        script = readScript(argv[2], &ok);
        if (!ok) {
            say("error: cannot read " + std::string(argv[2]));
            return 2;
        }
    } else {
        for (int i = 1; i < argc; ++i) script.push_back(argv[i]);
    }
    for (const std::string& line : script) {
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#') continue;
        if (!run(w, line)) {
            if (g_haveChild) {  // ours: started by this script
                TerminateProcess(g_child.hProcess, 99);
                CloseHandle(g_child.hProcess);
                CloseHandle(g_child.hThread);
            }
            return 1;
        }
    }
    return 0;
}
