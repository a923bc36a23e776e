#!/usr/bin/env python3
"""Writes the installer's resource scripts (.rc) from the shared sources.

Sources: the string tables (lang/<FOLDER>.txt, one UTF-8 file per language),
the dialog templates (dialogs.json, one description for all languages), the
language table (package/languages.inc: folder, LanguageId, library id,
Windows language) and the ids of core/resource.h, which the program's code
includes too.

    gen_rc.py library FOLDER --out F.rc --bitmap B --icon I --payload DrvSetup.dll
        a language library: that language's strings and templates, the header
        picture, the icon and the driver-setup payload
    gen_rc.py program --out F.rc --bitmap B --icon I --payload DrvSetup.dll \
                      --library-dir DIR
        the program: all 25 languages side by side, the picture, the icon, the
        driver-setup payload and the 25 libraries (DIR/lang_<FOLDER>.dll)

Texts reach windres as wide strings made of ASCII only (every other character
as a \\xHHHH escape), so the result does not depend on the code page windres
assumes for its input. The build fails here, not at run time, when the
sources disagree: a language whose ids differ from English, a table row
without a string file, a layout naming a control that does not exist, a
template, control or string whose id core/resource.h does not define.
"""
import argparse
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

TABLE_ROW = re.compile(r'^LANGUAGE_ROW\(([A-Z_]+), (\d+), (\d+), (\d+)\)$')
DEFINE = re.compile(r'^#define ([A-Z][A-Z0-9_]*) (?:(\d+)|\((0x[0-9a-fA-F]+) \+ (\d+)\))(?:\s*//.*)?$')
HEADER_LANGUAGE = re.compile(r'Windows language (\d+)')
PLACEHOLDER = re.compile(r'%[1-9]')


class SourceError(Exception):
    pass


def read_language_table(path):
    """Rows of package/languages.inc: (folder, LanguageId, library id, Windows language)."""
    rows = []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith('//'):
                continue
            m = TABLE_ROW.match(line)
            if not m:
                raise SourceError('%s:%d: expected LANGUAGE_ROW(FOLDER, id, library, language)' % (path, number))
            rows.append((m.group(1), int(m.group(2)), int(m.group(3)), int(m.group(4))))
    if len(rows) != 25:
        raise SourceError('%s: expected 25 language rows, found %d' % (path, len(rows)))
    return rows


def read_ids(path):
    """The ids of core/resource.h: {NAME: value}. The header holds only comments,
    its include guard and "#define NAME NUMBER" (or "(0xBASE + N)") lines."""
    ids = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith('//') or line.startswith('#ifndef') or line.startswith('#endif'):
                continue
            if line == '#define CORE_RESOURCE_H':
                continue
            m = DEFINE.match(line)
            if not m:
                raise SourceError('%s:%d: expected "#define NAME NUMBER"' % (path, number))
            value = int(m.group(2)) if m.group(2) else int(m.group(3), 16) + int(m.group(4))
            if m.group(1) in ids:
                raise SourceError('%s:%d: %s twice' % (path, number, m.group(1)))
            ids[m.group(1)] = value
    return ids


def check_ids(ids, data, english, rows):
    """Every template, control and string the resources hold has its name in
    core/resource.h, and the pictures and libraries sit where it says."""
    def defined(prefix):
        return {v for k, v in ids.items() if k.startswith(prefix)}
    dialogs, controls, strings = defined('IDD_'), defined('IDC_') | {1, 2, -1}, defined('IDS_')
    for d in data['dialogs']:
        if d['id'] not in dialogs:
            raise SourceError('dialog %d is not an IDD_ id of core/resource.h' % d['id'])
        for c in d['controls']:
            if c['id'] not in controls:
                raise SourceError('dialog %d: control %d is not an IDC_ id of core/resource.h' % (d['id'], c['id']))
    first, last = ids['IDS_LANGUAGE_FIRST'], ids['IDS_LANGUAGE_LAST']
    for ident in english:
        if ident not in strings and not first <= ident <= last:
            raise SourceError('string %d is not an IDS_ id of core/resource.h' % ident)
    for folder, language_id, library_id, _ in rows:
        if not first <= language_id <= last:
            raise SourceError('%s: LanguageId %d outside IDS_LANGUAGE_FIRST..LAST' % (folder, language_id))
        if not ids['IDR_LANGUAGE_FIRST'] <= library_id <= ids['IDR_LANGUAGE_LAST']:
            raise SourceError('%s: library %d outside IDR_LANGUAGE_FIRST..LAST' % (folder, library_id))


def unescape(text):
    """The string files write a line feed as the two characters \\n."""
    return text.replace('\\n', '\n')


def read_strings(path):
    """Returns ({id: text}, Windows language named in the file's header or None)."""
    strings, header_language = {}, None
    with open(path, encoding='utf-8', newline='') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\r\n')
            if not line:
                continue
            if line.startswith('#'):
                m = HEADER_LANGUAGE.search(line)
                if m and header_language is None:
                    header_language = int(m.group(1))
                continue
            key, tab, text = line.partition('\t')
            if not tab or not key.isdigit():
                raise SourceError('%s:%d: expected "id<TAB>text"' % (path, number))
            ident = int(key)
            if ident in strings:
                raise SourceError('%s:%d: id %d twice' % (path, number, ident))
            strings[ident] = unescape(text)
    return strings, header_language


def rc_wide(text):
    """A wide rc string literal holding only ASCII characters."""
    out = ['L"']
    for ch in text:
        code = ord(ch)
        if ch == '"':
            out.append('""')
        elif ch == '\\':
            out.append('\\\\')
        elif ch == '\n':
            out.append('\\n')
        elif 0x20 <= code <= 0x7e:
            out.append(ch)
        elif code > 0xffff:
            raise SourceError('character U+%X outside the basic plane' % code)
        else:
            out.append('\\x%04x' % code)
    out.append('"')
    return ''.join(out)


def rc_narrow(text):
    """Template placeholders and file names are plain ASCII."""
    if any(ord(c) < 0x20 or ord(c) > 0x7e for c in text):
        raise SourceError('template text %r is not plain ASCII' % text)
    return '"' + text.replace('"', '""') + '"'


def rc_path(path):
    return rc_narrow(os.path.abspath(path).replace('\\', '/'))


def flags(names):
    return ' | '.join(names) if names else '0'


def load_dialogs(path):
    with open(path, encoding='utf-8') as f:
        data = json.load(f)
    # Every layout must name existing dialogs and controls: a typo would
    # otherwise leave a language silently on the common layout.
    by_id = {d['id']: d for d in data['dialogs']}
    for folder, layout in data['layouts'].items():
        for key, change in layout.get('dialogs', {}).items():
            dialog = by_id.get(int(key))
            if dialog is None:
                raise SourceError('layout %s: no dialog %s' % (folder, key))
            ids = {c['id'] for c in dialog['controls']}
            for cid, at in change.get('controls', {}).items():
                if int(cid) not in ids:
                    raise SourceError('layout %s, dialog %s: no control %s' % (folder, key, cid))
                if len(at) != 4:
                    raise SourceError('layout %s, dialog %s, control %s: need x, y, w, h' % (folder, key, cid))
    for d in data['dialogs']:
        for c in d['controls']:
            if c['kind'] not in data['kinds']:
                raise SourceError('dialog %d: unknown kind %s' % (d['id'], c['kind']))
    return data


def dialog_text(data, dialog, folder):
    """One DIALOG or DIALOGEX statement of `dialog` in the layout of `folder`."""
    layout = data['layouts'].get(folder, {})
    change = layout.get('dialogs', {}).get(str(dialog['id']), {})
    rtl = layout.get('right_to_left', False)
    extended = dialog.get('extended', False) or layout.get('extended', False)
    face, points = layout.get('font', data['font'])
    width, height = change.get('size', dialog['size'])
    moved = change.get('controls', {})

    lines = ['%d %s 0, 0, %d, %d' % (dialog['id'], 'DIALOGEX' if extended else 'DIALOG', width, height),
             'STYLE ' + flags(data['frames'][dialog['frame']])]
    if extended and layout.get('dialog_exstyle'):
        lines.append('EXSTYLE ' + flags(layout['dialog_exstyle']))
    if 'caption' in dialog:
        lines.append('CAPTION ' + rc_narrow(dialog['caption']))
    if extended:
        ex = data['extended_font']
        lines.append('FONT %d, %s, %d, %d, 0x%x' % (points, rc_narrow(face), ex['weight'], ex['italic'], ex['charset']))
    else:
        lines.append('FONT %d, %s' % (points, rc_narrow(face)))
    lines.append('BEGIN')
    for control in dialog['controls']:
        kind = data['kinds'][control['kind']]
        style = ['WS_CHILD'] + (kind.get('rtl_style', kind['style']) if rtl else kind['style'])
        # windres makes every CONTROL visible unless told otherwise.
        style += ['NOT WS_VISIBLE'] if control.get('hidden') else ['WS_VISIBLE']
        x, y, w, h = moved.get(str(control['id']), control['at'])
        statement = '  CONTROL %s, %d, %s, %s, %d, %d, %d, %d' % (
            rc_narrow(control['text']), control['id'], kind['class'], flags(style), x, y, w, h)
        if extended:
            statement += ', ' + flags(kind.get('rtl_exstyle', []) if rtl else [])
        lines.append(statement)
    lines.append('END')
    return '\n'.join(lines)


def language_block(sources, data, row):
    """Strings and templates of one language, under its LANGUAGE statement."""
    folder, _, _, windows_language = row
    strings = sources['strings'][folder]
    primary, sub = windows_language & 0x3ff, windows_language >> 10
    out = ['// %s, Windows language %d' % (folder, windows_language),
           'LANGUAGE 0x%02x, 0x%02x' % (primary, sub),
           'STRINGTABLE',
           'BEGIN']
    out += ['  %d, %s' % (ident, rc_wide(strings[ident])) for ident in sorted(strings)]
    out.append('END')
    out.append('')
    for dialog in data['dialogs']:
        out.append(dialog_text(data, dialog, folder))
        out.append('')
    return '\n'.join(out)


def held_once(args, bitmap, ids):
    """Resources of which a module holds one copy, found whatever the language."""
    return '\n'.join([
        '// One copy each, language neutral.',
        'LANGUAGE 0, 0',
        '%d BITMAP %s' % (ids['IDB_HEADER'], rc_path(bitmap)),
        '%d ICON %s' % (ids['IDI_APP'], rc_path(args.icon)),
        '%d DLLRESOURCE %s' % (ids['IDR_DRVSETUP'], rc_path(args.payload)),
        ''])


def load_sources(args):
    rows = read_language_table(args.table)
    english, _ = read_strings(os.path.join(args.lang_dir, 'ENGLISH.txt'))
    strings = {}
    for folder, _, _, windows_language in rows:
        path = os.path.join(args.lang_dir, folder + '.txt')
        if not os.path.exists(path):
            raise SourceError('no string file for %s (%s)' % (folder, path))
        table, header_language = read_strings(path)
        if header_language is not None and header_language != windows_language:
            raise SourceError('%s names Windows language %d, the table %d' % (path, header_language, windows_language))
        if set(table) != set(english):
            missing = sorted(set(english) - set(table))
            extra = sorted(set(table) - set(english))
            raise SourceError('%s: ids differ from English (missing %s, extra %s)' % (path, missing, extra))
        # The program fills %1, %2 of a text itself: a translation must keep
        # each one the English has, and add none.
        for ident, text in table.items():
            if sorted(PLACEHOLDER.findall(text)) != sorted(PLACEHOLDER.findall(english[ident])):
                raise SourceError('%s: string %d has other placeholders than English' % (path, ident))
        strings[folder] = table
    return {'rows': rows, 'strings': strings, 'english': english}


def write(path, text):
    with open(path, 'w', encoding='ascii', newline='\n') as f:
        f.write(text)


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument('what', choices=['library', 'program'])
    p.add_argument('folder', nargs='?', help='language folder (library only)')
    p.add_argument('--out', required=True)
    p.add_argument('--bitmap', required=True, help='header picture (the Arabic one for ARABIC)')
    p.add_argument('--icon', required=True)
    p.add_argument('--payload', required=True, help='the driver-setup library')
    p.add_argument('--library-dir', help='folder of lang_<FOLDER>.dll (program only)')
    p.add_argument('--dialogs', default=os.path.join(HERE, 'dialogs.json'))
    p.add_argument('--lang-dir', default=os.path.join(HERE, 'lang'))
    p.add_argument('--table', default=os.path.join(ROOT, 'package', 'languages.inc'))
    p.add_argument('--ids', default=os.path.join(ROOT, 'core', 'resource.h'))
    args = p.parse_args(argv)

    try:
        sources = load_sources(args)
        data = load_dialogs(args.dialogs)
        ids = read_ids(args.ids)
        check_ids(ids, data, sources['english'], sources['rows'])
        head = '// Generated by ui/resources/gen_rc.py; edit the sources, not this file.\n' \
               '#include <windows.h>\n#include <commctrl.h>\n\n'
        if args.what == 'library':
            rows = [r for r in sources['rows'] if r[0] == args.folder]
            if not rows:
                raise SourceError('%s is not in the language table' % args.folder)
            body = language_block(sources, data, rows[0]) + '\n' + held_once(args, args.bitmap, ids)
        else:
            if not args.library_dir:
                raise SourceError('program needs --library-dir')
            blocks = [language_block(sources, data, row) for row in sources['rows']]
            libraries = ['%d LANGUAGERC %s' % (library_id, rc_path(os.path.join(args.library_dir, 'lang_%s.dll' % folder)))
                         for folder, _, library_id, _ in sorted(sources['rows'], key=lambda r: r[2])]
            body = '\n'.join(blocks) + '\n' + held_once(args, args.bitmap, ids) + '\n'.join(libraries) + '\n'
        write(args.out, head + body)
    except (SourceError, OSError, ValueError, KeyError) as e:
        print('gen_rc.py: %s' % e, file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
