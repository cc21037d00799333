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


.PHONY: all setup build run listen test test-asan test-tsan check-all fuzz-build fuzz-smoke fuzz \
	soak bench deb install clean

FUZZ_SECONDS ?= 300
SOAK_CYCLES ?= 1000

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C $(BUILD) -j$(JOBS)

# The Debian packages handrel and handrel-device, into $(BUILD)/packages.
deb: build
	@cd $(BUILD) && cpack -G DEB -B packages
	@ls $(BUILD)/packages/*.deb

# Installs under PREFIX (default /usr/local; DESTDIR is honoured).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

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

# The unit and session tests under ThreadSanitizer: the sender and receiver
# threads, the local link, the X11 clipboard owner, connect/disconnect while
# frames arrive.
test-tsan: setup
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHANDREL_SANITIZE=thread -DHANDREL_E2E=OFF \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C build-tsan -j$(JOBS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    ctest -j$(JOBS) --output-on-failure

fuzz-build: setup
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DHANDREL_FUZZ=ON -DHANDREL_TESTS=OFF \
	    $$(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@ninja -C build-fuzz -j$(JOBS) fuzz_all

# A short run of every fuzz target from its seed corpus; fails on a crash.
fuzz-smoke: fuzz-build
	@bash scripts/fuzz.sh 15

# The long campaign: FUZZ_SECONDS per target (5 minutes by default).
fuzz: fuzz-build
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

# Everything, the long runs included.
check-all: test test-tsan soak

# 1000 connect/transfer/disconnect cycles each over TCP and the local link,
# with abrupt ends; descriptors, threads and memory printed every 100.
soak: build
	@bash bench/soak.sh $(BUILD) $(SOAK_CYCLES)

bench: setup
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHANDREL_BENCH=ON -DHANDREL_TESTS=OFF >/dev/null
	@ninja -C build-bench -j$(JOBS)
	@build-bench/bin/bench_screen
	@build-bench/bin/bench_pack

clean:
	rm -rf $(BUILD) $(ASAN) build-tsan build-fuzz build-bench
