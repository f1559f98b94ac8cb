# Front door for the CMake build. `make run` and `make test` are all a fresh
# checkout needs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/hello

.PHONY: build run test test-asan bench clean deps

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
	@./scripts/install-deps.sh --bench
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_BENCH=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)
	./bench/run.sh $(BUILD)

# Installs the build tools when a machine lacks them (a fresh machine of this
# kind has them all; this only matters elsewhere).
deps:
	@./scripts/install-deps.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
