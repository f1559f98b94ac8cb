#!/usr/bin/env bash
# Runs one fuzz target for a while:
#
#   scripts/fuzz.sh <front_end|whole_run> <seconds> [libFuzzer options...]
#
# The corpus lives in build-fuzz/corpus/<target> and grows from run to run;
# it starts from the end-to-end programs and the examples.  Findings (the
# inputs that crash) are written to build-fuzz/findings/<target>; the exit
# status is libFuzzer's, so a finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
seconds=$2
shift 2
build=${FUZZ_BUILD:-build-fuzz}
binary=$build/fuzz_$target
corpus=$build/corpus/$target
findings=$build/findings/$target
if [ ! -x "$binary" ]; then
  echo "no $binary: run make fuzz first" >&2
  exit 2
fi
mkdir -p "$corpus" "$findings"
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"
for program in tests/programs/*/program.qrl examples/*.qrl; do
  [ -f "$program" ] || continue
  # Seeds larger than an input may be are of no use to the fuzzer, and the
  # cases that need minutes under the sanitizers or exhaust memory on
  # purpose would only be reported as slow.
  [ "$(wc -c < "$program")" -le 16384 ] || continue
  case_dir=$(dirname "$program")
  [ -e "$case_dir/skip_sanitized" ] || [ -e "$case_dir/ulimit_v" ] && continue
  cp "$program" "$seeds/$(echo "$program" | tr '/' '_')"
done
# Each input gets a fresh interpreter state but shares the process, so the
# sanitizers' leak check (which would count what a run leaves to the end of
# the process) is off.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} \
  "$binary" -max_total_time="$seconds" -max_len=16384 -timeout=60 -rss_limit_mb=4096 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@" "$corpus" "$seeds"
