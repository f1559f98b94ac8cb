#!/usr/bin/env bash
# Makes sure the compiler, CMake, GoogleTest, Google Benchmark and GMP (the
# reference for the arithmetic tests) are present; installs what is missing.
# With --bench it also makes sure of Lua 5.4, the benchmarks' second peer.
set -eu
missing=()
if [ "${1:-}" = --bench ]; then
  command -v lua5.4 >/dev/null || missing+=(lua5.4)
fi
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
[ -d /usr/include/gtest ] || missing+=(libgtest-dev)
[ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
[ -f /usr/include/gmpxx.h ] || missing+=(libgmp-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
