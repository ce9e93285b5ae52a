# The two set-up commands, and a few more for developers.
#   make run    installs what is needed, builds and starts the quiz
#   make test   installs what is needed, builds and runs every test

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test test-debian soak bench map-accuracy sanitize fuzz-long package install clean

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@./tools/run.sh $(BUILD)

# Everything but the soaks, which have their own target (and run in the
# sanitizer suite). The fuzz targets are compiled with the rest of the
# build (their test then finds them built); exit 77 is clang missing, and
# their tests say so.
test: build
	./fuzz/build.sh $(BUILD)/fuzz-targets || [ $$? -eq 77 ]
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE soak

# The README's set-up and `make test` on a fresh, minimal chroot of Debian
# RELEASE (12 or 13), then `make package` and its install there (as root).
RELEASE ?= 13
test-debian:
	./tools/test-debian.sh $(RELEASE)

# A thousand games in one process, and games through real X input.
soak: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L soak

bench: build
	@./tools/install-deps.sh --bench
	@./tools/bench.sh $(BUILD)

map-accuracy: build
	cmake --build $(BUILD) --target map-accuracy

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	./tools/sanitize.sh build-asan

# Each fuzz target for 10 million runs or 30 minutes.
fuzz-long: deps
	./fuzz/build.sh build-fuzz && ./fuzz/long-run.sh build-fuzz

# The Debian package for the release it is built on, in build/.
package: build
	cd $(BUILD) && cpack -G DEB

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
