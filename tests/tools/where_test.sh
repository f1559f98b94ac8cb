#!/usr/bin/env bash
# Checks quorl-where against the position codes quorl itself reports: the
# raw reading for bracket failures, the normalised reading for definition
# name failures, whitespace kept inside texts, and the refusals.
#
#   tests/tools/where_test.sh <quorl-where> <quorl>
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 <quorl-where> <quorl>" >&2
  exit 2
fi
where=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
quorl=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0

# The code quorl reports in the <vip> row for a program.
reported_code() {
  "$quorl" "$1" 2>&1 | sed $'s/\x1b\\[[0-9;]*m//g' | sed -n 's/^ <vip> //p'
}

# expect NAME EXPECTED-STATUS COMMAND...: stdout and status must match
# $work/expected.
expect() {
  local name=$1 status=$2
  shift 2
  "$@" >actual 2>errors
  local actual_status=$?
  if ! cmp -s expected actual || [ "$actual_status" != "$status" ]; then
    echo "$name: status $actual_status (expected $status), output:"
    diff -u --label expected --label actual expected actual | sed 's/^/  /'
    sed 's/^/  stderr: /' errors
    failed=1
  fi
}

raw_note="in the file as written: bracket and comma failures (match, comma)"
normal_note="in the normalised text: definition name failures (lower, built)"

# A mismatched bracket on the second line: the raw reading points at the
# opening parenthesis.
printf 'main,\nmain\\a\\(6*7]\n' >mismatch.qrl
code=$(reported_code mismatch.qrl)
cat >expected <<EOF
offset 13
mismatch.qrl:2:8: $raw_note
main\\a\\(6*7]
       ^
mismatch.qrl:2:9: $normal_note
main\\a\\(6*7]
        ^
EOF
expect "mismatched bracket ($code)" 0 "$where" mismatch.qrl "$code"
expect "code in brackets" 0 "$where" mismatch.qrl "[$code]"

# A builtin redefined after blank lines and indentation: the normalised
# reading finds the definition.
printf '  main ,\n\n  main \\ a \\ 0 ,\n    dash \\ a \\ a\n' >built.qrl
code=$(reported_code built.qrl)
cat >expected <<EOF
offset 14
built.qrl:3:5: $raw_note
  main \\ a \\ 0 ,
    ^
built.qrl:4:5: $normal_note
    dash \\ a \\ a
    ^
EOF
expect "redefined builtin ($code)" 0 "$where" built.qrl "$code"

# Blanks inside a text are kept by normalisation, blanks elsewhere are not.
printf 'main,main\\a\\[a    b]\n,\n\n   x\\1\n' >text.qrl
code=$(reported_code text.qrl)
cat >expected <<EOF
offset 21
text.qrl:2:1: $raw_note
,
^
text.qrl:4:4: $normal_note
   x\\1
   ^
EOF
expect "lowercase definition after a text ($code)" 0 "$where" text.qrl "$code"

# A caret keeps the tabs and counts a UTF-8 character as one column.
printf 'main,main\\a\\\n\t\xc3\xa9(6*7]\n' >wide.qrl
code=$(reported_code wide.qrl)
printf 'offset 16\nwide.qrl:2:4: %s\n\t\xc3\xa9(6*7]\n\t ^\nwide.qrl:2:5: %s\n\t\xc3\xa9(6*7]\n\t  ^\n' \
  "$raw_note" "$normal_note" >expected
expect "tab and UTF-8 before the bracket ($code)" 0 "$where" wide.qrl "$code"

cat >expected <<EOF
offset 1073741824
text.qrl: past the end of the file (31 bytes): $raw_note
text.qrl: past the end of the normalised text (24 bytes): $normal_note
EOF
expect "code beyond the text" 0 "$where" text.qrl '!!!!!'

: >expected
expect "not a code" 1 "$where" text.qrl ____
expect "a byte outside the digits" 1 "$where" text.qrl ____-
expect "unreadable file" 1 "$where" missing.qrl _____
expect "no code" 2 "$where" text.qrl

exit $failed
