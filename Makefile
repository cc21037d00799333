# Handrel: `make run` and `make test` do all the set-up on a fresh Debian 12
# machine (packages, configure, build) and then run or test.
BUILD   ?= build
ASAN    ?= build-asan
JOBS    ?= 2
PORT    ?= 5492
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# One compiler cache for every checkout on this machine: paths are taken
# relative to the checkout, so a fresh clone reuses what another compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1


.PHONY: all setup build run listen test test-asan fuzz-smoke bench clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C $(BUILD) -j$(JOBS)

# Opens Handrel's window connected to the built-in virtual handheld through
# the local link (the default connection type: nothing to configure).
# `make listen` serves the same handheld over TCP instead.
run: build
	@$(BUILD)/bin/handrel --connect

listen: build
	@echo "Serving the built-in virtual handheld on port $(PORT)."
	@echo "Reach it with: $(BUILD)/bin/handrel-cli --host 127.0.0.1:$(PORT) watch 10"
	@$(BUILD)/bin/hdlisten --port $(PORT) --device virtual

test: build
	@cd $(BUILD) && ctest -j$(JOBS) --output-on-failure
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory fuzz-smoke

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: setup
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHANDREL_SANITIZE=address,undefined -DHANDREL_E2E=OFF \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C $(ASAN) -j$(JOBS)
	@cd $(ASAN) && ctest -j$(JOBS) --output-on-failure

# A short run of every fuzz target (clang's libFuzzer).
fuzz-smoke: setup
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DHANDREL_FUZZ=ON -DHANDREL_TESTS=OFF \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C build-fuzz -j$(JOBS) fuzz_all
	@for f in build-fuzz/bin/fuzz_deltas build-fuzz/bin/fuzz_unpack build-fuzz/bin/fuzz_commands; do \
	    echo "fuzz: $$f"; \
	    $$f -max_total_time=20 -print_final_stats=0 > $$f-run.txt 2>&1 || { tail -n 40 $$f-run.txt; exit 1; }; \
	    tail -n 1 $$f-run.txt; \
	done

bench: setup
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHANDREL_BENCH=ON -DHANDREL_TESTS=OFF >/dev/null
	@ninja -C build-bench -j$(JOBS)
	@build-bench/bin/bench_screen
	@build-bench/bin/bench_pack

clean:
	rm -rf $(BUILD) $(ASAN) build-fuzz build-bench
