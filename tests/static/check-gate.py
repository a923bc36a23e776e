#!/usr/bin/env python3
"""Every test of the i686 tree that starts Wine goes through the IA-32 gate.

Wine's 32-bit half runs only where the host runs 32-bit code; elsewhere such a
test must report as skipped (tests/wine/ia32.sh --gate, SKIP_RETURN_CODE 77),
not fail. Reads the tests as CTest runs them (CTestTestfile.cmake) and names
each one that needs Wine (a wine-* fixture, label win or e2e, or Wine on its
command line) but starts without the gate, or whose skip would count as a
failure. Runs on every host.   check-gate.py I686_BUILD_DIR
"""
import pathlib
import re
import sys

ADD = re.compile(r'^add_test\(\[=\[(.*?)\]=\] (.*)\)$')
PROPS = re.compile(r'^set_tests_properties\(\[=\[(.*?)\]=\] PROPERTIES (.*)\)$')
NEEDS_WINE = re.compile(r'FIXTURES_REQUIRED "[^"]*wine-|LABELS "[^"]*\b(win|e2e)\b')

tree = pathlib.Path(sys.argv[1])
commands, props = {}, {}
for f in sorted(tree.rglob('CTestTestfile.cmake')):
    for line in f.read_text().splitlines():
        if m := ADD.match(line.strip()):
            commands[m.group(1)] = re.findall(r'"((?:[^"\\]|\\.)*)"', m.group(2))
        elif m := PROPS.match(line.strip()):
            props[m.group(1)] = m.group(2)
bad = []
for name, args in sorted(commands.items()):
    p = props.get(name, '')
    gated = len(args) > 1 and args[0].endswith('/ia32.sh') and args[1] == '--gate'
    if not gated and (NEEDS_WINE.search(p) or any('wine' in a.lower() for a in args)):
        bad.append(f'{name}: starts Wine without tests/wine/ia32.sh --gate (use WINE_RUN or WINE_GATE)')
    elif gated and 'SKIP_RETURN_CODE "77"' not in p:
        bad.append(f'{name}: gated, but without SKIP_RETURN_CODE 77 its skip counts as a failure')
print('\n'.join(bad + [f'{len(commands)} tests of {tree.name}, {len(bad)} without the gate or its skip']))
sys.exit(1 if bad or not commands else 0)
