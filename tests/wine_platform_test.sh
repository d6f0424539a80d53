#!/usr/bin/env bash
# Cross-check of the PE reader against the platform: the Windows build of quillet, run under
# Wine with --reader windows (LoadLibrary, LoadMenu, CreateDialogIndirectParam: Wine's own
# user32), must print byte for byte the report that the Linux build's PE reader prints, for
# the sample module and for every Wine module that holds menus or dialogs.
# Usage: tests/wine_platform_test.sh WINDOWS_QUILLET_EXE LINUX_QUILLET SOURCE_DIR [FIXTURE...]
# Modules listed with their cause in tests/data/platform_differences.txt may differ.
# Exit 77 (skipped) when wine64, Xvfb or the Japanese locale is missing.
set -u
win_exe=$1
linux_exe=$2
src=$3
shift 3
fixtures=("$@")
linux_dir=$(dirname "$linux_exe")
. "$src/tests/wine_env.sh"

# The samples: 32-bit (the bundled one) and 64-bit; the platform loads both as data.
x86_64-w64-mingw32-windres "$src/examples/sample.rc" -O coff -o "$work/sample.res" &&
  x86_64-w64-mingw32-gcc -O2 -s "$src/examples/sample.c" "$work/sample.res" -o "$work/sample64.exe" ||
  { echo "FAIL: cannot build the 64-bit sample"; exit 1; }

# The modules: the samples, any fixtures given, then each Wine module whose report names a
# menu or a dialog.
"$linux_exe" scan -r -q "$corpus" >"$work/all.txt"
{
  echo "$work/sample64.exe"
  [ -f "$linux_dir/examples/sample.exe" ] && echo "$linux_dir/examples/sample.exe"
  for f in "${fixtures[@]}"; do echo "$f"; done
  awk '/^File : /{f=substr($0, 8)} /^(MenuID|MenuName|DialogID|DialogName) : /{print f}' \
    "$work/all.txt" | uniq
} >"$work/modules"
echo "$(wc -l <"$work/modules") modules"

win_args=()
while read -r f; do win_args+=("Z:${f//\//\\}"); done <"$work/modules"
timeout 1200 xvfb-run -a "$wine" "$win_exe" scan --reader windows --encoding cp932 -q \
  "${win_args[@]}" >"$work/win.txt" 2>"$work/win.err"
win_rc=$?
mapfile -t linux_args <"$work/modules"
"$linux_exe" scan --encoding cp932 -q "${linux_args[@]}" >"$work/pe.txt"
pe_rc=$?
if [ ! -s "$work/pe.txt" ] || [ ! -s "$work/win.txt" ]; then
  echo "FAIL: no report (exit $win_rc under Wine, $pe_rc here)"
  head -5 "$work/win.err"
  exit 1
fi

# One file per module and reader, named after the module; paths differ (Z:\... against /...),
# so reports are compared from the file name on.
split_reports() {
  mkdir -p "$2"
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -v dir="$2" '
    /^-+$/ { sep = $0; next }
    /^File : / { name = $0; sub(/.*[\/\\]/, "", name); n++; out = sprintf("%s/%03d %s", dir, n, name);
                 print sep > out; print "File : " name > out; next }
    { print > out }'
}
split_reports "$work/win.txt" "$work/win"
split_reports "$work/pe.txt" "$work/pe"

differ=()
for f in "$work/pe"/*; do
  name=$(basename "$f")
  if ! cmp -s "$f" "$work/win/$name"; then
    differ+=("${name#* }")
    echo "differs: ${name#* }"
    diff "$f" "$work/win/$name" | head -10
  fi
done
known=$(grep -v '^#' "$src/tests/data/platform_differences.txt" | cut -d: -f1 | sed '/^$/d' | sort -u)
found=$(printf "%s\n" "${differ[@]+"${differ[@]}"}" | sed "/^$/d" | sort -u)
unexpected=$(comm -13 <(echo "$known") <(echo "$found") | sed '/^$/d')
stale=$(comm -23 <(echo "$known") <(echo "$found") | sed '/^$/d')
total=$(ls "$work/pe" | wc -l)
[ -n "$unexpected" ] && echo "FAIL: reports differ for modules not in tests/data/platform_differences.txt: $unexpected"
[ -n "$stale" ] && echo "FAIL: listed in tests/data/platform_differences.txt but identical now: $stale"
if [ "$(ls "$work/win" | wc -l)" != "$total" ]; then
  echo "FAIL: the platform reported $(ls "$work/win" | wc -l) modules, the file reader $total"
  exit 1
fi
if [ -z "$unexpected" ] && [ -z "$stale" ]; then
  echo "platform cross-check: $total modules, $(( total - ${#differ[@]} )) identical, ${#differ[@]} known differences"
  exit 0
fi
exit 1
