#!/usr/bin/env bash
# Times each benchmark program in quorl, in Python and (where lua5.4 is
# installed and the program has a Lua version) in Lua, whole process, and
# prints the median wall times, the ratios quorl / Python and quorl / Lua,
# and how each implementation's time grows from the small size to the large
# one, so that a cost growing faster than the work shows.  A second table
# gives each one's peak memory at the large size and, when asked, the
# instructions quorl and Python execute there.
#
#   bench/run.sh <build-dir> [runs] [benchmark...]
#
#   BENCH_INSTRUCTIONS=1 bench/run.sh ...   also counts instructions at the
#                                           large size with valgrind (slow:
#                                           each run takes some 50 times longer)
#
# bench/sizes lists the benchmarks with their two sizes.  Every benchmark is
# bench/<name>.qrl with bench/<name>.py (and optionally bench/<name>.lua)
# computing the same thing the same way from the size given as the first
# argument; each prints the same bytes and exits with the low byte of its
# result.  Before it is timed, each program runs once at each size to check
# that; a benchmark whose implementations disagree is reported, since its
# figures would compare different work.  That run also measures the peak
# memory (GNU time's maximum resident set).  A benchmark may also have
# bench/<name>.c, a plain C program calling GMP on the same numbers: the
# floor that library speed means, shown as the last two columns.
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
count_instructions=${BENCH_INSTRUCTIONS:-0}

if [ ! -x "$quorl" ]; then
  echo "no quorl binary at $quorl" >&2
  exit 1
fi
for name in "${only[@]}"; do
  grep -q "^$name " "$here/sizes" || { echo "no benchmark $name in bench/sizes" >&2; exit 2; }
done
# The interpreter executables themselves, not launcher scripts in front of them.
python=$(realpath "$(python3 -c 'import sys; print(sys.executable)')")
lua=$(command -v lua5.4 || true)
# GNU time measures the peak memory; without it that column stays empty.
time_tool=
/usr/bin/time -f %M -o /dev/null true 2>/dev/null && time_tool=/usr/bin/time
if [ "$count_instructions" = 1 ] && ! command -v valgrind >/dev/null; then
  echo "BENCH_INSTRUCTIONS=1 needs valgrind (apt-get install valgrind)" >&2
  exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Runs a command once with its output kept in $scratch/<key>.out; sets
# status[key] and, when GNU time is there, peak_kb[key].
check_run() {
  local key=$1
  shift
  if [ -n "$time_tool" ]; then
    "$time_tool" -f %M -o "$scratch/$key.mem" "$@" >"$scratch/$key.out" 2>"$scratch/$key.err" </dev/null
    status[$key]=$?
    # GNU time puts a line about a failed command's status before the figure.
    peak_kb[$key]=$(tail -n 1 "$scratch/$key.mem")
  else
    "$@" >"$scratch/$key.out" 2>"$scratch/$key.err" </dev/null
    status[$key]=$?
  fi
}

# Runs a command `runs` times; prints the median wall time in milliseconds.
median_ms() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 </dev/null
    end=$EPOCHREALTIME
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    if (NR % 2) print t[(NR + 1) / 2]; else printf "%.1f\n", (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# Prints the millions of instructions a command executes, or - when
# valgrind cannot run it.
instructions() {
  valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null "$@" \
    2>&1 >/dev/null </dev/null |
    awk '/I +refs:/ { gsub(",", "", $NF); n = $NF } END { if (n) printf "%.1f\n", n / 1e6; else print "-" }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "-" && b != "-" && b > 0) printf "%.2f", a / b; else print "-" }'; }
megabytes() { awk -v k="${1:--}" 'BEGIN { if (k == "-") print "-"; else printf "%.1f", k / 1024 }'; }
geometric_mean() { awk '$1 != "" && $1 != "-" { s += log($1); n++ } END { if (n) printf "%.2f over %d benchmarks\n", exp(s / n), n; else print "-" }'; }

# Says where an implementation's output or status differs from quorl's.
compare_with_quorl() {
  local name=$1 size=$2 impl=$3 label=$4
  [ -n "${status[$impl$size]:-}" ] || return 0
  if [ "${status[$impl$size]}" != "${status[q$size]}" ]; then
    echo "  $name $size: quorl exited with ${status[q$size]}, $label with ${status[$impl$size]}" >&2
    failed=1
  fi
  if ! cmp -s "$scratch/q$size.out" "$scratch/$impl$size.out"; then
    echo "  $name $size: quorl and $label printed different output:" >&2
    diff "$scratch/q$size.out" "$scratch/$impl$size.out" | head -n 6 | sed 's/^/    /' >&2
    failed=1
  fi
}

echo "quorl:  $quorl"
echo "python: $python ($("$python" --version 2>&1))"
echo "lua:    ${lua:-not installed} $([ -n "$lua" ] && "$lua" -v 2>&1 | head -1)"
echo "runs:   $runs per program and size, median wall time of the whole process"
echo
row='%-17s %9s %9s %9s %9s %7s %7s %8s %8s %8s %8s %6s\n'
printf "$row" benchmark size "quorl ms" "python ms" "lua ms" "q/py" "q/lua" \
  "q growth" "py grow" "lua grow" "C ms" "q/C"
memory_row='%-17s %9s %9s %9s %9s %7s %11s %11s %8s\n'
memory_rows=()
python_ratios=() lua_ratios=() instruction_ratios=()
failed=0
while read -r name small large _; do
  case $name in ''|'#'*) continue ;; esac
  if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  program=$here/$name.qrl script=$here/$name.py lua_script=$here/$name.lua
  [ -f "$program" ] && [ -f "$script" ] || { echo "$name: missing program" >&2; failed=1; continue; }
  declare -A ms=() status=() peak_kb=()
  impls=(q p)
  [ -n "$lua" ] && [ -f "$lua_script" ] && impls+=(l)
  if [ -f "$here/$name.c" ]; then
    if cc -O2 -o "$scratch/$name" "$here/$name.c" -lgmp; then impls+=(c); else failed=1; fi
  fi
  for size in "$small" "$large"; do
    for impl in "${impls[@]}"; do
      case $impl in
        q) command=("$quorl" "$program") ;;
        p) command=("$python" "$script") ;;
        l) command=("$lua" "$lua_script") ;;
        c) command=("$scratch/$name") ;;
      esac
      check_run "$impl$size" "${command[@]}" "$size"
      ms[$impl$size]=$(median_ms "${command[@]}" "$size")
    done
    compare_with_quorl "$name" "$size" p python
    compare_with_quorl "$name" "$size" l lua
    compare_with_quorl "$name" "$size" c C
  done
  q_ms=${ms[q$large]} py_ms=${ms[p$large]} lua_ms=${ms[l$large]:--} c_ms=${ms[c$large]:--}
  python_ratio=$(ratio "$q_ms" "$py_ms") lua_ratio=$(ratio "$q_ms" "$lua_ms")
  python_ratios+=("$python_ratio")
  [ "$lua_ratio" != - ] && lua_ratios+=("$lua_ratio")
  printf "$row" "$name" "$large" "$q_ms" "$py_ms" "$lua_ms" "$python_ratio" "$lua_ratio" \
    "$(ratio "$q_ms" "${ms[q$small]}")" "$(ratio "$py_ms" "${ms[p$small]}")" \
    "$(ratio "$lua_ms" "${ms[l$small]:--}")" "$c_ms" "$(ratio "$q_ms" "$c_ms")"

  q_instructions=- py_instructions=-
  if [ "$count_instructions" = 1 ]; then
    q_instructions=$(instructions "$quorl" "$program" "$large")
    py_instructions=$(instructions "$python" "$script" "$large")
    instruction_ratio=$(ratio "$q_instructions" "$py_instructions")
    [ "$instruction_ratio" != - ] && instruction_ratios+=("$instruction_ratio")
  fi
  q_mb=$(megabytes "${peak_kb[q$large]:--}") py_mb=$(megabytes "${peak_kb[p$large]:--}")
  memory_rows+=("$(printf "$memory_row" "$name" "$large" "$q_mb" "$py_mb" \
    "$(megabytes "${peak_kb[l$large]:--}")" "$(ratio "$q_mb" "$py_mb")" \
    "$q_instructions" "$py_instructions" "$(ratio "$q_instructions" "$py_instructions")")")
  unset ms status peak_kb
done < "$here/sizes"
echo
echo "growth: time at the large size over time at the small one (bench/sizes says how the work grows)"
echo "geometric mean of quorl / Python: $(printf '%s\n' "${python_ratios[@]}" | geometric_mean)"
echo "geometric mean of quorl / Lua:    $(printf '%s\n' "${lua_ratios[@]}" | geometric_mean)"
echo
printf "$memory_row" benchmark size "quorl MB" "python MB" "lua MB" "q/py" \
  "quorl Minst" "python Minst" "q/py"
printf '%s\n' "${memory_rows[@]}"
echo
echo "MB: peak resident memory at the large size$([ -z "$time_tool" ] && echo " (needs GNU time at /usr/bin/time)")"
if [ "$count_instructions" = 1 ]; then
  echo "Minst: millions of instructions at the large size (valgrind)"
  echo "geometric mean of quorl / Python instructions: $(printf '%s\n' "${instruction_ratios[@]}" | geometric_mean)"
else
  echo "Minst: set BENCH_INSTRUCTIONS=1 to count instructions at the large size (valgrind, slow)"
fi
exit $failed
