#!/usr/bin/env bash
# Times each benchmark program in quorl and in Python and prints the median
# wall time of the whole process for both, and their ratio.
#
#   bench/run.sh <build-dir> [runs]
#
# Every benchmark is a pair bench/<name>.qrl and bench/<name>.py computing the
# same thing the same way; both exit with the low byte of the result, and a
# pair whose statuses differ is reported, since its figures would compare
# different work.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [runs]" >&2
  exit 2
fi
quorl=$1/quorl
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$quorl" ]; then
  echo "no quorl binary at $quorl" >&2
  exit 1
fi
# The interpreter executable itself, not a launcher script in front of it.
python=$(realpath "$(python3 -c 'import sys; print(sys.executable)')")

# Runs a command `runs` times; prints the median wall time in milliseconds,
# then the exit status of the last run.
median_ms() {
  local times=() start end status
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 </dev/null
    status=$?
    end=$EPOCHREALTIME
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    if (NR % 2) print t[(NR + 1) / 2]; else printf "%.1f\n", (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
  echo "$status"
}

echo "quorl:  $quorl"
echo "python: $python ($("$python" --version 2>&1))"
echo "runs:   $runs per program, median wall time of the whole process"
echo
printf '%-16s %12s %12s %8s\n' benchmark "quorl ms" "python ms" ratio
failed=0
for program in "$here"/*.qrl; do
  name=$(basename "$program" .qrl)
  script=$here/$name.py
  [ -f "$script" ] || continue
  { read -r quorl_ms; read -r quorl_status; } < <(median_ms "$quorl" "$program")
  { read -r python_ms; read -r python_status; } < <(median_ms "$python" "$script")
  ratio=$(awk -v q="$quorl_ms" -v p="$python_ms" 'BEGIN { printf "%.2f", q / p }')
  printf '%-16s %12s %12s %8s\n' "$name" "$quorl_ms" "$python_ms" "$ratio"
  if [ "$quorl_status" != "$python_status" ]; then
    echo "  $name: quorl exited with $quorl_status, python with $python_status" >&2
    failed=1
  fi
done
exit $failed
