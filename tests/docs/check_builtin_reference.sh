#!/usr/bin/env bash
# Checks the builtin reference against the builtin table, so that neither
# can drift from the other:
#   - every row of the table has exactly one reference row
#     "| `name` | arity | ..." with the same arity, and every reference row
#     names a builtin of the table;
#   - every builtin is used in at least one sample program (a `quorl` block)
#     of the reference, so each has an example that runs.
#
#   tests/docs/check_builtin_reference.sh <table.cpp> <builtins.md>
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 <table.cpp> <builtins.md>" >&2
  exit 2
fi
table=$1
reference=$2

# name arity, one a line
rows=$(grep -o '{"[a-z_]*", [0-9]*,' "$table" | sed 's/{"\([a-z_]*\)", \([0-9]*\),/\1 \2/' | sort)
documented=$(grep -E '^\| `[a-z_]+` \| [0-9]+ \|' "$reference" |
  sed -E 's/^\| `([a-z_]+)` \| ([0-9]+) \|.*/\1 \2/' | sort)
samples=$(awk '/^```/ { inside = !inside; program = inside && $0 ~ /^```quorl/; next }
               inside && program' "$reference")

failed=0
table_count=$(printf '%s\n' "$rows" | grep -c .)
if [ "$table_count" -lt 200 ]; then
  echo "$table: only $table_count rows found; has the row format changed?"
  failed=1
fi

while read -r name arity; do
  entries=$(printf '%s\n' "$documented" | awk -v n="$name" '$1 == n' | wc -l)
  if [ "$entries" -eq 0 ]; then
    echo "$reference: builtin $name/$arity has no reference row"
    failed=1
  elif [ "$entries" -gt 1 ]; then
    echo "$reference: builtin $name has $entries reference rows"
    failed=1
  elif ! printf '%s\n' "$documented" | grep -qx "$name $arity"; then
    echo "$reference: builtin $name takes $arity arguments, its reference row says otherwise"
    failed=1
  fi
  if ! printf '%s\n' "$samples" | grep -qw -- "$name"; then
    echo "$reference: builtin $name is used in no sample program"
    failed=1
  fi
done <<<"$rows"

while read -r name arity; do
  [ -n "$name" ] || continue
  if ! printf '%s\n' "$rows" | awk -v n="$name" '$1 == n { found = 1 } END { exit !found }'; then
    echo "$reference: $name has a reference row but is not a builtin"
    failed=1
  fi
done <<<"$documented"

[ $failed -eq 0 ] && echo "$table_count builtins, each with its reference row and a sample"
exit $failed
