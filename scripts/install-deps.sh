#!/usr/bin/env bash
# Makes sure the compiler, CMake, GoogleTest, Google Benchmark and GMP (the
# reference for the arithmetic tests) are present; installs what is missing.
# With the argument `fuzz`: clang with its libFuzzer and sanitizer runtimes
# instead, for `make fuzz`.
set -eu
missing=()
if [ "${1:-}" = fuzz ]; then
  command -v cmake >/dev/null || missing+=(cmake)
  command -v clang++ >/dev/null || missing+=(clang)
  # libFuzzer and the sanitizers' runtimes come apart from the compiler.
  if ! command -v clang++ >/dev/null ||
     ! ls "$(clang++ -print-resource-dir)"/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    missing+=(libclang-rt-dev)
  fi
else
  command -v cmake >/dev/null || missing+=(cmake)
  command -v g++ >/dev/null || missing+=(g++)
  [ -d /usr/include/gtest ] || missing+=(libgtest-dev)
  [ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
  [ -f /usr/include/gmpxx.h ] || missing+=(libgmp-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
