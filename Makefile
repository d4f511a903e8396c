# The two commands that do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
TSAN_BUILD   ?= build-tsan
ASAN_BUILD   ?= build-asan
FUZZ_SECONDS ?= 30
JOBS         ?= 2

.PHONY: all deps configure build run test package bench fuzz asan tsan clean

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

# The Debian package $(BUILD)/sonvaro_<version>_<arch>.deb; only what it holds is built for it.
package: configure
	cmake --build $(BUILD) -j$(JOBS) --target deb

bench: build
	@for b in bench/*.sh; do echo "== $$b"; $$b $(BUILD) || exit 1; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSONVARO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every test program under AddressSanitizer and UndefinedBehaviorSanitizer; the
# first fault ends the run. -O1 -g1 keeps the build of the window tests short.
ASAN_FLAGS := -O1 -g1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DSONVARO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_C_FLAGS_DEBUG="$(ASAN_FLAGS)" -DCMAKE_CXX_FLAGS_DEBUG="$(ASAN_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

# Every test program that starts threads, under ThreadSanitizer. The window and
# end-to-end tests stay out: Qt itself is not built for it and would only report
# its own unseen locks (the ASan run covers them).
TSAN_TESTS := platform core library playlist playback engine effects tags companions session
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DSONVARO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target $(addsuffix _tests,$(TSAN_TESTS))
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j$(JOBS) \
	  -R '^($(subst $(eval) ,|,$(TSAN_TESTS)))_tests$$'

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(TSAN_BUILD) $(ASAN_BUILD)
