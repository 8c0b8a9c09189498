# The two commands of the README: `make test` and `make run`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: test run setup configure build fuzz package

setup:
	@./scripts/bootstrap.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Every test of the normal build, then the fuzz targets under libFuzzer with
# AddressSanitizer for a bounded time each.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVX_FUZZ=ON -DVX_WITH_QT=OFF \
	    -DVX_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	ctest --test-dir build-fuzz -L fuzz --output-on-failure -j $(JOBS)

# The Debian package vexaline_<version>_<arch>.deb in the build folder. The
# test run builds it too and checks it (ctest -L package).
package: build
	cmake --build $(BUILD) --target package

run: build
	@./scripts/run.sh $(BUILD)
