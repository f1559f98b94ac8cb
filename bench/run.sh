#!/usr/bin/env bash
# Times each benchmark program in quorl, in Python and (where lua5.4 is
# installed and the program has a Lua version) in Lua, whole process, and
# prints the median wall times, the ratios quorl / Python and quorl / Lua,
# and how each implementation's time grows from the small size to the large
# one, so that a cost growing faster than the work shows.
#
#   bench/run.sh <build-dir> [runs] [benchmark...]
#
# bench/sizes lists the benchmarks with their two sizes.  Every benchmark is
# bench/<name>.qrl with bench/<name>.py (and optionally bench/<name>.lua)
# computing the same thing the same way from the size given as the first
# argument; each exits with the low byte of its result, and a benchmark
# whose implementations disagree is reported, since its figures would
# compare different work.  A benchmark may also have bench/<name>.c, a
# plain C program calling GMP on the same numbers: the floor that library
# speed means, shown as the last two columns.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [runs] [benchmark...]" >&2
  exit 2
fi
quorl=$1/quorl
runs=${2:-5}
shift $(($# >= 2 ? 2 : 1))
only=("$@")
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$quorl" ]; then
  echo "no quorl binary at $quorl" >&2
  exit 1
fi
# The interpreter executables themselves, not launcher scripts in front of them.
python=$(realpath "$(python3 -c 'import sys; print(sys.executable)')")
lua=$(command -v lua5.4 || true)
c_programs=$(mktemp -d)
trap 'rm -rf "$c_programs"' EXIT

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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "quorl:  $quorl"
echo "python: $python ($("$python" --version 2>&1))"
echo "lua:    ${lua:-not installed} $([ -n "$lua" ] && "$lua" -v 2>&1 | head -1)"
echo "runs:   $runs per program and size, median wall time of the whole process"
echo
printf '%-17s %9s %9s %9s %9s %8s %8s %9s %9s %8s %6s\n' benchmark size "quorl ms" "python ms" \
  "lua ms" "q/py" "q/lua" "q growth" "py growth" "C ms" "q/C"
failed=0
while read -r name small large _; do
  case $name in ''|'#'*) continue ;; esac
  if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  program=$here/$name.qrl script=$here/$name.py lua_script=$here/$name.lua
  [ -f "$program" ] && [ -f "$script" ] || { echo "$name: missing program" >&2; failed=1; continue; }
  declare -A ms=() status=()
  c_program=
  if [ -f "$here/$name.c" ]; then
    c_program=$c_programs/$name
    cc -O2 -o "$c_program" "$here/$name.c" -lgmp || { failed=1; c_program=; }
  fi
  for size in "$small" "$large"; do
    { read -r ms[q$size]; read -r status[q$size]; } < <(median_ms "$quorl" "$program" "$size")
    { read -r ms[p$size]; read -r status[p$size]; } < <(median_ms "$python" "$script" "$size")
    if [ -n "$lua" ] && [ -f "$lua_script" ]; then
      { read -r ms[l$size]; read -r status[l$size]; } < <(median_ms "$lua" "$lua_script" "$size")
    fi
    if [ -n "$c_program" ]; then
      { read -r ms[c$size]; read -r status[c$size]; } < <(median_ms "$c_program" "$size")
    fi
    for impl in p l c; do
      if [ -n "${status[$impl$size]:-}" ] && [ "${status[$impl$size]}" != "${status[q$size]}" ]; then
        echo "  $name $size: quorl exited with ${status[q$size]}, $impl with ${status[$impl$size]}" >&2
        failed=1
      fi
    done
  done
  lua_ms=${ms[l$large]:--}
  lua_ratio=-
  [ "$lua_ms" != - ] && lua_ratio=$(ratio "${ms[q$large]}" "$lua_ms")
  c_ms=${ms[c$large]:--}
  c_ratio=-
  [ "$c_ms" != - ] && c_ratio=$(ratio "${ms[q$large]}" "$c_ms")
  printf '%-17s %9s %9s %9s %9s %8s %8s %9s %9s %8s %6s\n' "$name" "$large" "${ms[q$large]}" \
    "${ms[p$large]}" "$lua_ms" "$(ratio "${ms[q$large]}" "${ms[p$large]}")" "$lua_ratio" \
    "$(ratio "${ms[q$large]}" "${ms[q$small]}")" "$(ratio "${ms[p$large]}" "${ms[p$small]}")" \
    "$c_ms" "$c_ratio"
  unset ms status
done < "$here/sizes"
echo
echo "growth: time at the large size over time at the small one (bench/sizes says how the work grows)"
exit $failed
