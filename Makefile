# The two commands that do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
TSAN_BUILD   ?= build-tsan
FUZZ_SECONDS ?= 30
JOBS         ?= 2

.PHONY: all deps configure build run test bench fuzz tsan clean

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

# The threaded tests under ThreadSanitizer.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DSONVARO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target playback_tests audio_library_tests companions_tests
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" $(TSAN_BUILD)/tests/playback/playback_tests
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" $(TSAN_BUILD)/tests/playback/audio_library/audio_library_tests
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" $(TSAN_BUILD)/tests/companions/companions_tests

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(TSAN_BUILD)
