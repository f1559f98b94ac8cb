#!/usr/bin/env bash
# Starts quorl under address-space limits from too small for the loader to
# ample, in small steps, and checks how each run ends: the loader refusing
# to start it, the memory report with status 1, or the program's own
# result.  Nothing may abort: memory that runs out while the interpreter
# starts must find its handlers in place.
#
#   tests/driver/memory_limits_at_start.sh <quorl-binary>
set -u

if [ $# -ne 1 ]; then
  echo "usage: $0 <quorl-binary>" >&2
  exit 2
fi
quorl=$1
if grep -qa __asan_init "$quorl"; then
  echo "skipped: a sanitizer build cannot run under a memory limit"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'main,main\\a\\_{puts(init[ran])}7\n' > "$work/program.qrl"
memory_report='Out of memory: the run needed more memory than the system would give it.'

failed=0
ran=0
mapped=0
for limit in $(seq 1000 50 20000); do
  # (The shell's own word on a run killed by a signal is kept out of the log.)
  { (ulimit -v "$limit" && exec "$quorl" "$work/program.qrl") >"$work/stdout" 2>"$work/stderr"; } 2>/dev/null
  status=$?
  # Below some size the kernel cannot even map the binary and kills the
  # process before any of it runs.
  [ $status -eq 139 ] && [ $mapped -eq 0 ] && continue
  mapped=1
  case $status in
    7) [ "$(cat "$work/stdout")" = ran ] && ran=1 && continue ;;
    1) [ "$(cat "$work/stderr")" = "$memory_report" ] && continue ;;
    127) continue ;;  # the loader could not map what quorl needs
  esac
  echo "under ulimit -v $limit quorl ended with status $status:"
  sed 's/^/  /' "$work/stderr" | head -n 5
  failed=1
done
if [ $ran -eq 0 ]; then
  echo "no limit up to 20000 KiB let the program run"
  failed=1
fi
exit $failed
