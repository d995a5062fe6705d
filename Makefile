# Tarnwick: `make demo` and `make test`.
JOBS ?= 2
DEBUG_DIR := build/debug
RELEASE_DIR := build/release

.PHONY: all deps debug release test demo clean

all: release

deps:
	@bash tools/ci/install-deps.sh

debug: deps
	cmake -S . -B $(DEBUG_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF
	cmake --build $(DEBUG_DIR) -j $(JOBS)

release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS)

test: debug release
	cd $(DEBUG_DIR) && ctest --output-on-failure -j $(JOBS)
	cd $(RELEASE_DIR) && ctest --output-on-failure -j $(JOBS)

demo: release
	bash tools/demo.sh $(RELEASE_DIR)

clean:
	rm -rf build
