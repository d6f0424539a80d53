# Sourced by the end-to-end tests of `quillet scan`: a scratch folder, the tool ($q, from
# QUILLET), pass/fail counting and the checks they share. The test ends with
# `echo "NAME: $passed passed, $failed failed"; [ "$failed" = 0 ]`.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
q=$QUILLET

pass() { passed=$((passed + 1)); }
fail() {
  echo "FAIL $1"
  failed=$((failed + 1))
}

# same NAME WANT GOT: byte comparison with a readable diff on failure.
same() {
  if cmp -s "$2" "$3"; then pass; else
    fail "$1"
    diff "$2" "$3" | head -20
  fi
}

# usage NAME PATTERN ARGS...: a usage error: exit 2, PATTERN in the message, nothing on
# standard output.
usage() {
  local name=$1 pattern=$2
  shift 2
  "$q" scan "$@" >out 2>err
  local rc=$?
  if [ $rc = 2 ] && [ ! -s out ] && grep -q -- "$pattern" err; then pass; else
    fail "usage $name (exit $rc)"
    cat err
  fi
}
