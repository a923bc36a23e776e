# The counters and checks of the test scripts; the script ends with
# "echo "$passed passed, $failed failed"". Source this file.
passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
expect() {  # expect NAME GOT WANT
  if [ "$2" == "$3" ]; then ok; else bad "$1: got '$2', want '$3'"; fi
}
has() {  # has NAME TEXT LINE: TEXT holds LINE as a whole line
  if grep -qxF -- "$3" <<<"$2"; then ok; else bad "$1: no line '$3'"; fi
}
starts() {  # starts NAME TEXT PREFIX: a line of TEXT begins with PREFIX
  if P=$3 awk 'index($0, ENVIRON["P"]) == 1 { f = 1 } END { exit !f }' <<<"$2"; then ok; else bad "$1: no line beginning '$3'"; fi
}
