#!/usr/bin/env python3
"""Every test of the i686 tree that starts Wine must go through the IA-32 gate.

Wine's 32-bit half runs only on a host that runs 32-bit code; elsewhere such a
test must report as skipped (tests/wine/ia32.sh --gate), not fail. This reads
the tests as CTest will run them (the tree's CTestTestfile.cmake files) and
names every one that needs Wine but starts without the gate: one that needs a
Wine prefix (a wine-* fixture), is labelled win or e2e, or names Wine in its
command line; and every gated one whose skip (exit 77) CTest would read as a
failure (no SKIP_RETURN_CODE 77). Runs on every host, so a forgotten gate is
caught where the host would still run it.

  check-gate.py BUILD_DIR_OF_THE_I686_TREE
"""
import pathlib
import re
import sys

ADD = re.compile(r'^add_test\(\[=\[(.*?)\]=\] (.*)\)$')
PROPS = re.compile(r'^set_tests_properties\(\[=\[(.*?)\]=\] PROPERTIES (.*)\)$')
QUOTED = re.compile(r'"((?:[^"\\]|\\.)*)"')


def tests_of(tree):
    commands, props = {}, {}
    for f in sorted(tree.rglob('CTestTestfile.cmake')):
        for line in f.read_text().splitlines():
            m = ADD.match(line.strip())
            if m:
                commands[m.group(1)] = QUOTED.findall(m.group(2))
            m = PROPS.match(line.strip())
            if m:
                props[m.group(1)] = m.group(2)
    return commands, props


def needs_wine(args, props):
    if re.search(r'FIXTURES_REQUIRED "[^"]*wine-', props) or re.search(r'LABELS "[^"]*\b(win|e2e)\b', props):
        return True
    return any('wine' in a.lower() for a in args)


def main():
    tree = pathlib.Path(sys.argv[1])
    commands, props = tests_of(tree)
    if not commands:
        print(f'no tests found under {tree}')
        return 1
    bad = []
    for name, args in sorted(commands.items()):
        gated = len(args) > 1 and args[0].endswith('/ia32.sh') and args[1] == '--gate'
        if not gated and needs_wine(args, props.get(name, '')):
            bad.append(f'{name}: starts Wine without tests/wine/ia32.sh --gate (use WINE_RUN or WINE_GATE)')
        elif gated and 'SKIP_RETURN_CODE "77"' not in props.get(name, ''):
            bad.append(f'{name}: gated, but without SKIP_RETURN_CODE 77 its skip counts as a failure')
    for line in bad:
        print(line)
    print(f'{len(commands)} tests of {tree.name}, {len(bad)} without the gate or its skip')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
