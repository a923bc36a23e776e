# The options of the test scripts, parsed one way. Source this file.
#
# tw_options "wine-root work exe driver arch" "$@": every "--NAME VALUE" of the
# arguments sets the variable NAME (dashes as underscores; --work sets
# work_root); a name not in the list, or one without a value, ends the script
# with 2. The caller sets the defaults first.
tw_options() {
  local allowed=" $1 " name var
  shift
  while [ $# -gt 0 ]; do
    name=${1#--}
    case "$allowed" in
      *" $name "*) ;;
      *) echo "$(basename "$0" .sh): unknown option $1" >&2; exit 2 ;;
    esac
    [ $# -ge 2 ] || { echo "$(basename "$0" .sh): $1 needs a value" >&2; exit 2; }
    var=${name//-/_}
    [ "$var" = work ] && var=work_root
    printf -v "$var" '%s' "$2"
    shift 2
  done
}

# tw_require VAR...: each one set, else the usage at the head of the script
# (its comment lines up to "set -u") and exit 2.
tw_require() {
  local v
  for v; do
    [ -n "${!v:-}" ] && continue
    sed -n '2,/^set -u$/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//' >&2
    exit 2
  done
}
