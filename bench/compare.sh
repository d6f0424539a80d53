#!/usr/bin/env bash
# quillet scan side by side with baselines over the same modules, run by hand:
#   bench/compare.sh [QUILLET] [FOLDER] [ROUNDS]
# (defaults: build/linux/quillet, Wine's x86_64 PE files, 5 rounds). Each round runs every
# command once, in turn, so that load from elsewhere on the machine falls on all of them
# alike; the figures are medians over the rounds. Baselines: `wrestool -l` (icoutils), which
# only lists the resources, and `cat`, which only reads every byte. A copy of the folder made
# ten times over (hard links) shows how time and memory grow with the number of files.
set -euo pipefail
q=$(realpath "${1:-build/linux/quillet}")
dir=$(realpath "${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}")
rounds=${3:-5}
command -v wrestool >/dev/null || { echo "needs wrestool (Debian package icoutils)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files quillet scans: every file below the folder that starts with "MZ".
mapfile -t files < <(find "$dir" -type f -exec sh -c \
  'for f; do [ "$(head -c 2 "$f")" = MZ ] && printf "%s\n" "$f"; done' _ {} + | sort)
bytes=$(cat "${files[@]}" | wc -c)
for k in 0 1 2 3 4 5 6 7 8 9; do cp -al "$dir" "$work/copy$k"; done

# name -> "seconds max-rss-KB" per round
declare -A runs
measure() {
  local name=$1
  shift
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  runs[$name]+="$(((end - start) / 1000000)) $(tail -1 "$work/rss");"
}
median() {  # median of the column (1 time in ms, 2 RSS in KB) of a name's rounds
  tr ';' '\n' <<<"${runs[$1]}" | awk -v c="$2" 'NF { print $c }' | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "machine: $(nproc) cores, $(uptime)"
echo "corpus:  $dir, ${#files[@]} modules, $((bytes / 1000000)) MB; $rounds rounds"
cat "${files[@]}" >/dev/null  # into the page cache
for ((r = 1; r <= rounds; r++)); do
  measure quillet "$q" scan --recursive "$dir"
  measure quillet-j1 "$q" scan --jobs 1 --recursive "$dir"
  measure quillet-j2 "$q" scan --jobs 2 --recursive "$dir"
  measure wrestool wrestool -l "${files[@]}"
  measure cat cat "${files[@]}"
  measure quillet-10x "$q" scan --recursive "$work"
done

printf '\n%-34s %10s %12s\n' command "median ms" "max RSS MB"
row() { printf '%-34s %10s %12s\n' "$1" "$(median "$2" 1)" "$(awk -v k="$(median "$2" 2)" 'BEGIN { printf "%.1f", k / 1024 }')"; }
row "quillet scan -r (default jobs)" quillet
row "quillet scan -j 1 -r" quillet-j1
row "quillet scan -j 2 -r" quillet-j2
row "wrestool -l FILES" wrestool
row "cat FILES >/dev/null" cat
row "quillet scan -r, folder 10x" quillet-10x
ratio() { awk -v a="$(median "$1" "$3")" -v b="$(median "$2" "$3")" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "wrestool -l / quillet (time):       $(ratio wrestool quillet 1)x  (target >= 4)"
echo "cat / quillet (time):               $(ratio cat quillet 1)x  (target > 1)"
echo "10x folder / 1x folder (time):      $(ratio quillet-10x quillet 1)x  (linear: about 10)"
echo "10x folder / 1x folder (max RSS):   $(ratio quillet-10x quillet 2)x  (flat: about 1)"
echo "--jobs 1 / --jobs 2 (time):         $(ratio quillet-j1 quillet-j2 1)x"
echo "after: $(uptime)"
