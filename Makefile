# The two set-up commands, and a few more for developers.
#   make run    installs what is needed, builds and starts the quiz
#   make test   installs what is needed, builds and runs every test

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test bench map-accuracy install clean

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

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@./tools/bench.sh $(BUILD)

map-accuracy: build
	cmake --build $(BUILD) --target map-accuracy

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
