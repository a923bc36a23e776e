# Pieces of twdriver scripts shared by the tests and benchmarks that drive the
# whole program; each prints script lines. Source this file.

tw_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# tw_work NAME: work = a fresh folder NAME.XXXXXX under work_root (default
# the temporary folder), removed on exit unless KEEP_WORK is set.
tw_work() {
  local under=${work_root:-${TMPDIR:-/tmp}}
  mkdir -p "$under"
  work=$(mktemp -d "$(cd "$under" && pwd)/$1.XXXXXX") || exit 1
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder: $work"; else trap 'rm -rf "$work"' EXIT; fi
}

# winpath PATH: the Linux path as Wine's Z: drive shows it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# tw_session: the names every whole-program script uses, from its exe,
# driver and work folder: EXE, DRV and W as Windows paths, SYS and TW the
# system and data-source folders as the program names them, and the run's
# prefix and its drive_c.
tw_session() {
  EXE=$(winpath "$exe") DRV=$(winpath "${driver:-}") W=$(winpath "$work")
  SYS='C:\windows\system32' TW='C:\windows\TWAIN_32'
  prefix=$work/prefix
  drive=$prefix/drive_c
}

# part NAME: the lines of the driver's output ($out) between "mark: NAME"
# and the next mark.
part() { awk -v m="mark: $1" '/^mark: / { on = ($0 == m); next } on' <<<"$out"; }

# str LANGUAGE ID: string ID of the language's text table, as the program shows it.
str() { awk -F'\t' -v id="$2" '$1 == id { print $2 }' "$tw_repo/ui/resources/lang/$1.txt"; }

# tw_to_models PROGRAM LANGUAGE: start the program and choose the language;
# the model page comes next.
tw_to_models() {
  printf '%s\n' "start $1" "wait 1015 20000" "selecttext 1015 $2" "press 1" "gone" "wait 1014 10000"
}

# tw_to_choice PROGRAM LANGUAGE MODEL: the language and the model; the next
# page (install or upgrade-or-remove) comes next.
tw_to_choice() {
  tw_to_models "$1" "$2"
  printf '%s\n' "selecttext 1014 $3" "press 1" "gone"
}

# tw_finish TEXT [TIMEOUT]: after OK on the page that starts the work, wait
# for the progress page and its closing TEXT.
tw_finish() {
  echo "gone"
  echo "wait 1011 10000"
  echo "waittext 1012 ${2:-30000} $1"
}

# tw_finish_any [TIMEOUT]: the same for a closing text not known in advance
# (a failure names its first item): wait for the bar to go, then read the text.
tw_finish_any() {
  printf '%s\n' "gone" "wait 1011 10000" "waitstate 1011 visible=0 ${1:-30000}" "textx 1012"
}

# failure_text LANGUAGE HEAD NAME ERROR [MORE]: the closing text of a failed
# run as the page shows it (line feeds as \n): string HEAD, the first item
# that failed with its error, and how many more failed when MORE is given.
failure_text() {
  local item more
  item=$(str "$1" 77) item=${item//%1/$3} item=${item//%2/$4}
  printf '%s\\n\\n%s' "$(str "$1" "$2")" "$item"
  [ -n "${5:-}" ] && { more=$(str "$1" 78); printf '\\n%s' "${more//%1/$5}"; }
  echo
}

# tw_end: Finish on the progress page, then the program's end.
tw_end() {
  echo "press 2"
  echo "gone"
  echo "waitexit 30000"
}

# tw_system_left: after the program's end, a check of each file of its own
# that it must not leave in the system folder.
tw_system_left() {
  echo 'exists C:\windows\system32\DrvSetupLang.dll'
  echo 'exists C:\windows\system32\DrvSetup.dll'
  echo 'exists C:\windows\system32\TEST.T'
}

# tw_judge_runs OUT SCRIPT: every program run of the twdriver SCRIPT ended,
# with 0, and left none of those files (the checks of tests/lib/check.sh).
tw_judge_runs() {
  expect "exit codes 0" "$(grep -c '^exit: 0$' <<<"$1")" "$(grep -c '^exit: ' <<<"$1")"
  expect "program runs that ended" "$(grep -c '^exit: ' <<<"$1")" "$(grep -c '^waitexit' "$2")"
  expect "runs that left a file of theirs in the system folder" \
    "$(grep -E '^exists C:\\windows\\system32\\(DrvSetupLang\.dll|DrvSetup\.dll|TEST\.T): 1' <<<"$1" | sort | uniq -c)" ""
}
