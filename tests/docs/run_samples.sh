#!/usr/bin/env bash
# Runs every sample program of a Markdown document and checks that it prints
# and returns what the document says.
#
#   tests/docs/run_samples.sh <quorl-binary> <document.md>
#
# The convention (docs/README.md tells it to writers):
#   - a fenced block tagged `quorl` is a complete program;
#   - each fenced block tagged `output` that follows it is a terminal
#     transcript of running it: an optional first line
#     `$ quorl NAME.qrl ARGS...` (or `$ echo TEXT | quorl NAME.qrl ARGS...`,
#     which gives TEXT and a newline as standard input, or
#     `$ quorl --why NAME.qrl ARGS...`, or
#     `$ quorl-where NAME.qrl CODE`, which runs quorl-where from the
#     folder of the quorl binary on the program instead), then what appears
#     on the terminal (standard output, then standard error without its
#     colour sequences), then optionally `$ echo $?` and the exit status;
#     without it the status must be 0;
#   - a program without an output block must print nothing and return 0;
#   - every other fenced block must be tagged `text` or `sh` (not run), so
#     that no program slips in untested.
# Programs run in an empty temporary folder (the program is written there
# under NAME.qrl, sample.qrl by default) with TZ=UTC and standard input
# empty unless given.
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 <quorl-binary> <document.md>" >&2
  exit 2
fi
quorl=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
where=$(dirname "$quorl")/quorl-where
document=$2
time_limit=30

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Splits the document into blocks: blocks/N.tag, N.line and N.body.
mkdir "$work/blocks"
awk -v out="$work/blocks" '
  /^```/ {
    if (!inside) {
      inside = 1; n++
      tag = substr($0, 4); sub(/[ \t].*$/, "", tag)
      print tag > (out "/" n ".tag"); close(out "/" n ".tag")
      print NR > (out "/" n ".line"); close(out "/" n ".line")
      printf "" > (out "/" n ".body")
    } else {
      inside = 0; close(out "/" n ".body")
    }
    next
  }
  inside { print >> (out "/" n ".body") }
  END { if (inside) { print "unclosed fence" > "/dev/stderr"; exit 1 } }
' "$document" || exit 1

count=$(find "$work/blocks" -name '*.tag' | wc -l)
failed=0
ran=0

strip_colours() { sed $'s/\x1b\\[[0-9;]*m//g'; }

# Runs the program of block $1 against the transcript of block $2 (or none).
run_sample() {
  local program=$1 transcript=$2 line
  line=$(cat "$work/blocks/${transcript:-$program}.line")
  local name=sample.qrl stdin_text= has_stdin=0 status=0 binary=$quorl
  local args=() options=()
  local expected="$work/expected"
  : >"$expected"
  if [ -n "$transcript" ]; then
    mapfile -t lines <"$work/blocks/$transcript.body"
    local first=0 last=${#lines[@]}
    if [ $last -gt 0 ] && [[ ${lines[0]} == '$ '* ]]; then
      local command=${lines[0]#'$ '}
      if [[ $command =~ ^echo\ (.*)\ \|\ (quorl\ .*)$ ]]; then
        stdin_text=${BASH_REMATCH[1]}
        has_stdin=1
        command=${BASH_REMATCH[2]}
      fi
      if [[ $command =~ ^quorl\ --why\ (.*)$ ]]; then
        options=(--why)
        command="quorl ${BASH_REMATCH[1]}"
      fi
      if [[ ! $command =~ ^(quorl|quorl-where)\ ([^ ]+\.qrl)(\ (.*))?$ ]]; then
        echo "$document:$line: the transcript does not start with \$ quorl NAME.qrl"
        failed=1
        return
      fi
      [ "${BASH_REMATCH[1]}" = quorl-where ] && binary=$where
      name=${BASH_REMATCH[2]}
      if [ -n "${BASH_REMATCH[4]}" ]; then
        mapfile -d '' args < <(printf '%s' "${BASH_REMATCH[4]}" | xargs printf '%s\0')
      fi
      first=1
    fi
    if [ $last -ge $((first + 2)) ] && [ "${lines[last-2]}" = '$ echo $?' ]; then
      status=${lines[last-1]}
      last=$((last - 2))
    fi
    local i
    for ((i = first; i < last; i++)); do printf '%s\n' "${lines[i]}" >>"$expected"; done
  fi

  local run_dir="$work/run"
  rm -rf "$run_dir"
  mkdir "$run_dir"
  cp "$work/blocks/$program.body" "$run_dir/$name"
  local actual_status
  # The braces keep the shell's own note on a program that aborts (a
  # sample may show that) out of the report.
  if [ $has_stdin = 1 ]; then
    { (cd "$run_dir" && printf '%s\n' "$stdin_text" |
      TZ=UTC timeout $time_limit "$binary" "${options[@]}" "$name" "${args[@]}" >../stdout 2>../stderr); } 2>/dev/null
    actual_status=$?
  else
    { (cd "$run_dir" && TZ=UTC timeout $time_limit "$binary" "${options[@]}" "$name" "${args[@]}" \
      </dev/null >../stdout 2>../stderr); } 2>/dev/null
    actual_status=$?
  fi
  { cat "$work/stdout"; strip_colours <"$work/stderr"; } >"$work/actual"
  ran=$((ran + 1))
  if ! cmp -s "$expected" "$work/actual"; then
    echo "$document:$line: the sample prints something else:"
    diff -u --label stated --label printed "$expected" "$work/actual" | cat -v | sed 's/^/  /'
    failed=1
  fi
  if [ "$actual_status" != "$status" ]; then
    echo "$document:$line: the sample exits with $actual_status, the text says $status"
    failed=1
  fi
}

for ((n = 1; n <= count; n++)); do
  tag=$(cat "$work/blocks/$n.tag")
  case $tag in
    quorl)
      if [ $n -lt "$count" ] && [ "$(cat "$work/blocks/$((n + 1)).tag")" = output ]; then
        for ((m = n + 1; m <= count; m++)); do
          [ "$(cat "$work/blocks/$m.tag")" = output ] || break
          run_sample $n $m
        done
      else
        run_sample $n ""
      fi
      ;;
    output)
      previous=
      [ $n -gt 1 ] && previous=$(cat "$work/blocks/$((n - 1)).tag")
      if [ "$previous" != quorl ] && [ "$previous" != output ]; then
        echo "$document:$(cat "$work/blocks/$n.line"): an output block without a program before it"
        failed=1
      fi
      ;;
    text | sh) ;;
    *)
      echo "$document:$(cat "$work/blocks/$n.line"): a fenced block must be tagged quorl, output, text or sh"
      failed=1
      ;;
  esac
done

echo "$document: $ran samples run"
exit $failed
