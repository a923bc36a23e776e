# Windows paths looked at from Linux. Windows and Wine find a name whatever
# its letter case, and a prefix may hold a folder in another case than the
# program spells it (wineboot makes windows/twain_32 where Wine's 32-bit half
# runs, and the program then fills that folder as C:\windows\TWAIN_32). So a
# test finds every path of a prefix through on_disk, never by its spelling.
# Source this file.

# on_disk PATH: the absolute PATH with each part that exists in another letter
# case spelt as on disk; from the first part that does not exist on, the
# parts stay as given (so the result names where Windows would create them).
on_disk() {
  local out="" part="" name="" found="" rest=${1#/}
  local -a parts
  IFS=/ read -ra parts <<<"$rest"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    if [ -n "$found" ] || [ -e "$out/$part" ] || [ ! -d "${out:-/}" ]; then
      out+="/$part"
      [ -e "$out" ] || found=missing
      continue
    fi
    name=""
    while IFS= read -r -d '' name; do
      name=${name##*/}
      [ "${name,,}" = "${part,,}" ] && break
      name=""
    done < <(find "${out:-/}" -mindepth 1 -maxdepth 1 -print0 2>/dev/null)
    if [ -n "$name" ]; then out+="/$name"; else out+="/$part"; found=missing; fi
  done
  printf '%s\n' "${out:-/}"
}

# twain_dir DRIVE: the data-source parent C:\windows\TWAIN_32 under a
# prefix's drive_c, in whatever letter case the prefix holds it.
twain_dir() { on_disk "$1/windows/TWAIN_32"; }

# temp_dir DRIVE: the user's temporary folder under a prefix's drive_c.
temp_dir() {
  local users d
  users=$(on_disk "$1/users")
  for d in "$users"/*; do
    [ "${d##*/}" = Public ] && continue
    d=$(on_disk "$d/Temp")
    [ -d "$d" ] && { printf '%s\n' "$d"; return 0; }
  done
  return 1
}
