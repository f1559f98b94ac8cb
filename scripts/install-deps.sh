#!/usr/bin/env bash
# Makes sure the compiler, CMake, GMP (big integers), GoogleTest and Google
# Benchmark are present; installs what is missing.
#
#   scripts/install-deps.sh              everything the tests and benchmarks need
#   scripts/install-deps.sh interpreter  only what building the interpreter needs
#   scripts/install-deps.sh --bench      also Lua 5.4, the benchmarks' second peer
set -eu
missing=()
if [ "${1:-}" = --bench ]; then
  command -v lua5.4 >/dev/null || missing+=(lua5.4)
fi
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
# Debian puts gmp.h under the architecture's include folder.
compgen -G "/usr/include/gmp.h" >/dev/null || compgen -G "/usr/include/*/gmp.h" >/dev/null ||
  missing+=(libgmp-dev)
if [ "${1:-}" != interpreter ]; then
  [ -d /usr/include/gtest ] || missing+=(libgtest-dev)
  [ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
