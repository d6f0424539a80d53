#!/usr/bin/env bash
# `quillet scan --jobs N`: the report, the reasons on standard error and the exit status are
# those of a one-file-at-a-time run, whatever N; bad --jobs values; the progress line on a
# terminal. Needs QUILLET and SAMPLE (the sample module); also uses Wine's PE files when the
# wine64 package is installed.
set -u
. "$(dirname "$0")/scan_test_lib.sh"
wine=${WINE_PE_DIR:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}

cd "$work"
# Mixed fixtures: modules with findings and failures, files that are no module (one only a
# truncated header, whose reason is told), a folder and a missing file; enough of them that
# the workers run far ahead of the printer.
mkdir -p many/sub
printf 'not a module\n' >notes.txt
printf 'MZ' >truncated.exe
for i in $(seq -w 1 40); do
  cp "$SAMPLE" "many/m$i.exe"
  cp truncated.exe "many/sub/t$i.dll"
done
mixed=(notes.txt "$SAMPLE" many missing.exe truncated.exe -r many "$SAMPLE")

# same_as_one_job NAME "N..." ARGS...: stdout, stderr, both in one stream (unless merged=no),
# and the exit status with each --jobs N (or none: the default) against --jobs 1.
same_as_one_job() {
  local name=$1 values=$2
  shift 2
  "$q" scan --jobs 1 "$@" >want.out 2>want.err
  echo $? >want.rc
  local both=${merged:-yes}
  [ "$both" = yes ] && "$q" scan --jobs 1 "$@" >want.both 2>&1
  local n
  for n in $values; do
    local jobs=(--jobs "$n")
    [ "$n" = default ] && jobs=()
    "$q" scan "${jobs[@]}" "$@" >got.out 2>got.err
    echo $? >got.rc
    [ "$both" = yes ] && "$q" scan "${jobs[@]}" "$@" >got.both 2>&1
    if cmp -s want.out got.out && cmp -s want.err got.err && cmp -s want.rc got.rc &&
      { [ "$both" = no ] || cmp -s want.both got.both; }; then pass; else
      fail "$name with --jobs $n"
      diff want.err got.err | head -5
      diff want.out got.out | head -10
    fi
  done
}

same_as_one_job mixed "2 3 8 default" "${mixed[@]}"
same_as_one_job mixed-color 3 --color always "${mixed[@]}"
same_as_one_job mixed-cp932 3 --encoding cp932 "${mixed[@]}"
same_as_one_job mixed-quiet 3 --quiet "${mixed[@]}"
# A corpus nobody here wrote: about 700 modules, some large, in many languages.
if [ -d "$wine" ]; then
  merged=no same_as_one_job wine "2 3" -r "$wine"
else
  echo "no Wine PE files in $wine: the corpus comparison is skipped"
fi

# The reasons for failures stand where they were told: a file's reasons come after its own
# report lines and before the next file's.
"$q" scan -j 3 missing.exe "$SAMPLE" truncated.exe >both 2>&1
grep -a -E '^(File : |quillet: )' both | sed -E 's#^(File : |quillet: )([^:]*/)?([^/:]*).*#\1\3#' >got
printf '%s\n' 'File : missing.exe' 'quillet: missing.exe' 'File : sample.exe' \
  'quillet: sample.exe' 'File : truncated.exe' 'quillet: truncated.exe' >want
if cmp -s want got; then pass; else
  fail "reasons in place"
  diff want got
fi

# Accepted spellings, and bad values: exit 2, a message, nothing on standard output.
for form in "-j2" "-j 2" "--jobs=2" "--jobs 256"; do
  # shellcheck disable=SC2086
  "$q" scan $form "$SAMPLE" >/dev/null 2>&1
  [ $? = 1 ] && pass || fail "accepts $form"
done
usage zero "from 1 to 256, not '0'" --jobs 0 "$SAMPLE"
usage word "not 'x'" --jobs x "$SAMPLE"
usage negative "not '-1'" --jobs -1 "$SAMPLE"
usage too-many "not '257'" --jobs 257 "$SAMPLE"
usage huge "not '99999999999999999999'" -j 99999999999999999999 "$SAMPLE"
usage empty "not ''" --jobs= "$SAMPLE"
usage trailing "not '2x'" -j2x "$SAMPLE"
usage missing 'needs a value' "$SAMPLE" --jobs
"$q" scan --help | grep -q -- '--jobs N' && pass || fail "--help tells --jobs"

# The progress line: on a terminal's standard error for a long scan, rewritten in place and
# erased at the end; never in the report, never when standard error is a file or with --quiet.
# `script` gives the command a terminal and copies what it writes there.
"$q" scan -r many >plain.out 2>plain.err
script -qec "'$q' scan -j 2 -r many >tty.out 2>/dev/tty" /dev/null >tty.screen
if perl -0777 -ne 'exit(/\rscanned \d+\/80 files\r {19}\r\z/ ? 0 : 1)' tty.screen; then
  pass
else
  fail "progress shown and erased"
  od -c tty.screen | tail -5
fi
cmp -s plain.out tty.out && pass || fail "progress kept out of the report"
grep -aq scanned plain.err && fail "progress on a file" || pass
script -qec "'$q' scan --quiet -r many >tty.out 2>/dev/tty" /dev/null >tty.screen
grep -aq scanned tty.screen && fail "progress with --quiet" || pass
script -qec "'$q' scan notes.txt '$SAMPLE' >tty.out 2>/dev/tty" /dev/null >tty.screen
grep -aq scanned tty.screen && fail "progress on a short scan" || pass

echo "scan jobs: $passed passed, $failed failed"
[ "$failed" = 0 ]
