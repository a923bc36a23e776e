#!/usr/bin/env python3
"""Runs pkgcheck over the demo package and the generated corpus; checks results.

Corpus mode (one Wine run for every package):

  check-corpus.py --wine-run tests/wine/wine-run.sh --wine-root DIR --arch win64
                  --exe pkgcheck.exe --example examples/package --out DIR

writes the corpus (make-corpus.py) into --out, runs pkgcheck.exe once with
every package root as an argument, and compares each root's result and
findings with the package's EXPECT file. The demo package must come out
with result 0 and no error line.

Wrapper mode (the Linux script that package authors call):

  check-corpus.py --wrapper tools/pkgcheck/pkgcheck --build DIR
                  --example examples/package --out DIR

checks its exit codes and output on the demo package, an empty folder, a
missing folder and a bad option.

Exit code 0 when everything matched, 1 otherwise.
"""

import argparse
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def windows_path(path):
    """A Linux path as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def parse_blocks(lines):
    """{root: (result or None, [finding lines])} from multi-root output."""
    blocks, order, current = {}, [], None
    for line in lines:
        if line.startswith("== "):
            current = line[3:]
            blocks[current] = [None, []]
            order.append(current)
        elif current is not None and line.startswith("pkgcheck: %s: " % current):
            tail = line.rsplit(": result ", 1)
            blocks[current][0] = int(tail[1]) if len(tail) == 2 else None
            current = None
        elif current is not None:
            blocks[current][1].append(line)
    return blocks, order


def matches(expectation, line):
    """All "|"-separated fragments appear in the line, in order."""
    at = 0
    for fragment in expectation.split("|"):
        found = line.find(fragment, at)
        if found < 0:
            return False
        at = found + len(fragment)
    return True


def read_expect(path):
    with open(path) as handle:
        lines = [l.rstrip("\n") for l in handle if l.strip()]
    assert lines[0].startswith("exit "), path
    return int(lines[0][5:]), lines[1:]


def check_root(label, result, findings, want_result, expectations):
    """Problems of one root as a list of text lines (empty: it passed)."""
    problems = []
    if result is None:
        problems.append("no result line (did pkgcheck stop?)")
    elif result != want_result:
        problems.append("result %d, expected %d" % (result, want_result))
    for expectation in expectations:
        if not any(matches(expectation, line) for line in findings):
            problems.append("missing finding: %s" % expectation)
    if want_result == 0:
        problems += ["unexpected error: %s" % line for line in findings
                     if ": error: " in line]
    for line in findings:
        # Every finding line has the documented shape.
        if not (": error: " in line or ": warning: " in line) \
                or line.count(": ") < 3:
            problems.append("malformed line: %s" % line)
    return problems


def run_corpus(args):
    start = time.monotonic()
    subprocess.run([sys.executable, os.path.join(HERE, "make-corpus.py"),
                    args.out], check=True, stdout=subprocess.DEVNULL)
    packages = sorted(d for d in os.listdir(args.out)
                      if os.path.isfile(os.path.join(args.out, d, "EXPECT")))
    example = windows_path(args.example)
    generated = time.monotonic()

    # Relative roots: pkgcheck runs in the corpus folder (Wine maps the
    # Linux working folder to Z:).
    command = [args.wine_run, "--root", args.wine_root, "--arch", args.arch,
               "--version", "winxp", args.exe, example] + packages
    run = subprocess.run(command, cwd=args.out, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=500)
    ran = time.monotonic()
    text = run.stdout.decode("latin-1").replace("\r\n", "\n")
    lines = text.split("\n")
    blocks, order = parse_blocks(lines)

    failures = 0
    total_findings = 0
    cases = [(example, "examples/package", 0, [])]
    for name in packages:
        want, expectations = read_expect(os.path.join(args.out, name,
                                                      "EXPECT"))
        cases.append((name, name, want, expectations))
    for root, label, want, expectations in cases:
        result, findings = blocks.get(root, (None, []))
        total_findings += len(findings)
        problems = check_root(label, result, findings, want, expectations)
        if problems:
            failures += 1
            print("FAIL %s" % label)
            for p in problems:
                print("     %s" % p)
            for line in findings:
                print("     | %s" % line)
        else:
            print("ok   %s (result %d, %d findings)"
                  % (label, result, len(findings)))
    if order != [c[0] for c in cases]:
        failures += 1
        print("FAIL the roots were not reported in the order given")
    summary = [l for l in lines if l.startswith("pkgcheck: %d roots: "
                                                 % len(cases))]
    if run.returncode != 1 or not summary or not summary[0].endswith(
            ": result 1"):
        failures += 1
        print("FAIL overall exit code %d, summary %r (expected 1)"
              % (run.returncode, summary))
    if run.stderr.strip():
        print("stderr: %s" % run.stderr.decode("latin-1").strip())
    print("corpus: %d packages and the demo package, %d findings; "
          "generated in %.1f s, checked in one Wine run of %.1f s; %s"
          % (len(packages), total_findings, generated - start,
             ran - generated,
             "all as expected" if not failures else "%d FAILED" % failures))
    return 1 if failures else 0


def run_wrapper(args):
    failures = 0
    os.makedirs(args.out, exist_ok=True)
    empty = os.path.join(args.out, "empty")
    os.makedirs(empty, exist_ok=True)

    def call(*roots, cwd=None):
        run = subprocess.run([args.wrapper, "--build", args.build] +
                             list(roots), cwd=cwd, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=300)
        return run.returncode, run.stdout.decode("latin-1"), \
            run.stderr.decode("latin-1")

    def expect(label, got, want, out, needle):
        nonlocal failures
        ok = got == want and needle in out and "\r" not in out
        print("%s %s (exit %d, expected %d)" % ("ok  " if ok else "FAIL",
                                                label, got, want))
        if not ok:
            failures += 1
            print(out)

    # The demo package, given as a relative Linux path from its parent.
    rc, out, _ = call("package", cwd=os.path.dirname(
        os.path.abspath(args.example)))
    expect("demo package, relative path", rc, 0, out,
           "\\package: 3 OS folders, 35 language folders, 35 INF files "
           "checked: 0 errors")
    # No argument: the current folder, here an empty one.
    rc, out, _ = call(cwd=empty)
    expect("empty folder as the current folder", rc, 1, out,
           "WIN98_ME: OS folder: error: missing")
    rc, out, _ = call(os.path.join(args.out, "no-such-folder"))
    expect("missing folder", rc, 2, out, "cannot open this folder: result 2")
    rc, out, err = call("--no-such-option", args.example)
    expect("unknown option", rc, 2, out + err, "unknown option")
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run")
    parser.add_argument("--wine-root")
    parser.add_argument("--arch", default="win64")
    parser.add_argument("--exe")
    parser.add_argument("--wrapper")
    parser.add_argument("--build")
    parser.add_argument("--example", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    # The programs run in other working folders: every path made absolute.
    for name in ("wine_run", "wine_root", "exe", "wrapper", "build",
                 "example", "out"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    if args.wrapper:
        return run_wrapper(args)
    return run_corpus(args)


if __name__ == "__main__":
    sys.exit(main())
