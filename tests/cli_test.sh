#!/usr/bin/env bash
# End-to-end runs of `quillet labels`: output bytes, exit status, bad input.
# Needs QUILLET (the binary) and SOURCE_DIR in the environment.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# check NAME WANT_RC WANT_STDOUT_FILE -- command...: runs the command, compares exit status
# and standard output byte for byte.
check() {
  local name=$1 want_rc=$2 want_out=$3
  shift 4
  "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  if [ "$rc" != "$want_rc" ] || ! cmp -s "$work/out" "$want_out"; then
    echo "FAIL $name: exit $rc (want $want_rc)"
    diff <(xxd "$want_out") <(xxd "$work/out") | head -20
    sed 's/^/  stderr: /' "$work/err"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
}

# expect_err NAME PATTERN: the last run's standard error matches PATTERN and stdout is empty.
expect_err() {
  if grep -q -- "$2" "$work/err" && [ ! -s "$work/out" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL $1: stderr lacks '$2' or stdout not empty"
    cat "$work/err"
    failed=$((failed + 1))
  fi
}

q=$QUILLET
printf '' >"$work/empty"

# The bundled sample shows every kind of finding.
cat >"$work/sample.want" <<'TXT'
  &の付け忘れ : 編集(E)
  &の位置が異常 ：表示&
  アクセスキーが2バイト文字 : &ヘルプ
  アクセスキーのカッコが全角 : ツール（&T）
  アクセスキーの重複 : &open, &Options
TXT
check sample 1 "$work/sample.want" -- "$q" labels "$SOURCE_DIR/examples/labels.txt"
check sample-stdin 1 "$work/sample.want" -- sh -c "\"$q\" labels - < \"$SOURCE_DIR/examples/labels.txt\""
check sample-stdin-default 1 "$work/sample.want" -- sh -c "\"$q\" labels < \"$SOURCE_DIR/examples/labels.txt\""

# Clean labels: no output, exit 0. A blank line starts a new container; CR LF input works.
printf '&File\n&Edit\n\n&Find\n' >"$work/clean"
check clean 0 "$work/empty" -- "$q" labels "$work/clean"
printf '&File\r\n&Fold\r\n' >"$work/crlf"
printf '  アクセスキーの重複 : &Fold, &File\n' >"$work/crlf.want"
check crlf 1 "$work/crlf.want" -- "$q" labels "$work/crlf"
printf '\xEF\xBB\xBF&File\n' >"$work/bom"
check utf8-bom 0 "$work/empty" -- "$q" labels "$work/bom"
printf '100%%s&x\n&X%%d\n' >"$work/percent"
printf '  アクセスキーの重複 : &X%%d, 100%%s&x\n' >"$work/percent.want"
check percent 1 "$work/percent.want" -- "$q" labels "$work/percent"
check empty-input 0 "$work/empty" -- "$q" labels "$work/empty"

# Code page 932 on both sides: the exact bytes the report holds, CR LF included.
iconv -f UTF-8 -t CP932 "$SOURCE_DIR/examples/labels.txt" >"$work/sample.cp932"
sed 's/$/\r/' "$work/sample.want" | iconv -f UTF-8 -t CP932 >"$work/sample.cp932.want"
check cp932 1 "$work/sample.cp932.want" -- "$q" labels --encoding cp932 "$work/sample.cp932"
check cp932-eq 1 "$work/sample.cp932.want" -- "$q" labels --encoding=cp932 "$work/sample.cp932"

# Colour: red error lines only when asked for or on a terminal without NO_COLOR.
printf '\033[31m  &の付け忘れ : (F)\033[0m\n' >"$work/red.want"
printf '  &の付け忘れ : (F)\n' >"$work/plain.want"
printf '(F)\n' >"$work/one"
check color-always 1 "$work/red.want" -- "$q" labels --color always "$work/one"
check color-never 1 "$work/plain.want" -- "$q" labels --color=never "$work/one"
check color-auto-pipe 1 "$work/plain.want" -- "$q" labels "$work/one"
if command -v script >/dev/null; then
  # On a terminal: red unless NO_COLOR is set.
  script -qec "NO_COLOR=1 $q labels $work/one" /dev/null | tr -d '\r' >"$work/tty"
  if cmp -s "$work/tty" "$work/plain.want"; then passed=$((passed + 1)); else
    echo "FAIL no-color-tty"; failed=$((failed + 1)); fi
  script -qec "$q labels $work/one" /dev/null | tr -d '\r' >"$work/tty"
  if cmp -s "$work/tty" "$work/red.want"; then passed=$((passed + 1)); else
    echo "FAIL color-tty"; failed=$((failed + 1)); fi
  # A label's escape sequence is shown, not obeyed, on a terminal; a file gets the bytes.
  printf '(\033)]0;x\n' >"$work/esc"
  script -qec "NO_COLOR=1 $q labels $work/esc" /dev/null | tr -d '\r' >"$work/tty"
  printf '  &の付け忘れ : (^[)]0;x\n' >"$work/esc.want"
  if cmp -s "$work/tty" "$work/esc.want"; then passed=$((passed + 1)); else
    echo "FAIL escape-on-tty"; failed=$((failed + 1)); fi
  printf '  &の付け忘れ : (\033)]0;x\n' >"$work/esc.want"
  check escape-to-file 1 "$work/esc.want" -- "$q" labels "$work/esc"
fi

# Bad input: exit 2, a message naming the problem, nothing on standard output.
printf '&File\n&Edit\n\xFF&x\n&Open\n' >"$work/bad-utf8"
check bad-utf8 2 "$work/empty" -- "$q" labels "$work/bad-utf8"
expect_err bad-utf8 'line 3: invalid UTF-8'
printf '&File\n&x\0y\n' >"$work/nul"
check nul 2 "$work/empty" -- "$q" labels "$work/nul"
expect_err nul 'line 2: NUL byte'
check missing-file 2 "$work/empty" -- "$q" labels "$work/no-such-file"
expect_err missing-file 'no-such-file: No such file'
check directory 2 "$work/empty" -- "$q" labels "$work"
expect_err directory 'is a directory'
check unknown-option 2 "$work/empty" -- "$q" labels --frobnicate
expect_err unknown-option "unknown option '--frobnicate'"
check bad-encoding 2 "$work/empty" -- "$q" labels --encoding latin1 "$work/one"
expect_err bad-encoding "unknown encoding 'latin1'"
check missing-value 2 "$work/empty" -- "$q" labels --color
expect_err missing-value '--color needs a value'
check two-files 2 "$work/empty" -- "$q" labels "$work/one" "$work/one"
expect_err two-files 'takes one FILE'
check unknown-command 2 "$work/empty" -- "$q" frob
expect_err unknown-command "unknown command 'frob'"
check no-command 2 "$work/empty" -- "$q"

# Help.
"$q" --help >"$work/help" && grep -q 'labels' "$work/help" && grep -q 'Exit status' "$work/help" &&
  passed=$((passed + 1)) || { echo "FAIL help"; failed=$((failed + 1)); }
"$q" labels --help >"$work/help" && grep -q -- '--encoding' "$work/help" &&
  grep -q -- '--color' "$work/help" && grep -q 'Exit status' "$work/help" &&
  passed=$((passed + 1)) || { echo "FAIL labels-help"; failed=$((failed + 1)); }

echo "cli: $passed passed, $failed failed"
[ "$failed" = 0 ]
