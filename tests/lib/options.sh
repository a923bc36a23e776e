# The options of the test scripts, parsed one way. Source this file.
#
# tw_options "wine-root work exe xvfb! ..." "$@": every "--NAME VALUE" (or
# "--NAME=VALUE") of the arguments sets the variable NAME (dashes as
# underscores; --work sets work_root); a name written "NAME!" is a flag that
# takes no value and sets its variable to 1. Parsing stops at "--" or at the
# first word that is no option; the words after are left in tw_rest. A name
# not in the list, or one without its value, ends the script with 2. The
# caller sets the defaults first.
tw_options() {
  local allowed=" $1 " name var value
  shift
  tw_rest=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --) shift; break ;;
      --*) ;;
      *) break ;;
    esac
    name=${1#--} value=""
    case "$name" in *=*) value=${name#*=} name=${name%%=*} ;; esac
    var=${name//-/_}
    [ "$var" = work ] && var=work_root
    case "$allowed" in
      *" $name! "*) printf -v "$var" 1; shift; continue ;;
      *" $name "*) ;;
      *) echo "$(basename "$0" .sh): unknown option $1" >&2; exit 2 ;;
    esac
    if [[ "$1" != *=* ]]; then
      [ $# -ge 2 ] || { echo "$(basename "$0" .sh): $1 needs a value" >&2; exit 2; }
      value=$2
      shift
    fi
    printf -v "$var" '%s' "$value"
    shift
  done
  tw_rest=("$@")
}

# tw_usage: the usage at the head of the script (its comment lines up to
# "set -u").
tw_usage() { sed -n '2,/^set -u$/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; }

# tw_require VAR...: each one set, else the usage and exit 2.
tw_require() {
  local v
  for v; do
    [ -n "${!v:-}" ] && continue
    tw_usage >&2
    exit 2
  done
}
