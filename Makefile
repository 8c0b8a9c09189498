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
# AddressSanitizer for a bounded time each. The runs on real sound servers
# come last, one at a time. They have no real-time scheduling on a shared
# builder, and a stall of the machine can fail one, so each may run a second
# time; the first run's output stays in the log. A fault in every run still
# fails.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE sound-server
	ctest --test-dir $(BUILD) --output-on-failure -L sound-server --repeat until-pass:2
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
