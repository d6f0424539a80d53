# Sourced by the tests that run Windows builds under Wine: checks what they need (exit 77,
# skipped, when something is missing) and sets up a fresh prefix in a Japanese locale.
# Usage: . tests/wine_env.sh FILE...   (FILE: other files the test needs)
wine=/usr/lib/wine/wine64
corpus=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
for need in "$wine" "$corpus/notepad.exe" "$@"; do
  [ -e "$need" ] || { echo "skipped: $need missing"; exit 77; }
done
command -v xvfb-run >/dev/null || { echo "skipped: no xvfb-run"; exit 77; }
locale -a | grep -qi '^ja_JP.utf8$' || { echo "skipped: no ja_JP.UTF-8 locale"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
