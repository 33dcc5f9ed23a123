# Velmar Toolkit: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
DESTDIR    ?=
# A compiler cache, when the machine has one, shares objects between checkouts of the tree.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_ARGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: all bootstrap configure build test run install package sanitize tsan bench format clean

all: build

CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

bootstrap:
	@scripts/bootstrap test

# The whole tree: programs, tests and benchmarks (a tree first configured by `make run` holds
# only the programs, and gets the rest here).
configure: bootstrap
	@grep -qs '^VELMAR_BUILD_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt && \
	  grep -qs '^VELMAR_BUILD_BENCH:BOOL=ON' $(BUILD)/CMakeCache.txt && \
	  [ -f $(BUILD)/build.ninja ] || \
	  $(CONFIGURE) -DVELMAR_BUILD_TESTS=ON -DVELMAR_BUILD_BENCH=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# What users run: the desktop program, the command line and the plotter simulator; installed
# with their desktop entry, icon, manual pages and completion.
PROGRAMS  = velmar-toolkit velmar velmar-plotter-sim
INSTALLED = $(PROGRAMS) velmar-docs velmar-icons
CONFIGURE_PROGRAMS = [ -f $(BUILD)/build.ninja ] || \
  $(CONFIGURE) -DVELMAR_BUILD_TESTS=OFF -DVELMAR_BUILD_BENCH=OFF

# Only what running needs: the run set of packages and the programs.
run:
	@scripts/bootstrap run
	@$(CONFIGURE_PROGRAMS)
	cmake --build $(BUILD) -j $(JOBS) --target $(PROGRAMS)
	@scripts/run $(BUILD)

# The programs and their files under PREFIX (default /usr/local), staged in DESTDIR when given.
install:
	@scripts/bootstrap run
	@$(CONFIGURE_PROGRAMS)
	cmake --build $(BUILD) -j $(JOBS) --target $(INSTALLED)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The same files as a Debian package under /usr: $(BUILD)/velmar-toolkit_VERSION_ARCH.deb.
package:
	@scripts/bootstrap package
	@$(CONFIGURE_PROGRAMS)
	cmake --build $(BUILD) -j $(JOBS) --target $(INSTALLED)
	cd $(BUILD) && cpack -G DEB

sanitize: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DVELMAR_SANITIZE=ON -DVELMAR_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer over the code that runs on several threads: the tests of core/ (the conversion
# job) and of serial/, and no desktop program or benchmarks. scripts/tsan-run lets clang 14's
# runtime start on kernels that randomise addresses more widely (the build runs the tests too).
tsan: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DVELMAR_SANITIZE_THREAD=ON -DVELMAR_BUILD_UI=OFF -DVELMAR_BUILD_BENCH=OFF \
	  -DVELMAR_TEST_FOLDERS="core;serial" $(CMAKE_ARGS)
	scripts/tsan-run cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  scripts/tsan-run ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	@scripts/bench $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)

# Fuzzing: every target of tests/fuzz/ built with clang, libFuzzer and the sanitizers in its own
# build folder, then run for FUZZ_SECONDS each; new crash inputs land in tests/fuzz/regressions/.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELMAR_FUZZ=ON -DVELMAR_BUILD_UI=OFF -DVELMAR_BUILD_BENCH=OFF \
	  -DVELMAR_TEST_FOLDERS=fuzz $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target velmar_fuzzers
	scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)
clean: clean-fuzz
.PHONY: clean-fuzz
clean-fuzz:
	rm -rf $(FUZZ_BUILD)
