// The command line of an unattended run, as deployment tools write it
// (NSIS, Inno Setup and Windows Installer conventions): switches with "/" or
// "-", any letter case, values after "=", words split by the C runtime's rules.
#ifndef APP_CMDLINE_H
#define APP_CMDLINE_H

#include <stddef.h>
#include <stdint.h>

struct CommandLine {
    int any;             // at least one word after the program's name
    int silent;          // /S, /quiet, /verysilent: no window at all
    int help;            // /?, /help
    int16_t mode;        // InstallMode: /install (the default), /upgrade, /remove
    char language[64];   // /lang=FOLDER; ENGLISH when not given
    char model[64];      // /model=N or /model=NAME; empty when not given
    char address[32];    // /ip=A.B.C.D as four plain decimals; empty when not given
    int log;             // /log or /log=FILE
    char logPath[260];   // the FILE of /log=FILE (a Windows path, MAX_PATH); empty for the default
    char keptDir[260];   // /keptcopy=DIR: a removal run for the copy kept in DIR
    char refused[64];    // the first word that is no valid switch (cut)
};

// Reads the next word of a Windows command line at *p by the C runtime's
// rules (blanks separate; "..." groups; 2n backslashes before a quote give n
// and the quote delimits, 2n+1 give n and a literal quote). Returns 0 at the
// end; a word longer than cap is cut.
int nextCommandWord(const char** p, char* out, size_t cap);
// Four decimal parts of 0 to 255 (up to three digits each, leading zeros
// allowed, as address lists carry them), nothing else: 1, and out holds the
// address in its one plain form ("192.168.001.020" gives "192.168.1.20"),
// which every reader takes as decimal. Else 0.
int canonicalAddress(const char* text, char* out, size_t cap);
// Parses the whole command line (the program's name first), every word of
// it: a bad word does not hide a /S or /log after it. Returns 1 when every
// word is a valid switch; 0 with `refused` naming the first that is not.
int parseCommandLine(const char* line, CommandLine* out);

#endif
