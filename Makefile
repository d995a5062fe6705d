# Tarnwick: `make demo` and `make test`.
JOBS ?= 2
DEBUG_DIR := build/debug
RELEASE_DIR := build/release
TSAN_DIR := build/tsan

.PHONY: all deps debug release tsan test demo bench fuzz install clean

all: release

deps:
	@bash tools/ci/install-deps.sh

debug: deps
	cmake -S . -B $(DEBUG_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF
	cmake --build $(DEBUG_DIR) -j $(JOBS)

release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The write cache, its thread and cancelling under ThreadSanitizer: the engine's tests, the
# burns through the burner family on the virtual recorder, Pellmark's end-to-end runs (a
# report ends the program with another exit code), and the pass-through devices' workers.
# Any report fails the run. The 10 GB Blu-ray burns are left out: they run the same write path as
# the small BD burns of Pellmark's tests, a hundred times longer.
tsan: deps
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_TSAN=ON -DTARNWICK_BENCH=OFF
	cmake --build $(TSAN_DIR) -j $(JOBS) --target test_engine test_burner test_pellmark test_scsi
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS) -R '^(engine|burner|pellmark|scsi)\.' -E 'BluRayBurn'

test: debug release tsan
	cd $(DEBUG_DIR) && ctest --output-on-failure -j $(JOBS)
	cd $(RELEASE_DIR) && ctest --output-on-failure -j $(JOBS)

# The benchmarks, each beside the peer it is measured against, on the Release build: one report
# line per figure with its target (bench/run-all). Slow: never part of make test.
bench: release
	bench/run-all $(RELEASE_DIR)

# Every fuzz target under libFuzzer (clang, with AddressSanitizer and UndefinedBehaviorSanitizer)
# for SECONDS seconds each, JOBS at a time; TARGETS="import mds" picks some. Findings fail it.
FUZZ_DIR := build/fuzz
SECONDS ?= 60
TARGETS ?=
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O2" "-DCMAKE_C_FLAGS_DEBUG=-g -O2" -DTARNWICK_FUZZ=ON -DTARNWICK_TRACE=OFF -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz-all
	bash fuzz/run-fuzz $(FUZZ_DIR) $(SECONDS) $(JOBS) $(TARGETS)

# Installs the Release build under PREFIX (staged under DESTDIR when given). The prefix is set
# when the build is configured, as the programs look for their data files under it.
PREFIX ?= /usr/local
install: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target tarnwick-installed
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR)

demo: release
	bash tools/demo.sh $(RELEASE_DIR)

clean:
	rm -rf build
