# Front door for the CMake build. `make run` and `make test` are all a fresh
# checkout needs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/hello

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: build run test test-asan bench fuzz fuzz-smoke clean deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -f $(EXAMPLE).qrl ]; then \
	  ./$(BUILD)/quorl $(EXAMPLE).qrl; status=$$?; echo "exit status $$status"; \
	else ./$(BUILD)/quorl; true; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORL_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_BENCH=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)
	./bench/run.sh $(BUILD)

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

# Installs the build tools when a machine lacks them (a fresh machine of this
# kind has them all; this only matters elsewhere).
deps:
	@./scripts/install-deps.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
