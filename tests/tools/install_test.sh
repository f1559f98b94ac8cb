#!/usr/bin/env bash
# Installs a build into a temporary prefix, as `make install PREFIX=...`
# does, and checks that what lands there works: quorl runs the installed
# hello example, quorl-where answers, the man page renders and the docs are
# there.
#
#   tests/tools/install_test.sh <build-dir>
set -u

if [ $# -ne 1 ]; then
  echo "usage: $0 <build-dir>" >&2
  exit 2
fi
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() {
  echo "$1"
  failed=1
}

if ! cmake --install "$1" --prefix "$prefix" >"$prefix/install.log" 2>&1; then
  cat "$prefix/install.log"
  exit 1
fi

docs=$prefix/share/doc/quorl
out=$("$prefix/bin/quorl" "$docs/examples/hello.qrl" 2>&1)
[ "$out" = "hello, world" ] || fail "installed quorl printed: $out"
"$prefix/bin/quorl" --version | grep -q '^quorl [0-9]' || fail "installed quorl --version"
"$prefix/bin/quorl-where" >/dev/null 2>&1
[ $? -eq 2 ] || fail "installed quorl-where without arguments does not exit with 2"

page=$prefix/share/man/man1/quorl.1
if [ ! -f "$page" ]; then
  fail "no man page at share/man/man1/quorl.1"
elif grep -q '@PROJECT_VERSION@' "$page"; then
  fail "the man page has no version filled in"
elif command -v man >/dev/null; then
  rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
  [[ $rendered == *"quorl-where file code"* ]] || fail "man -l does not render the page"
fi

for doc in language.md builtins.md cookbook.md usage.md README.md; do
  [ -f "$docs/$doc" ] || fail "no $doc under share/doc/quorl"
done
# The README's links lead to files installed beside it.
if [ -f "$docs/README.md" ]; then
  links=$(grep -o '](\([^)#]*\)' "$docs/README.md" | sed 's/^](//' | grep -v '^[a-z]*:' | sort -u)
  [ -n "$links" ] || fail "the installed README has no links to check"
  for link in $links; do
    [ -e "$docs/$link" ] || fail "the installed README links to $link, which is not installed"
  done
fi
# --help names the installed docs.
help=$("$prefix/bin/quorl" --help)
installed_docs=$(cd "$docs" && pwd -P)
for doc in language.md builtins.md; do
  [[ $help == *"$installed_docs/$doc"* ]] || fail "installed quorl --help does not name $installed_docs/$doc"
done
[ -f "$prefix/share/quorl/editors/vim/syntax/quorl.vim" ] || fail "no Vim syntax file installed"

exit $failed
