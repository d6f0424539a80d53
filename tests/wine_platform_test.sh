#!/usr/bin/env bash
# Cross-check of the PE reader against the platform: the Windows build of quillet, run under
# Wine with --reader windows (LoadLibrary, LoadMenu, CreateDialogIndirectParam: Wine's own
# user32), must print byte for byte the report that the Linux build's PE reader prints, for
# the sample module and for every Wine module that holds menus or dialogs.
# Usage: tests/wine_platform_test.sh WINDOWS_QUILLET_EXE LINUX_QUILLET SOURCE_DIR
# Exit 77 (skipped) when wine64, Xvfb or the Japanese locale is missing.
set -u
win_exe=$1
linux_exe=$2
src=$3
wine=/usr/lib/wine/wine64
corpus=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
for need in "$wine" "$corpus/notepad.exe"; do
  [ -e "$need" ] || { echo "skipped: $need missing"; exit 77; }
done
command -v xvfb-run >/dev/null || { echo "skipped: no xvfb-run"; exit 77; }
locale -a | grep -qi '^ja_JP.utf8$' || { echo "skipped: no ja_JP.UTF-8 locale"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

# A 64-bit sample module, since this Wine runs only 64-bit programs.
x86_64-w64-mingw32-windres "$src/examples/sample.rc" -O coff -o "$work/sample.res" &&
  x86_64-w64-mingw32-gcc -O2 -s "$src/examples/sample.c" "$work/sample.res" -o "$work/sample.exe" ||
  { echo "FAIL: cannot build the 64-bit sample"; exit 1; }

# The modules: the sample, then each Wine module whose report names a menu or a dialog.
"$linux_exe" scan -r -q "$corpus" >"$work/all.txt"
{
  echo "$work/sample.exe"
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

# Paths differ (Z:\... against /...): compare from the file name on.
normalise() { iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | sed -E 's#^File : .*[/\\]#File : #'; }
normalise "$work/win.txt" >"$work/win.u"
normalise "$work/pe.txt" >"$work/pe.u"
if [ "$win_rc" = "$pe_rc" ] && [ -s "$work/pe.u" ] && cmp -s "$work/pe.u" "$work/win.u"; then
  echo "platform cross-check: 1 passed, 0 failed ($(grep -c '^File' "$work/pe.u") reports identical)"
  exit 0
fi
echo "FAIL: the platform's report differs (exit $win_rc under Wine, $pe_rc here)"
diff "$work/pe.u" "$work/win.u" | head -40
head -5 "$work/win.err"
echo "platform cross-check: 0 passed, 1 failed"
exit 1
