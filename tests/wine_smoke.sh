#!/usr/bin/env bash
# Smoke test over Wine's own PE files, a corpus nobody here wrote: every file is scanned to the
# end of its report without a crash, and notepad.exe's Japanese menu and dialogs come out as
# recorded. Skipped (exit 77) when Wine's PE files are not installed.
set -u
dir=${WINE_PE_DIR:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
[ -f "$dir/notepad.exe" ] || { echo "no Wine PE files in $dir: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
passed=0

"$QUILLET" scan --recursive --quiet "$dir" >"$work/out" 2>"$work/err"
rc=$?
if [ $rc -le 1 ]; then passed=$((passed + 1)); else
  echo "FAIL: exit $rc"; head "$work/err"; failed=$((failed + 1)); fi

modules=$(find "$dir" -type f -exec sh -c 'head -c 2 "$1" | grep -q MZ && echo' _ {} \; | wc -l)
files=$(grep -c '^File : ' "$work/out")
closed=$(grep -c '^終了しました。  エラー数 : ' "$work/out")
unloadable=$(grep -c '^ファイルの読み込みに失敗しました。' "$work/out")
echo "modules $modules, reports $files, closed $closed, not loadable $unloadable"
if [ "$files" = "$modules" ] && [ $((closed + unloadable)) = "$files" ] && [ "$files" -gt 0 ]; then
  passed=$((passed + 1))
else
  echo "FAIL: every module needs one complete report"; failed=$((failed + 1))
fi

"$QUILLET" scan "$dir/notepad.exe" 2>/dev/null | sed "s|$dir/notepad.exe|@NOTEPAD@|" >"$work/notepad"
if cmp -s "$SOURCE_DIR/tests/data/wine_notepad.report" "$work/notepad"; then
  passed=$((passed + 1))
else
  echo "FAIL: notepad.exe report differs"
  diff "$SOURCE_DIR/tests/data/wine_notepad.report" "$work/notepad"
  failed=$((failed + 1))
fi

echo "wine smoke: $passed passed, $failed failed"
[ "$failed" = 0 ]
