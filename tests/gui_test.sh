#!/usr/bin/env bash
# Runs the desktop program's in-process test (build/mingw-x86_64/quillet_gui_test.exe) under
# wine64 in Xvfb with a Japanese locale and Japanese fonts, and keeps its screenshots.
# Usage: tests/gui_test.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR SOURCE_DIR
# Exit 77 (skipped) when wine64, Xvfb or the Japanese locale is missing.
set -u
win_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
src=$(cd "$3" && pwd)
. "$src/tests/wine_env.sh" "$win_build/quillet_gui_test.exe" "$linux_build/examples/sample.exe"
out=$win_build/gui
rm -rf "$out"
mkdir -p "$out" "$work/folder"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
printf 'not a module\n' >"$work/readme.txt"

# The templates' faces are Windows fonts; VL PGothic (fonts-vlgothic) draws both scripts.
# The prefix is set up without a display, so the server is stopped before the test: a Wine
# desktop started without a display would refuse to create any window.
for face in 'MS UI Gothic' 'ＭＳ Ｐゴシック'; do
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'VL PGothic' /f \
    >/dev/null 2>&1
done
# Without a window manager Wine draws the captions itself when its windows are not managed.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w

# The 32-bit sample (the program loads modules as data, whatever their bitness), then Wine
# modules with Japanese menus and with many dialogs.
timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24' "$wine" "$win_build/quillet_gui_test.exe" \
  "$(winpath "$out")" "$(winpath "$linux_build/examples/sample.exe")" \
  "$(winpath "$work/folder")" "$(winpath "$work/readme.txt")" \
  "$(winpath "$corpus/notepad.exe")" "$(winpath "$corpus/comdlg32.dll")" \
  "$(winpath "$corpus/regedit.exe")" >/dev/null 2>"$work/stderr"
rc=$?
if [ -f "$out/gui_test.log" ]; then
  iconv -f CP932 -t UTF-8 "$out/gui_test.log" | sed 's/^/  /'
else
  echo "FAIL: no log (exit $rc)"
  head -20 "$work/stderr"
fi
for shot in main about; do
  [ -s "$out/$shot.png" ] && echo "screenshot: $out/$shot.png"
done
if [ "$rc" = 0 ]; then
  echo "GUI test: passed"
else
  echo "GUI test: FAILED (exit $rc)"
fi
exit "$rc"
