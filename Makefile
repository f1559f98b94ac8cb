# Front door for the CMake build. `make run` and `make test` are all a fresh
# checkout needs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/hello
PREFIX     ?= /usr/local

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: build interpreter run test test-asan install bench fuzz fuzz-smoke clean deps deps-interpreter

# Everything, unit tests included: GoogleTest must then be there.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_REQUIRE_UNIT_TESTS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The interpreter and quorl-where alone, without the test targets.
interpreter: deps-interpreter
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_REQUIRE_UNIT_TESTS=OFF >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target quorl quorl-where

run: interpreter
	@if [ -f $(EXAMPLE).qrl ]; then \
	  ./$(BUILD)/quorl $(EXAMPLE).qrl; status=$$?; echo "exit status $$status"; \
	else ./$(BUILD)/quorl; true; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORL_SANITIZE=ON -DQUORL_REQUIRE_UNIT_TESTS=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# Installs bin/quorl, bin/quorl-where, the man page and the docs under
# PREFIX (default /usr/local): `make install PREFIX=$$HOME/.local`.
install: interpreter
	cmake --install $(BUILD) --prefix $(PREFIX)

# `make bench BENCH_RUNS=3 BENCHMARKS="tak sieve"` runs a subset three
# times each; BENCH_INSTRUCTIONS=1 also counts instructions (valgrind, slow).
BENCH_RUNS ?= 5
BENCHMARKS ?=
bench: deps
	@./scripts/install-deps.sh --bench
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_BENCH=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)
	./bench/run.sh $(BUILD) $(BENCH_RUNS) $(BENCHMARKS)

# The libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
# `make fuzz-smoke` runs each for FUZZ_SECONDS; scripts/fuzz.sh runs one as
# long as asked.
fuzz:
	@./scripts/install-deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_FUZZ=ON >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-smoke: fuzz
	./scripts/fuzz.sh front_end $(FUZZ_SECONDS)
	./scripts/fuzz.sh whole_run $(FUZZ_SECONDS)

# Install the build tools when a machine lacks them (a fresh machine of this
# kind has them all; this only matters elsewhere).  The interpreter needs
# CMake, the compiler and GMP; the tests also need GoogleTest.
deps:
	@./scripts/install-deps.sh

deps-interpreter:
	@./scripts/install-deps.sh interpreter

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
