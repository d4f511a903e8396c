# The two commands that do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 30
JOBS         ?= 2

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The window when a display exists, else the headless player.
run: build
	scripts/run-player $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

bench: build
	@for b in bench/*.sh; do echo "== $$b"; $$b $(BUILD) || exit 1; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSONVARO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
