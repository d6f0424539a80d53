#!/usr/bin/env bash
# End-to-end runs of `quillet scan` on the sample module built by the Windows toolchain and on
# bad paths. Needs QUILLET and SAMPLE (the sample module) in the environment.
set -u
. "$(dirname "$0")/scan_test_lib.sh"

cp "$SAMPLE" "$work/sample.exe"
cd "$work"

# The sample gives the worked example's twelve lines.
cat >sample.want <<'TXT'
----------------------------------------------------------
File : sample.exe
MenuID : 128
  アクセスキーの重複 : 終了(&O), 開く(&O)...
  &の付け忘れ : 表示(V)
DialogName : CUSTOMDLG
ダイアログの読み込みに失敗しました。
DialogID : 100
Title : 設定
  アクセスキーの重複 : 参照(&N)..., 名前(&N):
 
終了しました。  エラー数 : 4
TXT
"$q" scan sample.exe >out 2>err
rc=$?
[ $rc = 1 ] && pass || fail "sample exit $rc"
same sample sample.want out
grep -q 'dialog CUSTOMDLG' err && pass || fail "sample: stderr does not explain the dialog"

# Red lines are exactly the finding and failure lines.
"$q" scan --color always sample.exe >out 2>/dev/null
[ "$(grep -c $'\033\\[31m' out)" = 4 ] && pass || fail "sample: four red lines"

# Code page 932 output: the report's own bytes with CR LF.
"$q" scan --encoding cp932 sample.exe >out 2>/dev/null
sed 's/$/\r/' sample.want | iconv -f UTF-8 -t CP932 >sample.cp932
same sample-cp932 sample.cp932 out

# Several paths: one report each, in the order given, each with its own count.
printf 'not a module\n' >notes.txt
mkdir -p folder/sub
cp sample.exe folder/sub/b.exe
cp sample.exe folder/a.dll
cp notes.txt folder/readme.txt
"$q" scan notes.txt sample.exe folder missing.exe >out 2>err
rc=$?
[ $rc = 1 ] && pass || fail "several exit $rc"
grep -a -E '^(File|終了|ファイル)' out >got
cat >want <<'TXT'
File : notes.txt
ファイルの読み込みに失敗しました。
File : sample.exe
終了しました。  エラー数 : 4
File : folder
ファイルの読み込みに失敗しました。
File : missing.exe
ファイルの読み込みに失敗しました。
TXT
same several want got
grep -q 'missing.exe: cannot load as a module: no such file' err &&
  grep -q 'folder: cannot load as a module: is a folder' err && pass ||
  fail "several: stderr explains"
"$q" scan --quiet missing.exe >/dev/null 2>err
[ ! -s err ] && pass || fail "--quiet"

# --recursive: the modules below a folder, sorted; other files left out.
"$q" scan -r folder >out 2>/dev/null
grep '^File' out >got
printf 'File : folder/a.dll\nFile : folder/sub/b.exe\n' >want
same recursive want got

# Usage errors: exit 2, a message, nothing on standard output.
usage no-path 'no PATH given'
usage bad-lang 'LANGID' --lang 0x10000 sample.exe
usage bad-lang-text 'LANGID' --lang=ja sample.exe
usage lang-missing 'needs a value' sample.exe --lang
usage unknown-option "unknown option '--frob'" --frob sample.exe
usage bad-color 'unknown colour mode' --color sometimes sample.exe

# --lang 0x0409 is accepted; --help explains the options and exit status.
"$q" scan --lang 0x0409 sample.exe >/dev/null 2>&1
[ $? = 1 ] && pass || fail "--lang 0x0409"
"$q" scan --help >out && grep -q -- '--recursive' out && grep -q -- '--lang' out &&
  grep -q 'Exit status' out && pass || fail "scan --help"

echo "scan cli: $passed passed, $failed failed"
[ "$failed" = 0 ]
