#!/usr/bin/env bash
# Makes sure the compiler, CMake, GMP (big integers), libedit (the prompt's
# line editing), GoogleTest and Google Benchmark are present; installs what
# is missing.
#
#   scripts/install-deps.sh              everything the tests and benchmarks need
#   scripts/install-deps.sh interpreter  only what building the interpreter needs
#   scripts/install-deps.sh --bench      also Python 3 and Lua 5.4, the benchmarks'
#                                        peers, and GNU time for their peak memory
#                                        (and valgrind with BENCH_INSTRUCTIONS=1)
#   scripts/install-deps.sh fuzz         clang with its libFuzzer and sanitizer
#                                        runtimes, for `make fuzz`
set -eu
missing=()
command -v cmake >/dev/null || missing+=(cmake)
# Debian puts gmp.h under the architecture's include folder.
gmp_header_present() {
  compgen -G "/usr/include/gmp.h" >/dev/null || compgen -G "/usr/include/*/gmp.h" >/dev/null
}
libedit_present() { [ -f /usr/include/histedit.h ]; }
case "${1:-}" in
  fuzz)
    gmp_header_present || missing+=(libgmp-dev)
    libedit_present || missing+=(libedit-dev)
    command -v clang++ >/dev/null || missing+=(clang)
    # libFuzzer and the sanitizers' runtimes come apart from the compiler.
    if ! command -v clang++ >/dev/null ||
       ! ls "$(clang++ -print-resource-dir)"/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
      missing+=(libclang-rt-dev)
    fi
    ;;
  interpreter)
    command -v g++ >/dev/null || missing+=(g++)
    gmp_header_present || missing+=(libgmp-dev)
    libedit_present || missing+=(libedit-dev)
    ;;
  *)
    command -v g++ >/dev/null || missing+=(g++)
    [ -d /usr/include/gtest ] || missing+=(libgtest-dev)
    [ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
    gmp_header_present || missing+=(libgmp-dev)
    libedit_present || missing+=(libedit-dev)
    if [ "${1:-}" = --bench ]; then
      command -v python3 >/dev/null || missing+=(python3)
      command -v lua5.4 >/dev/null || missing+=(lua5.4)
      [ -x /usr/bin/time ] || missing+=(time)
      if [ "${BENCH_INSTRUCTIONS:-0}" = 1 ]; then
        command -v valgrind >/dev/null || missing+=(valgrind)
      fi
    fi
    ;;
esac
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
