#!/usr/bin/env python3
"""Write the demo driver package examples/package/ from scratch.

The package is what TwainSetup.exe expects to find in the folder it is started
from: one folder per Windows family, one folder per language under it, and in
every language folder an INF file (EXIM_T.INF) plus the data-source files it
lists for each model.  The maker ("Example Imaging"), its models and every file
are fictional; file contents are generated from fixed seeds, so two runs write
identical bytes.

Usage:  python3 examples/make-package.py [--out DIR]

Without --out the tree is written to package/ beside this script.  An existing
output folder is deleted first, but only when it holds nothing except the three
OS folders; anything else makes the script stop without touching it.

Standard library only.
"""

import argparse
import hashlib
import os
import shutil
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# The fictional product line
# ---------------------------------------------------------------------------

MAKER = "Example Imaging"
INF_NAME = "EXIM_T.INF"          # the installer opens the first "*_T.INF"
USB_VID = "E7A1"                  # one vendor id for the maker
SHARED_RES = "EXMRES.dll"         # resource library shared by every model


class Model:
    """One scanner model: its INF number, names, USB product id and files."""

    def __init__(self, number, name, pid, folder, files, max_dpi, duplex):
        self.number = number      # n of MODELName%d / ScannerDS%d
        self.name = name          # display name (Strings MODELName%d)
        self.pid = pid            # 4 hex digits of PID_xxxx
        self.folder = folder      # folder under <Windows>\TWAIN_32
        self.files = files        # entries of section ScannerDS%d, in order
        self.max_dpi = max_dpi
        self.duplex = duplex

    @property
    def ds_file(self):
        return next(f for f in self.files if f.split(".")[1].upper() == "DS")

    @property
    def hardware_id(self):
        return "USB\\VID_%s&PID_%s" % (USB_VID, self.pid)

    @property
    def install_section(self):
        return "%s.Install" % self.folder


# Model 22 lists its data source second, after its transport helper: the
# installer must look at every entry, not only the first, to find the DS.
MODELS = [
    Model(16, "Example MFP 1600 Series", "1600", "EXMFP16",
          ["EXMFP16.ds", "EXMSC16.dll", SHARED_RES, "EXMFP16.lng"], 600, False),
    Model(18, "Example MFP 1800 Series", "1800", "EXMFP18",
          ["EXMFP18.ds", "EXMSC18.dll", SHARED_RES, "EXMFP18.lng"], 600, True),
    Model(21, "Example MFP 2100 Series", "2100", "EXMFP21",
          ["EXMFP21.ds", "EXMSC21.dll", SHARED_RES, "EXMFP21.hlp"], 1200, False),
    Model(22, "Example MFP 2200 Series", "2200", "EXMFP22",
          ["EXMSC22.dll", "EXMFP22.ds", SHARED_RES, "EXMCAL22.dat"], 1200, True),
]

# The 25 language folders, in the order of the installer's language table.
ALL_LANGUAGES = [
    "THAI", "T_CHINESE", "SWEDISH", "SPANISH", "SLOVAKIAN", "S_CHINESE",
    "RUSSIAN", "ROMANIAN", "PORTUGUESE", "POLISH", "NORWEGIAN", "LITHUANIAN",
    "KOREAN", "JAPANESE", "ITALIAN", "HUNGARIAN", "GERMAN", "FRENCH",
    "FINNISH", "ENGLISH", "DUTCH", "DANISH", "CZECH", "ARABIC", "TURKISH",
]
SHORT_LANGUAGES = ["ENGLISH", "GERMAN", "FRENCH", "JAPANESE", "ARABIC"]

# Name of the driver disk in [Strings] DiskName.  Plain ASCII only: the INF is
# ANSI text read under any code page, so accents are dropped and languages in
# other scripts keep the English text.
DISK_NAMES = {
    "CZECH": "Disk s ovladacem skeneru %s",
    "DANISH": "Disk med scannerdriver fra %s",
    "DUTCH": "Schijf met scannerstuurprogramma van %s",
    "FINNISH": "%s skanneriajurin levy",
    "FRENCH": "Disque du pilote de scanner %s",
    "GERMAN": "%s Scannertreiber-Datentraeger",
    "HUNGARIAN": "%s lapolvaso-illesztoprogram lemez",
    "ITALIAN": "Disco del driver dello scanner %s",
    "LITHUANIAN": "%s skaitytuvo tvarkykles diskas",
    "NORWEGIAN": "Disk med skannerdriver fra %s",
    "POLISH": "Dysk sterownika skanera %s",
    "PORTUGUESE": "Disco do driver do scanner %s",
    "ROMANIAN": "Disc cu driverul scanerului %s",
    "SLOVAKIAN": "Disk s ovladacom skenera %s",
    "SPANISH": "Disco del controlador del escaner %s",
    "SWEDISH": "Disk med skannerdrivrutin fran %s",
    "TURKISH": "%s tarayici surucusu diski",
}
DISK_NAME_ENGLISH = "%s Scanner Driver Disk"

# Windows ANSI code page of each language, written into the .lng files.
CODE_PAGES = {
    "THAI": 874, "T_CHINESE": 950, "S_CHINESE": 936, "JAPANESE": 932,
    "KOREAN": 949, "RUSSIAN": 1251, "ARABIC": 1256, "TURKISH": 1254,
    "CZECH": 1250, "SLOVAKIAN": 1250, "POLISH": 1250, "HUNGARIAN": 1250,
    "ROMANIAN": 1250, "LITHUANIAN": 1257,
}


class OsVariant:
    """One OS folder: INF flavour and the languages it carries."""

    def __init__(self, folder, signature, driver_ver, languages, nt_only):
        self.folder = folder
        self.signature = signature
        self.driver_ver = driver_ver
        self.languages = languages
        # Models whose entry stands only in [ModelList.NTx86].
        self.nt_only = nt_only

    @property
    def is_nt(self):
        return self.signature == "$Windows NT$"


OS_VARIANTS = [
    OsVariant("WIN98_ME", "$CHICAGO$", "10/05/2007,1.20.0.0",
              SHORT_LANGUAGES, ()),
    OsVariant("WIN2K_XP", "$Windows NT$", "06/16/2008,2.10.0.0",
              ALL_LANGUAGES, (22,)),
    OsVariant("WINVISTA", "$Windows NT$", "03/20/2009,3.00.0.0",
              SHORT_LANGUAGES, (22,)),
]

# Class GUID of the Image (still image) setup class.
IMAGE_CLASS_GUID = "{6bdd1fc6-810f-11d0-bec7-08002be2092f}"

# ---------------------------------------------------------------------------
# Deterministic byte sources
# ---------------------------------------------------------------------------


def prng_bytes(seed, length):
    """Pseudo-random bytes: SHA-256 of the seed text and a block counter.

    Unlike the random module, this gives the same bytes on every Python
    version and platform.
    """
    out = bytearray()
    block = 0
    key = seed.encode("ascii")
    while len(out) < length:
        out += hashlib.sha256(key + struct.pack("<I", block)).digest()
        block += 1
    return bytes(out[:length])


def fixed_text(text, width):
    """ASCII text, NUL-padded (and cut) to a fixed field width."""
    raw = text.encode("ascii")[: width - 1]
    return raw + b"\0" * (width - len(raw))


def crlf(lines):
    """Join text lines with CRLF, ending with one; ASCII is enforced."""
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


# ---------------------------------------------------------------------------
# File contents
# ---------------------------------------------------------------------------

# TWAIN capability ids and item types used in the data-source capability table.
TWTY_BOOL, TWTY_UINT16, TWTY_FIX32 = 6, 4, 7
CAP_FEEDERENABLED, CAP_DUPLEXENABLED = 0x1002, 0x1013
ICAP_PIXELTYPE, ICAP_UNITS = 0x0101, 0x0102
ICAP_BRIGHTNESS, ICAP_CONTRAST = 0x1101, 0x1103
ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT = 0x1111, 0x1112
ICAP_XRESOLUTION, ICAP_YRESOLUTION = 0x1118, 0x1119
ICAP_BITDEPTH = 0x112B


def fix32(value):
    """TWAIN FIX32 (16.16 fixed point) of an integer or a fraction in 1/100."""
    whole, hundredths = divmod(value, 100)
    return (whole << 16) | (hundredths * 65536 // 100)


def data_source(model, os_variant, language):
    """The data source (.ds): header, capability table, strings, code image.

    The header names the model, its OS folder and language, so a copied file
    shows which language folder it came from.
    """
    caps = [
        # id, type, default, minimum, maximum
        (ICAP_XRESOLUTION, TWTY_FIX32, fix32(20000), fix32(7500),
         fix32(model.max_dpi * 100)),
        (ICAP_YRESOLUTION, TWTY_FIX32, fix32(20000), fix32(7500),
         fix32(model.max_dpi * 100)),
        (ICAP_PIXELTYPE, TWTY_UINT16, 2, 0, 2),
        (ICAP_BITDEPTH, TWTY_UINT16, 24, 1, 24),
        (ICAP_UNITS, TWTY_UINT16, 0, 0, 5),
        (ICAP_BRIGHTNESS, TWTY_FIX32, 0, fix32(-1000) & 0xFFFFFFFF,
         fix32(1000)),
        (ICAP_CONTRAST, TWTY_FIX32, 0, fix32(-1000) & 0xFFFFFFFF,
         fix32(1000)),
        (ICAP_PHYSICALWIDTH, TWTY_FIX32, fix32(850), fix32(100), fix32(850)),
        (ICAP_PHYSICALHEIGHT, TWTY_FIX32, fix32(1400), fix32(100),
         fix32(1400)),
        (CAP_FEEDERENABLED, TWTY_BOOL, 0, 0, 1),
        (CAP_DUPLEXENABLED, TWTY_BOOL, 0, 0, 1 if model.duplex else 0),
    ]
    cap_table = b"".join(struct.pack("<HHIII", *cap) for cap in caps)

    strings = [
        "Manufacturer=" + MAKER,
        "ProductFamily=Example MFP",
        "ProductName=" + model.name,
        "SettingsFile=%s.INI" % model.ds_file.split(".")[0],
        "HardwareId=" + model.hardware_id,
        "DiscoveryRequestPort=4568",
        "DiscoveryReplyPort=4569",
        "Language=" + language,
        "Platform=" + os_variant.folder,
    ]
    string_block = b"".join(s.encode("ascii") + b"\0" for s in strings) + b"\0"

    code_size = 10240 + 2048 * MODELS.index(model)
    code = prng_bytes("ds/%s/%s/%s" % (os_variant.folder, language,
                                       model.folder), code_size)

    payload = cap_table + string_block + code
    header = b"".join([
        b"EXDS",
        struct.pack("<HHHH", 1, 256, model.number, len(caps)),
        struct.pack("<III", len(payload), zlib.crc32(payload),
                    int(model.pid, 16)),
        struct.pack("<HH", 1, 9),               # TWAIN protocol 1.9
        fixed_text(MAKER, 32),
        fixed_text(model.name, 64),
        fixed_text(os_variant.folder, 16),
        fixed_text(language, 16),
        fixed_text(os_variant.driver_ver.split(",")[1], 16),
    ])
    header += b"\0" * (256 - len(header))
    return header + payload


def transport_helper(model, os_variant):
    """The scan transport helper (EXMSCnn.dll): network and USB I/O code."""
    text = ("%s network scan transport for the %s; UDP discovery on port "
            "4568, replies on 4569; USB %s." % (MAKER, model.name,
                                               model.hardware_id))
    body = prng_bytes("sc/%s/%s" % (os_variant.folder, model.folder),
                      6144 + 1024 * MODELS.index(model))
    header = (b"EXSC" + struct.pack("<HHI", 1, model.number, len(body))
              + fixed_text(text, 180))
    return header + body


def shared_resources():
    """EXMRES.dll: shared icons and dialog bitmaps, the same in every folder."""
    icons = bytearray()
    # Four 32x32 8-bit icons drawn from simple integer patterns.
    for icon in range(4):
        for y in range(32):
            for x in range(32):
                ring = max(abs(2 * x - 31), abs(2 * y - 31)) // 2
                icons.append((ring * 16 + icon * 40 + (x ^ y)) & 0xFF)
    bitmap = prng_bytes("res/banner", 6144)
    header = (b"EXRS" + struct.pack("<HHII", 1, 2, len(icons), len(bitmap))
              + fixed_text(MAKER + " shared resources", 48))
    return header + bytes(icons) + bitmap


UI_STRINGS = [
    "Scan", "Preview", "Cancel", "Close", "Help", "Settings", "Advanced",
    "Scanner address", "Search the network", "Resolution", "Colour mode",
    "Black and white", "Greyscale", "Colour", "Brightness", "Contrast",
    "Original size", "A4", "A5", "Letter", "Legal", "Document feeder",
    "Flatbed", "Duplex", "Single-sided", "Paper source", "Sharpness",
    "Descreen", "Remove background", "Auto crop", "Rotate", "Save settings",
    "Restore defaults", "Scanning page %d", "Transferring image...",
    "The scanner did not answer. Check the network cable and the address.",
    "The document feeder is empty.", "Paper jam in the document feeder.",
    "The scanner is busy. Try again later.", "Scanner found at %s",
    "No scanner was found on the network.", "Units", "Inches",
    "Centimetres", "Pixels", "Threshold", "Gamma", "Highlight", "Shadow",
]


TOOLTIPS = [
    "Starts the scan with the settings shown",
    "Scans a quick low-resolution image to choose the area",
    "Closes the dialog without scanning",
    "Shows the help topics of this driver",
    "Dots per inch: higher values give finer detail and larger files",
    "Chooses black and white, greyscale or colour",
    "Makes the image lighter or darker",
    "Increases or reduces the difference between light and dark areas",
    "Size of the original; the scan area follows it",
    "Scans the sheets loaded in the document feeder",
    "Scans the original on the glass",
    "Scans both sides of every sheet",
    "Reduces the moire pattern of printed pictures",
    "Whitens the paper colour of the original",
    "Finds the edges of the original and crops the image to them",
    "Keeps the current settings for the next scan",
    "Returns every setting to its factory value",
    "Network address of the scanner, for example 192.168.1.20",
    "Looks for scanners of this model in the local network",
]

# Paper sizes in tenths of a millimetre.
PAPER_SIZES = [
    ("A4", 2100, 2970), ("A5", 1480, 2100), ("B5", 1820, 2570),
    ("Letter", 2159, 2794), ("Legal", 2159, 3556),
    ("Executive", 1842, 2667), ("Postcard", 1000, 1480),
]
RESOLUTIONS = [75, 100, 150, 200, 300, 400, 600, 1200]


def language_file(model, os_variant, language):
    """EXMFPnn.lng: the user-interface texts of the data source."""
    lines = [
        "; %s user-interface texts" % model.name,
        "[Language]",
        "Folder=%s" % language,
        "CodePage=%d" % CODE_PAGES.get(language, 1252),
        "Platform=%s" % os_variant.folder,
        "",
        "[Strings]",
    ]
    for index, text in enumerate(UI_STRINGS):
        lines.append("%d=\"%s\"" % (1000 + index, text))
    lines += ["", "[Tooltips]"]
    for index, text in enumerate(TOOLTIPS):
        lines.append("%d=\"%s\"" % (2000 + index, text))
    lines += ["", "[PaperSizes]"]
    for name, width, height in PAPER_SIZES:
        lines.append("%s=%d,%d" % (name, width, height))
    lines += ["", "[Resolutions]"]
    for number, dpi in enumerate(d for d in RESOLUTIONS if d <= model.max_dpi):
        lines.append("%d=%d" % (number, dpi))
    lines += ["", "[Model]", "Name=\"%s\"" % model.name,
              "MaxResolution=%d" % model.max_dpi,
              "Duplex=%d" % (1 if model.duplex else 0)]
    return crlf(lines)


HELP_TOPICS = [
    ("Getting started",
     "Open the scanning dialog from any TWAIN-compatible application, usually "
     "with the menu command File > Acquire or File > Import > Scanner. Place "
     "the original on the glass or in the document feeder, choose the "
     "settings and press Scan."),
    ("Choosing the resolution",
     "Use 150 or 200 dpi for documents that are read on screen, 300 dpi for "
     "documents that are printed or passed to text recognition, and the "
     "highest resolution only for small photographs."),
    ("Colour modes",
     "Black and white gives the smallest files and suits text. Greyscale "
     "keeps shades, for example of pencil drawings. Colour records 24 bits "
     "per pixel."),
    ("Scanning over the network",
     "The driver reaches the scanner at the address entered during setup. "
     "When the address of the scanner changes, run the setup program again "
     "and choose the same model: the address can be entered again or found "
     "with Search."),
    ("Document feeder and duplex",
     "Load up to 50 sheets face up. Models with duplex scanning turn the "
     "sheet and scan the back side in the same pass."),
    ("Troubleshooting",
     "If the scanner does not answer, check that it is switched on, that its "
     "network cable is connected and that the computer and the scanner are "
     "in the same network segment. A firewall must allow UDP ports 4568 and "
     "4569 for the search."),
]


def help_file(model, os_variant, language):
    """EXMFPnn.hlp: the help topics of the data source, as text."""
    lines = [
        "EXHLP 1.0",
        "Title=%s TWAIN Driver Help" % model.name,
        "Language=%s" % language,
        "Platform=%s" % os_variant.folder,
        "",
    ]
    for number, (title, body) in enumerate(HELP_TOPICS, start=1):
        lines.append("#TOPIC %d %s" % (number, title))
        words = body.split()
        line = ""
        for word in words:
            if len(line) + len(word) + 1 > 72:
                lines.append(line)
                line = word
            else:
                line = (line + " " + word).strip()
        lines += [line, ""]
    lines.append("#TOPIC %d Technical data" % (len(HELP_TOPICS) + 1))
    lines.append("Model: %s" % model.name)
    lines.append("Optical resolution: %d dpi" % model.max_dpi)
    lines.append("Duplex scanning: %s" % ("yes" if model.duplex else "no"))
    lines.append("Hardware id: %s" % model.hardware_id)
    lines.append("Resolutions offered: %s dpi" % ", ".join(
        str(d) for d in RESOLUTIONS if d <= model.max_dpi))
    for name, width, height in PAPER_SIZES:
        lines.append("Paper size %s: %d.%d x %d.%d mm" % (
            name, width // 10, width % 10, height // 10, height % 10))
    lines += ["", "#END"]
    return crlf(lines)


def calibration_file(model):
    """EXMCALnn.dat: tone curves and a shading table, from integer math."""
    curves = bytearray()
    # Linear, gamma 2.0 (square root) and the mean of both: 256 x u16 each.
    for i in range(256):
        curves += struct.pack("<H", i * 257)
    for i in range(256):
        curves += struct.pack("<H", _isqrt(i * 65535 * 65535 // 255))
    for i in range(256):
        curves += struct.pack("<H", (i * 257 + _isqrt(i * 65535 * 65535 // 255))
                              // 2)
    # Shading correction across the sensor: a flat parabola plus noise.
    width = 2560
    noise = prng_bytes("cal/%s" % model.folder, width)
    shading = bytearray()
    centre = width // 2
    for x in range(width):
        value = 60000 - (x - centre) * (x - centre) * 4000 // (centre * centre)
        shading += struct.pack("<H", value + noise[x] // 8)
    header = (b"EXCAL" + struct.pack("<BHHH", 1, model.number, 3, width)
              + fixed_text(model.name, 40))
    return header + bytes(curves) + bytes(shading)


def _isqrt(n):
    """Integer square root (math.isqrt needs Python 3.8)."""
    if n < 2:
        return n
    x = n
    y = (x + 1) // 2
    while y < x:
        x = y
        y = (x + n // x) // 2
    return x


def file_content(name, model, os_variant, language):
    """Bytes of one data-source file, chosen by its name."""
    if name == SHARED_RES:
        return shared_resources()
    extension = name.rsplit(".", 1)[1].lower()
    if extension == "ds":
        return data_source(model, os_variant, language)
    if extension == "dll":
        return transport_helper(model, os_variant)
    if extension == "lng":
        return language_file(model, os_variant, language)
    if extension == "hlp":
        return help_file(model, os_variant, language)
    if extension == "dat":
        return calibration_file(model)
    raise ValueError("no generator for %s" % name)


# ---------------------------------------------------------------------------
# The INF file
# ---------------------------------------------------------------------------


def inf_file(os_variant, language):
    """EXIM_T.INF of one language folder, as CRLF ANSI text.

    No comment stands inside the sections that the installer reads
    (ModelList, ModelList.NTx86, DestinationDirs, ScannerDS%d, Strings), and
    no blank follows a comma there: profile reads take every line of a
    section whole, and fields are not trimmed.
    """
    nt = os_variant.is_nt
    out = [
        "; %s - TWAIN scanner driver for %s network MFPs" % (INF_NAME, MAKER),
        "; Platform: %s, language: %s" % (os_variant.folder, language),
        "; Demo package; every file of it is generated.",
        "",
        "[Version]",
        "Signature=\"%s\"" % os_variant.signature,
        "Class=Image",
        "ClassGuid=%s" % IMAGE_CLASS_GUID,
        "Provider=%Mfg%",
        "DriverVer=%s" % os_variant.driver_ver,
    ]
    if os_variant.folder == "WINVISTA":
        out.append("PnpLockdown=1")
    out += [
        "",
        "[ControlFlags]",
        "ExcludeFromSelect=*",
        "",
        "[Manufacturer]",
        "%Mfg%=ModelList,NTx86",
        "",
        "[ModelList]",
    ]
    for model in MODELS:
        if model.number not in os_variant.nt_only:
            out.append("%%MODELName%d%%=%s,%s" % (
                model.number, model.install_section, model.hardware_id))
    out += ["", "[ModelList.NTx86]"]
    for model in MODELS:
        out.append("%%MODELName%d%%=%s,%s" % (
            model.number, model.install_section, model.hardware_id))

    for model in MODELS:
        out += [
            "",
            "[%s]" % model.install_section,
        ]
        if nt:
            out += ["Include=sti.inf", "Needs=STI.USBSection"]
        out += [
            "SubClass=StillImage",
            "DeviceType=1",
            "DeviceSubType=0x1",
            "Capabilities=0x0",
            "DeviceData=%s.DeviceData" % model.folder,
            "AddReg=%s" % ("EXIM.AddReg" if nt else "EXIM.AddReg.9x"),
            "CopyFiles=ScannerDS%d" % model.number,
        ]
        if nt:
            out += [
                "",
                "[%s.Services]" % model.install_section,
                "Include=sti.inf",
                "Needs=STI.USBSection.Services",
            ]
        out += [
            "",
            "[%s.DeviceData]" % model.folder,
            "TwainDS=\"TWAIN_32\\%s\\%s\"" % (model.folder, model.ds_file),
        ]

    out += [
        "",
        "[EXIM.AddReg%s]" % ("" if nt else ".9x"),
        "HKR,,HardwareConfig,1,4",
    ]
    if not nt:
        out += [
            "HKR,,DevLoader,,*NTKERN",
            "HKR,,NTMPDriver,,\"usbscan.sys\"",
        ]
    out += [
        "HKR,,Vendor,,%Mfg%",
        "",
        "[DestinationDirs]",
        "DefaultDestDir=11",
    ]
    for model in MODELS:
        out.append("ScannerDS%d=10,TWAIN_32\\%s" % (model.number, model.folder))
    for model in MODELS:
        out += ["", "[ScannerDS%d]" % model.number] + model.files

    out += [
        "",
        "[SourceDisksNames]",
        "1=%DiskName%,,,",
        "",
        "[SourceDisksFiles]",
    ]
    seen = []
    for model in MODELS:
        for name in model.files:
            if name not in seen:
                seen.append(name)
                out.append("%s=1" % name)

    disk_name = DISK_NAMES.get(language, DISK_NAME_ENGLISH) % MAKER
    out += [
        "",
        "[Strings]",
        "Mfg=\"%s\"" % MAKER,
        "DiskName=\"%s\"" % disk_name,
    ]
    for model in MODELS:
        out.append("MODELName%d=\"%s\"" % (model.number, model.name))
    return crlf(out)


# ---------------------------------------------------------------------------
# Writing the tree
# ---------------------------------------------------------------------------


def package_files():
    """Every file of the package as (relative path parts, bytes), in order."""
    for os_variant in OS_VARIANTS:
        for language in os_variant.languages:
            base = (os_variant.folder, language)
            yield base + (INF_NAME,), inf_file(os_variant, language)
            written = set()
            for model in MODELS:
                for name in model.files:
                    if name in written:
                        continue
                    written.add(name)
                    yield base + (name,), file_content(name, model, os_variant,
                                                       language)


def clear_output(out_dir):
    """Remove an earlier package at out_dir; refuse anything else."""
    if not os.path.exists(out_dir):
        return
    if not os.path.isdir(out_dir):
        sys.exit("make-package: %s exists and is not a folder" % out_dir)
    allowed = {variant.folder for variant in OS_VARIANTS}
    strangers = sorted(set(os.listdir(out_dir)) - allowed)
    if strangers:
        sys.exit("make-package: %s holds %s, which this script did not write;"
                 " not deleting it" % (out_dir, ", ".join(strangers)))
    shutil.rmtree(out_dir)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(
        description="Write the demo driver package.")
    parser.add_argument("--out", default=os.path.join(here, "package"),
                        help="output folder (default: package/ beside "
                             "this script)")
    args = parser.parse_args()

    clear_output(args.out)
    count = total = 0
    for parts, data in package_files():
        path = os.path.join(args.out, *parts)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as handle:
            handle.write(data)
        count += 1
        total += len(data)
    print("make-package: wrote %d files, %d bytes, to %s"
          % (count, total, args.out))


if __name__ == "__main__":
    main()
