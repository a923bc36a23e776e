# Shared by scripts/run.sh and tools/screens/make-screens.sh (sourced, not
# run): the wizard under Wine on an X server, inside the private network
# namespaces of tests/e2e/session.sh, and the twdriver scripts that walk
# through its pages and ask for a screenshot of each.
#
# Needs: repo (the repository root) and build (the build folder) set by the
# caller, and a built win64 tree.

tour_exe() { echo "$build/win64/TwainSetup.exe"; }
tour_driver() { echo "$build/win64/tools/twdriver/twdriver.exe"; }
tour_winpath() { printf 'Z:%s' "${1//\//\\}"; }
# A text of the string table of a language folder (e.g. ENGLISH 67).
tour_str() { awk -F'\t' -v id="$2" '$1 == id { print $2 }' "$repo/ui/resources/lang/$1.txt"; }

# tour_reg FILE MANAGED [DPI] [SERIF]: the registry settings of a prefix that
# shows the wizard on an X server, at DPI (default 96), with SERIF in place of
# Times New Roman when given. Wine draws the window
# frames itself when MANAGED is N (there is no window manager under Xvfb).
# Fonts: every prefix has metric-compatible replacements of the pages' fonts
# (tests/wine/fonts.reg). Windows's own Times New Roman holds the Arabic
# letters; Liberation Serif does not, and Wine shapes Arabic well only in
# the page's own font, so the Arabic tour takes FreeSerif (Times's metrics,
# with Arabic) as SERIF. Other letters that a page's font lacks (Korean, Chinese,
# Thai on an English system) are drawn with the installed fonts linked to
# it, as Windows links its own, looked up by the name of the font that
# realises it; the Thai "MS Sans Serif" shows Thai only when realised as the
# Thai font itself. Wine's own Tahoma (dialog frames) and Marlett (their
# close box) are registered from where the distribution keeps them, since
# the prefix's Fonts folder is empty.
tour_multi_sz() {  # REG_MULTI_SZ of the arguments, as a .reg file writes it
  local hex
  hex=$(printf '%s\0' "$@" | od -An -v -tx1 | tr -s ' \n' ',' | sed -e 's/^,//' -e 's/,$//')
  printf 'hex(7):%s,00' "$hex"
}
tour_reg() {
  local fonts=/usr/share/wine/fonts f
  # Thai, Chinese and Korean, Japanese; Arabic from DejaVu Sans.
  local others=('Loma.ttf,Loma' 'wqy-zenhei.ttc,WenQuanYi Zen Hei' 'ipag.ttf,IPAGothic')
  {
    printf '%s\r\n' 'REGEDIT4' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Drivers]' '"Graphics"="x11"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' "\"Managed\"=\"$2\"" '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      "\"Times New Roman\"=\"${4:-Liberation Serif}\"" '' \
      '[HKEY_CURRENT_USER\Control Panel\Desktop]' "\"LogPixels\"=dword:$(printf '%08x' "${3:-96}")" '' \
      '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]' \
      "\"Liberation Serif\"=$(tour_multi_sz "${others[@]}" 'DejaVuSans.ttf,DejaVu Sans')" \
      "\"MS Sans Serif\"=$(tour_multi_sz 'Loma.ttf,Loma')" \
      "\"DejaVu Sans\"=$(tour_multi_sz "${others[@]}")" '' \
      '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]'
    for f in "Tahoma:tahoma" "Tahoma Bold:tahomabd" "Marlett:marlett"; do
      [ -f "$fonts/${f#*:}.ttf" ] &&
        printf '"%s (TrueType)"="Z:%s\r\n' "${f%%:*}" "$(echo "$fonts/${f#*:}.ttf\"" | sed 's|/|\\\\|g')"
    done
    printf '\r\n'
  } >"$1"
}

# tour_session NAME SCRIPT [SESSION OPTIONS...]: runs a twdriver script in a
# fresh X11 prefix ($TOUR_DIR/prefix, default $build/run, kept until the
# next run) with three simulated scanners (the first two give their names,
# location and model), at TOUR_DPI (default 96); output
# in $TOUR_DIR/NAME.out. TOUR_SERIF: see tour_reg.
tour_session() {
  local name=$1 script=$2 dir=${TOUR_DIR:-$build/run}
  shift 2
  mkdir -p "$dir"
  tour_reg "$dir/x11.reg" "${TOUR_MANAGED:-N}" "${TOUR_DPI:-96}" "${TOUR_SERIF:-}"
  bash "$repo/tests/e2e/session.sh" --wine-root "$build/win64/wine" --arch win64 --version "${TOUR_VERSION:-winxp}" \
    --prefix "$dir/prefix" --driver "$(tour_driver)" --script "$script" --out "$dir/$name.out" \
    --devices 3 --sim-args "--snmp 10.99.0.2-10.99.0.3" --reg "$dir/x11.reg" "$@"
}

# tour_pages SHOTS LANGUAGE MODEL TAG: twdriver commands for every page of an
# install through the search and a removal, a screenshot of each into the
# folder SHOTS, named TAG-NN-page. LANGUAGE and MODEL are the entries' texts.
tour_pages() {
  local S L=$2 M=$3 T=$4
  S=$(tour_winpath "$1")
  cat <<EOF
cd $(tour_winpath "$repo/examples/package")
start $(tour_winpath "$(tour_exe)")
wait 1015 30000
selecttext 1015 $L
shot $S $T-01-language
press 1
gone
wait 1014 10000
selecttext 1014 $M
shot $S $T-02-model
press 1
gone
wait 1007,1012 10000
shot $S $T-03-install
press 1
gone
wait 1001,1003 10000
shot $S $T-04-address
press 1003
wait 1004 10000
waitcount 1004 3 10000
sleep 1500
shot $S $T-05-search
dblclick 1004 0
gone
wait 1001,1003
address 10.99.0.2 3000
shot $S $T-06-address-chosen
press 1
gone
wait 1011 10000
sleep 1300
shot $S $T-07-progress
waitstate 2 visible=1 20000
shot $S $T-08-installed
press 2
gone
waitexit 30000
start $(tour_winpath "$(tour_exe)")
wait 1015 30000
selecttext 1015 $L
press 1
gone
wait 1014 10000
selecttext 1014 $M
press 1
gone
wait 1009,1010 10000
check 1010
shot $S $T-09-choice
press 1
gone
wait 1011 10000
waitstate 2 visible=1 30000
shot $S $T-10-removed
press 2
gone
waitexit 30000
EOF
}
