#!/usr/bin/env bash
# Runs one end-to-end case and compares what quorl printed and returned with
# what the case expects, byte for byte.
#
#   tests/run_case.sh <quorl-binary> <case-dir>
#
# The case folder layout is described in tests/programs/README.md.  Exits 0
# when the case passes and 1 when it fails, saying which stream differed;
# 77 when the case cannot run here (the reason goes to standard output).
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 <quorl-binary> <case-dir>" >&2
  exit 2
fi

quorl=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
case_dir=$2
case_name=$(basename "$(cd "$case_dir" 2>/dev/null && pwd || echo "$case_dir")")
time_limit=60

if [ ! -x "$quorl" ]; then
  echo "$case_name: no quorl binary at $1" >&2
  exit 1
fi
cd "$case_dir" || exit 1

if [ ! -f expected_status ]; then
  echo "$case_name: the case has no expected_status file" >&2
  exit 1
fi

# The command line: normally `quorl program.qrl args...`, with the options
# of an `options` file, one a line, before the program path.
command_line=()
if [ -f options ]; then
  mapfile -t case_options < options
  command_line+=("${case_options[@]}")
fi
if [ ! -e noprogram ]; then
  if [ -f program_path ]; then
    # One line, with printf-style backslash escapes, so that paths holding
    # newlines or other odd bytes can be written down.
    IFS= read -r path_line < program_path
    printf -v program_path '%b' "$path_line"
    command_line+=("$program_path")
  else
    command_line+=(program.qrl)
  fi
  if [ -f args ]; then
    mapfile -t case_args < args
    command_line+=("${case_args[@]}")
  fi
fi

skip() {
  echo "$case_name: skipped: $1"
  exit 77
}

sanitized=false
if grep -qa __asan_init "$quorl"; then
  sanitized=true
  # An unoptimised sanitizer build runs some twenty to forty times slower;
  # the limit only guards against a run that never ends.
  time_limit=300
fi
if $sanitized && [ -f skip_sanitized ]; then
  skip "$(head -n 1 skip_sanitized)"
fi

# A sanitizer build reserves far more address space than any memory limit
# leaves, so it cannot run under one.
memory_limit=
if [ -f ulimit_v ]; then
  memory_limit=$(tr -d ' \t\r\n' < ulimit_v)
  if $sanitized; then
    skip "a sanitizer build cannot run under a memory limit"
  fi
fi

# A wrapper runs in place of quorl, in a /tmp of its own that nothing else
# sees, so that it can plant files at the fixed paths quorl writes to.
# It may itself find that it cannot run here: it then prints "skipped:"
# and the reason, and exits with 77.  The private /tmp hides whatever the
# real one holds, the checkout too when it lives there, so the wrapper is
# given quorl as a descriptor opened before (the case folder itself stays
# reachable as the working directory).
runner=("$quorl")
if [ -f wrapper ]; then
  namespace=(unshare --mount)
  [ "$(id -u)" = 0 ] || namespace+=(--map-root-user)
  if ! "${namespace[@]}" sh -c 'mount -t tmpfs private /tmp' 2>/dev/null; then
    skip "no private /tmp can be made here (unshare)"
  fi
  exec {quorl_fd}<"$quorl"
  runner=("${namespace[@]}" sh -c 'mount -t tmpfs private /tmp && exec "$@"' wrapper
          sh ./wrapper "/proc/self/fd/$quorl_fd")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

input=/dev/null
[ -f stdin ] && input=stdin
(
  if [ -n "$memory_limit" ]; then ulimit -v "$memory_limit" || exit 125; fi
  exec timeout "$time_limit" "${runner[@]}" "${command_line[@]}"
) <"$input" >"$work/stdout" 2>"$work/stderr"
status=$?
if [ "$status" = 77 ] && head -c 8 "$work/stdout" | grep -q '^skipped:'; then
  skip "$(sed -e 's/^skipped: *//' -e q "$work/stdout")"
fi

failed=0

# Reports a difference between an expected file (possibly absent: empty) and
# what quorl wrote, with non-printing bytes made visible.
compare_stream() {
  local stream=$1 expected_file=$2 actual_file=$3
  [ -f "$expected_file" ] || expected_file=/dev/null
  if cmp -s "$expected_file" "$actual_file"; then
    return
  fi
  failed=1
  echo "$case_name: $stream differs from ${2}:"
  cmp "$expected_file" "$actual_file" 2>&1 | sed -e "s|$actual_file|actual $stream|" -e 's/^/  /'
  cat -v "$expected_file" >"$work/expected.visible"
  cat -v "$actual_file" >"$work/actual.visible"
  if cmp -s "$work/expected.visible" "$work/actual.visible"; then
    # Differences that cat -v hides: show the bytes themselves.
    echo "  expected bytes:"; od -c "$expected_file" | sed 's/^/    /'
    echo "  actual bytes:"; od -c "$actual_file" | sed 's/^/    /'
  else
    diff -u --label expected --label actual "$work/expected.visible" "$work/actual.visible" \
      | sed 's/^/  /'
  fi
}

compare_stream stdout expected_stdout "$work/stdout"
compare_stream stderr expected_stderr "$work/stderr"

expected_status=$(tr -d ' \t\r\n' < expected_status)
if [ "$status" = 124 ] && [ "$expected_status" != 124 ]; then
  failed=1
  echo "$case_name: timed out after ${time_limit}s"
elif [ "$status" != "$expected_status" ]; then
  failed=1
  echo "$case_name: exit status $status, expected $expected_status"
fi

if [ $failed -ne 0 ]; then
  echo "$case_name: FAILED (command: quorl ${command_line[*]})"
  exit 1
fi
exit 0
