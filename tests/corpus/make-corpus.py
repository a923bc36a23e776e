#!/usr/bin/env python3
"""Write the corpus of broken and hostile driver packages for pkgcheck.

Usage:  python3 tests/corpus/make-corpus.py OUTDIR

Every package is a small variant of the demo package (examples/package): the
three OS folders with the ENGLISH folder only, the INF file that
examples/make-package.py writes for it and placeholder data-source files.
Each variant breaks one thing, mostly in WIN2K_XP\\ENGLISH\\EXIM_T.INF.

Each package folder gets a file EXPECT: its first line "exit N" (pkgcheck's
result for that root), then one line per finding that must appear. A line
holds fragments separated by "|" that must all appear, in that order, in one
output line of pkgcheck. Paths are as pkgcheck prints them, relative to the
package root, with backslashes.

The output is the same on every run (no clock, no randomness). OUTDIR is
replaced, but only when it is empty or was written by this script (it holds
the marker file CORPUS).

Standard library only.
"""

import hashlib
import os
import runpy
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = runpy.run_path(os.path.join(HERE, "..", "..", "examples",
                                   "make-package.py"))
INF_NAME = DEMO["INF_NAME"]
MODELS = DEMO["MODELS"]
OS_VARIANTS = DEMO["OS_VARIANTS"]
LANGUAGE = "ENGLISH"
MARKER = "CORPUS"

FOLDER = object()    # a value in a package dict: this path is a folder

XP = "WIN2K_XP\\ENGLISH\\EXIM_T.INF"        # the INF most variants break
NINE = "WIN98_ME\\ENGLISH\\EXIM_T.INF"
NINE_PATH = ("WIN98_ME", "ENGLISH", "EXIM_T.INF")


# ---------------------------------------------------------------------------
# Base package and edits
# ---------------------------------------------------------------------------

def base_package():
    """{path tuple: bytes or FOLDER} of the clean small package."""
    files = {}
    for variant in OS_VARIANTS:
        folder = (variant.folder, LANGUAGE)
        files[folder + (INF_NAME,)] = DEMO["inf_file"](variant, LANGUAGE)
        for model in MODELS:
            for name in model.files:
                files[folder + (name,)] = (
                    "corpus placeholder for %s\r\n" % name).encode("ascii")
    return files


def inf_path(os_folder="WIN2K_XP"):
    return (os_folder, LANGUAGE, INF_NAME)


def edit_inf(pkg, edit, os_folder="WIN2K_XP"):
    """Apply edit(list of lines) -> list of lines to one INF."""
    path = inf_path(os_folder)
    lines = pkg[path].decode("latin-1").split("\r\n")
    assert lines[-1] == ""
    lines = edit(lines[:-1])
    pkg[path] = ("\r\n".join(lines) + "\r\n").encode("latin-1")


def replace_line(old, new):
    """An edit that replaces one whole line (which must exist) by lines."""
    def edit(lines):
        assert old in lines, "no line %r in the demo INF" % old
        at = lines.index(old)
        return lines[:at] + ([new] if isinstance(new, str) else new) + \
            lines[at + 1:]
    return edit


def drop_lines(*olds):
    def edit(lines):
        for old in olds:
            assert old in lines, "no line %r in the demo INF" % old
        return [line for line in lines if line not in olds]
    return edit


def drop_section(name):
    """Removes a section's header and its lines up to the next one."""
    def edit(lines):
        header = "[%s]" % name
        assert header in lines, "no section %s in the demo INF" % name
        at = lines.index(header)
        end = at + 1
        while end < len(lines) and not lines[end].startswith("["):
            end += 1
        return lines[:at] + lines[end:]
    return edit


def add_to_section(name, *entries):
    """Appends lines at the end of a section (before its blank line)."""
    def edit(lines):
        at = lines.index("[%s]" % name) + 1
        while at < len(lines) and lines[at] and not lines[at].startswith("["):
            at += 1
        return lines[:at] + list(entries) + lines[at:]
    return edit


def dest(n, value):
    return replace_line("ScannerDS%d=10,TWAIN_32\\EXMFP%d" % (n, n),
                        "ScannerDS%d=%s" % (n, value))


def model_list(n, value, sections=("ModelList", "ModelList.NTx86")):
    """Replaces the model's line in the given ModelList sections."""
    model = next(m for m in MODELS if m.number == n)
    old = "%%MODELName%d%%=%s,%s" % (n, model.install_section,
                                     model.hardware_id)
    new = "%%MODELName%d%%=%s" % (n, value)

    def edit(lines):
        out, section, hits = [], None, 0
        for line in lines:
            if line.startswith("["):
                section = line[1:-1]
            if line == old and section in sections:
                line, hits = new, hits + 1
            out.append(line)
        assert hits, "no ModelList line of model %d" % n
        return out
    return edit


def name(n, value):
    model = next(m for m in MODELS if m.number == n)
    return replace_line('MODELName%d="%s"' % (n, model.name),
                        "MODELName%d=%s" % (n, value))


def prng(seed, length):
    out = b""
    block = 0
    while len(out) < length:
        out += hashlib.sha256(("%s/%d" % (seed, block)).encode()).digest()
        block += 1
    return out[:length]


# ---------------------------------------------------------------------------
# The variants: (folder name, change, expected result, expected findings)
# ---------------------------------------------------------------------------

def inf_change(*edits, os_folder="WIN2K_XP"):
    def change(pkg):
        for edit in edits:
            edit_inf(pkg, edit, os_folder)
    return change


def remove(*paths):
    def change(pkg):
        for path in paths:
            for key in [k for k in pkg if k[:len(path)] == path]:
                del pkg[key]
    return change


def combine(*changes):
    def change(pkg):
        for c in changes:
            c(pkg)
    return change


def put(path, value):
    def change(pkg):
        pkg[path] = value
    return change


def rename(old, new):
    def change(pkg):
        for key in [k for k in pkg if k[:len(old)] == old]:
            pkg[new + key[len(old):]] = pkg.pop(key)
    return change


def bom(path):
    def change(pkg):
        pkg[path] = b"\xef\xbb\xbf" + pkg[path]
    return change


def copy_inf(to):
    def change(pkg):
        pkg[to] = pkg[inf_path()]
    return change


def dest_error(n, *fragments):
    return "|".join(("%s: DestinationDirs/ScannerDS%d: error:" % (XP, n),)
                    + fragments)


UNSAFE = "is unsafe"
NOT_BELOW = "is not a folder of its own below TWAIN_32"
NOT_ONE = "is not exactly one plain folder below TWAIN_32"
NOT_BARE = "not a bare file name"
MISSING_FILE = "file missing beside the INF"

TEN_THOUSAND = ["F%05d.dll" % i for i in range(10000)]

VARIANTS = [
    # -- a clean package: warnings only (model 22 as in the demo)
    ("clean", None, 0, [
        "%s: ModelList.NTx86/%%MODELName22%%: warning:|only in ModelList.NTx86"
        % XP]),

    # -- things the installer copes with: warnings, result 0
    ("warnings-only", combine(
        rename(("WINVISTA", LANGUAGE), ("WINVISTA", "english")),
        put(("WIN2K_XP", "README.TXT"), b"notes\r\n"),
        inf_change(add_to_section("Strings", 'MODELName17="Old model"'),
                   dest(18, "10,TWAIN_32\\EXMFP16"),
                   name(21, '""'),
                   model_list(16, "EXMFP16.Install,USB\\VID_E7A1&PID_1601",
                              ("ModelList.NTx86",))),
        bom(NINE_PATH)),
     0, ["WINVISTA\\english: language folder: warning:|not in upper case",
         "WIN2K_XP\\README.TXT: language folder: warning:|plain file",
         "%s: Strings/MODELName17: warning:|only models 16, 18, 21 and 22"
         % XP,
         "%s: DestinationDirs/ScannerDS18: warning:|same data-source folder "
         "as model 16" % XP,
         "%s: Strings/MODELName21: warning:|empty display name" % XP,
         '%s: ModelList.NTx86/%%MODELName16%%: warning:|"USB\\VID_E7A1&'
         'PID_1601" differs' % XP,
         "%s: file: warning:|UTF-8 byte-order mark" % NINE]),

    # -- DestinationDirs
    ("dest-traversal", inf_change(dest(16, "10,TWAIN_32\\..\\..\\SYSTEM32")),
     1, [dest_error(16, '"TWAIN_32\\..\\..\\SYSTEM32"', UNSAFE)]),
    ("dest-absolute", inf_change(dest(16, "10,\\WINDOWS\\SYSTEM32")),
     1, [dest_error(16, UNSAFE)]),
    ("dest-drive-letter", inf_change(dest(16, "10,C:\\TWAIN_32\\EXMFP16")),
     1, [dest_error(16, UNSAFE)]),
    ("dest-system32", inf_change(dest(16, "10,SYSTEM32")),
     1, [dest_error(16, '"SYSTEM32"', NOT_BELOW)]),
    ("dest-twain32-alone", inf_change(dest(18, "10,TWAIN_32")),
     1, [dest_error(18, '"TWAIN_32"', NOT_BELOW)]),
    ("dest-missing", inf_change(drop_lines("ScannerDS18=10,TWAIN_32\\EXMFP18")),
     1, [dest_error(18, "missing")]),
    ("dest-one-field", inf_change(dest(21, "10")),
     1, [dest_error(21, "no second comma field")]),
    ("dest-too-deep", inf_change(dest(16, "10,TWAIN_32\\EXMFP16\\BIN")),
     1, [dest_error(16, NOT_ONE)]),
    ("dest-device-name", inf_change(dest(16, "10,TWAIN_32\\NUL")),
     1, [dest_error(16, '"TWAIN_32\\NUL"', NOT_ONE)]),
    ("dest-blank-after-comma", inf_change(dest(16, "10, TWAIN_32\\EXMFP16")),
     1, [dest_error(16, NOT_BELOW, "begins with a blank")]),
    ("dest-comment", inf_change(dest(16, "10,TWAIN_32\\EXMFP16 ; model 16")),
     1, [dest_error(16, "comment")]),
    ("dest-5000-characters", inf_change(dest(16, "10,TWAIN_32\\" + "A" * 5000)),
     1, [dest_error(16, "5012 characters", "cuts it at 1023")]),

    # -- ScannerDS%d sections and their files
    ("ds-traversal", inf_change(add_to_section(
        "ScannerDS16", "..\\..\\SYSTEM32\\KERNEL32.DLL")),
     1, ['%s: ScannerDS16/"..\\..\\SYSTEM32\\KERNEL32.DLL": error:|%s'
         % (XP, NOT_BARE)]),
    ("ds-absolute", inf_change(add_to_section(
        "ScannerDS16", "C:\\WINDOWS\\WIN.INI", "\\AUTOEXEC.BAT")),
     1, ['%s: ScannerDS16/"C:\\WINDOWS\\WIN.INI": error:|%s' % (XP, NOT_BARE),
         '%s: ScannerDS16/"\\AUTOEXEC.BAT": error:|%s' % (XP, NOT_BARE)]),
    ("ds-device-names", inf_change(add_to_section(
        "ScannerDS18", "CON", "NUL.ds", "COM1.dll")),
     1, ['%s: ScannerDS18/"CON": error:|%s' % (XP, NOT_BARE),
         '%s: ScannerDS18/"NUL.ds": error:|%s' % (XP, NOT_BARE),
         '%s: ScannerDS18/"COM1.dll": error:|%s' % (XP, NOT_BARE)]),
    ("ds-file-missing", remove(("WIN2K_XP", LANGUAGE, "EXMSC16.dll")),
     1, ['%s: ScannerDS16/"EXMSC16.dll": error:|%s' % (XP, MISSING_FILE)]),
    ("ds-data-source-missing", remove(("WIN98_ME", LANGUAGE, "EXMFP21.ds")),
     1, ['%s: ScannerDS21/"EXMFP21.ds": error:|%s' % (NINE, MISSING_FILE)]),
    ("ds-entry-is-folder", combine(
        remove(("WIN2K_XP", LANGUAGE, "EXMFP18.lng")),
        put(("WIN2K_XP", LANGUAGE, "EXMFP18.lng"), FOLDER)),
     1, ['%s: ScannerDS18/"EXMFP18.lng": error:|is a folder' % XP]),
    ("ds-no-data-source", inf_change(drop_lines("EXMFP16.ds")),
     1, ["%s: ScannerDS16/*: error:|no data-source entry" % XP]),
    ("ds-two-data-sources", combine(
        inf_change(add_to_section("ScannerDS16", "EXMFP16B.DS")),
        put(("WIN2K_XP", LANGUAGE, "EXMFP16B.DS"), b"second data source\r\n")),
     1, ['%s: ScannerDS16/*: error:|several data-source entries|'
         '"EXMFP16.ds", "EXMFP16B.DS"' % XP]),
    ("ds-section-missing", inf_change(drop_section("ScannerDS21")),
     1, ["%s: ScannerDS21/*: error:|section missing or empty" % XP]),
    ("ds-10000-entries", inf_change(add_to_section("ScannerDS16",
                                                   *TEN_THOUSAND)),
     1, ["%s: ScannerDS16/*: error:|so it is cut|of 10004 entries are lost"
         % XP,
         "%s: ScannerDS16/*: error:|more entries" % XP]),
    ("ds-entry-100-fields", inf_change(replace_line(
        "EXMFP18.ds", "EXMFP18.ds" + ",0" * 99)),
     1, ['%s: ScannerDS18/"EXMFP18.ds,0,0,0|%s|commas included'
         % (XP, MISSING_FILE),
         "%s: ScannerDS18/*: error:|no data-source entry" % XP]),
    ("ds-entry-with-equals", inf_change(replace_line(
        "EXMFP21.hlp", "EXMFP21.hlp = 1")),
     1, ['%s: ScannerDS21/"EXMFP21.hlp|%s|key=value' % (XP, MISSING_FILE)]),
    ("ds-entry-comment", inf_change(replace_line(
        "EXMCAL22.dat", "EXMCAL22.dat ; calibration")),
     1, ['%s: ScannerDS22/"EXMCAL22.dat ; calibration": error:|%s|comment'
         % (XP, MISSING_FILE)]),

    # -- ModelList and hardware ids
    ("modellist-missing", inf_change(drop_lines(
        "%MODELName18%=EXMFP18.Install,USB\\VID_E7A1&PID_1800")),
     1, ["%s: ModelList/%%MODELName18%%: error:|no entry in ModelList or "
         "ModelList.NTx86" % XP]),
    ("modellist-100-empty-fields", inf_change(model_list(
        16, "," * 100 + "USB\\VID_E7A1&PID_1600")),
     1, ["%s: ModelList/%%MODELName16%%: error:|no second comma field" % XP]),
    ("hwid-without-pid", inf_change(model_list(
        16, "EXMFP16.Install,USB\\VID_E7A1&REV_0001")),
     1, ['%s: ModelList/%%MODELName16%%: error:|has no "PID_" field' % XP]),
    ("hwid-without-ampersand", inf_change(model_list(
        18, "EXMFP18.Install,USB\\VID_E7A1")),
     1, ['%s: ModelList/%%MODELName18%%: error:|has no "PID_" field' % XP]),
    ("hwid-lowercase-pid", inf_change(model_list(
        21, "EXMFP21.Install,USB\\VID_E7A1&pid_2100")),
     1, ['%s: ModelList/%%MODELName21%%: error:|has no "PID_" field|'
         'case matters' % XP]),
    ("pid-over-16-bits", inf_change(model_list(
        16, "EXMFP16.Install,USB\\VID_E7A1&PID_12345")),
     1, ["%s: ModelList/%%MODELName16%%: error:|does not fit 16 bits|"
         "sends 0x2345" % XP]),
    ("pid-not-hex", inf_change(model_list(
        16, "EXMFP16.Install,USB\\VID_E7A1&PID_16G0")),
     1, ["%s: ModelList/%%MODELName16%%: error:|not plain hexadecimal|"
         "sends 0x0016" % XP]),
    ("hwid-too-long", inf_change(model_list(
        16, "EXMFP16.Install,USB\\VID_E7A1&PID_1600&REV_0001&MI_00&"
            "COL01&SERIAL_0123456789ABCDEF")),
     1, ["%s: ModelList/%%MODELName16%%: error:|longer than 63" % XP]),
    ("hwid-blank-after-comma", inf_change(model_list(
        18, "EXMFP18.Install, USB\\VID_E7A1&PID_1800")),
     1, ["%s: ModelList/%%MODELName18%%: error:|begins or ends with a blank"
         % XP]),
    ("hwid-only-in-ntx86", inf_change(model_list(
        16, "EXMFP16.Install,USB\\VID_E7A1&PID_16000", ("ModelList.NTx86",)),
        drop_lines("%MODELName16%=EXMFP16.Install,USB\\VID_E7A1&PID_1600")),
     1, ["%s: ModelList.NTx86/%%MODELName16%%: warning:|only in "
         "ModelList.NTx86" % XP,
         "%s: ModelList.NTx86/%%MODELName16%%: error:|does not fit 16 bits"
         % XP]),

    # -- model names
    ("name-error", inf_change(name(16, '"Error"')),
     1, ['%s: Strings/MODELName16: error:|exactly "Error"' % XP]),
    ("names-missing", inf_change(drop_lines(*['MODELName%d="%s"' % (
        m.number, m.name) for m in MODELS])),
     1, ["%s: Strings/MODELName*: error:|no model is named" % XP,
         "%s: Strings/MODELName16: warning:|never offered" % XP]),
    ("name-64-characters", inf_change(name(21, "N" * 64)),
     1, ["%s: Strings/MODELName21: error:|64 characters; the installer "
         "keeps 63" % XP]),
    ("name-5000-characters", inf_change(name(18, "L" * 5000)),
     1, ["%s: Strings/MODELName18: error:|5000 characters|profile reader "
         "1023" % XP]),

    # -- the INF file itself
    ("inf-binary", put(inf_path(), prng("binary", 4096)),
     1, ["%s: file: error:|binary content" % XP]),
    ("inf-utf16", put(inf_path(), b"\xff\xfe" + DEMO["inf_file"](
        OS_VARIANTS[1], LANGUAGE).decode("ascii").encode("utf-16-le")),
     1, ["%s: file: error:|UTF-16" % XP]),
    ("inf-utf16-without-bom", put(inf_path(), DEMO["inf_file"](
        OS_VARIANTS[1], LANGUAGE).decode("ascii").encode("utf-16-le")),
     1, ["%s: file: error:|binary content" % XP]),
    ("inf-no-sections", put(inf_path(), b"; only a comment\r\nKey=Value\r\n"),
     1, ["%s: file: error:|finds no section" % XP]),
    ("inf-over-64k-on-9x", inf_change(
        lambda lines: lines + ["[Padding]"] +
        ["Line%05d=%s" % (i, "P" * 60) for i in range(1100)],
        os_folder="WIN98_ME"),
     1, ["%s: file: error:|at most 64 KB" % NINE]),
    ("inf-is-folder", combine(remove(inf_path()), put(inf_path(), FOLDER)),
     1, ["%s: *_T.INF: error:|a folder named like the INF" % XP,
         "WIN2K_XP\\ENGLISH: *_T.INF: error:|no INF file"]),
    ("inf-missing", remove(inf_path("WINVISTA")),
     1, ["WINVISTA\\ENGLISH: *_T.INF: error:|no INF file"]),
    ("inf-two", copy_inf(("WIN2K_XP", LANGUAGE, "OTHER_T.INF")),
     1, ["WIN2K_XP\\ENGLISH: *_T.INF: error:|several INF files"]),

    # -- OS and language folders
    ("os-missing", remove(("WINVISTA",)),
     1, ["WINVISTA: OS folder: error:|missing"]),
    ("os-empty", combine(remove(("WIN98_ME",)), put(("WIN98_ME",), FOLDER)),
     1, ["WIN98_ME: OS folder: error:|holds no language folder"]),
    ("os-is-file", combine(remove(("WIN98_ME",)),
                           put(("WIN98_ME",), b"not a folder\r\n")),
     1, ["WIN98_ME: OS folder: error:|is a file"]),
    ("os-all-missing", remove(("WIN98_ME",), ("WIN2K_XP",), ("WINVISTA",)),
     1, ["WIN98_ME: OS folder: error:|missing",
         "WIN2K_XP: OS folder: error:|missing",
         "WINVISTA: OS folder: error:|missing"]),
    ("lang-not-in-table", combine(
        put(("WIN2K_XP", "KLINGON"), FOLDER),
        put(("WIN2K_XP", "ENGLISH_OLD"), FOLDER)),
     1, ["WIN2K_XP\\KLINGON: language folder: error:|not in the language "
         "table",
         "WIN2K_XP\\ENGLISH_OLD: language folder: error:|not in the language "
         "table"]),
    ("lang-reserved-names", combine(
        put(("WIN2K_XP", "CON"), FOLDER), put(("WIN2K_XP", "COM1"), FOLDER)),
     1, ["WIN2K_XP\\CON: language folder: error:|not in the language table",
         "WIN2K_XP\\COM1: language folder: error:|not in the language "
         "table"]),
    ("lang-twice", copy_inf(("WIN2K_XP", "english", INF_NAME)),
     1, ["WIN2K_XP\\ENGLISH: language folder: error:|listed twice",
         "WIN2K_XP\\english: language folder: warning:|not in upper case"]),
    ("lang-plain-file", put(("WINVISTA", "GERMAN"), b"not a folder\r\n"),
     1, ["WINVISTA\\GERMAN: language folder: error:|a file, not a folder"]),
]


# ---------------------------------------------------------------------------
# Writing
# ---------------------------------------------------------------------------

def clear_output(out_dir):
    if not os.path.exists(out_dir):
        return
    if os.listdir(out_dir) and not os.path.isfile(
            os.path.join(out_dir, MARKER)):
        sys.exit("make-corpus: %s holds files this script did not write; "
                 "not deleting it" % out_dir)
    shutil.rmtree(out_dir)


def write_package(root, files):
    os.makedirs(root, exist_ok=True)
    # Folders first, so that a file path never runs into a folder entry.
    for path in sorted(files, key=lambda p: (len(p), p)):
        target = os.path.join(root, *path)
        if files[path] is FOLDER:
            os.makedirs(target, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as handle:
            handle.write(files[path])


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-corpus.py OUTDIR")
    out_dir = os.path.abspath(sys.argv[1])
    names = [v[0] for v in VARIANTS]
    assert len(names) == len(set(names)), "variant names must be unique"
    clear_output(out_dir)
    os.makedirs(out_dir)
    with open(os.path.join(out_dir, MARKER), "w") as handle:
        handle.write("Written by tests/corpus/make-corpus.py; regenerated on "
                     "every test run.\n")
    for number, (label, change, result, expected) in enumerate(VARIANTS):
        files = base_package()
        if change:
            change(files)
        root = os.path.join(out_dir, "%02d-%s" % (number, label))
        write_package(root, files)
        with open(os.path.join(root, "EXPECT"), "w", newline="\n") as handle:
            handle.write("exit %d\n" % result)
            for line in expected:
                handle.write(line + "\n")
    print("make-corpus: wrote %d packages to %s" % (len(VARIANTS), out_dir))


if __name__ == "__main__":
    main()
