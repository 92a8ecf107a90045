# Two commands set everything up on a fresh Debian 12 machine:
#   make demo    install what is missing, build, and extract the sample database
#   make check   install what is missing, build, and run the whole test suite
BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
DEMO_OUT    ?= out/demo
JOBS        ?= $(shell nproc)

BUILD_WIN64 ?= build-win64
BUILD_WIN32 ?= build-win32
# Sources the Windows build compiles itself (libspng, from Debian's source archive), for both builds.
WINDOWS_SOURCES ?= build-windows-sources
# Extra options for scripts/install-deps.sh (CI passes --with-windows).
DEPS_OPTIONS ?=
# make check runs the Windows checks when mingw-w64 and wine64 are installed and says it skipped
# them otherwise; WINDOWS_CHECKS=always (CI) runs them in any case, so missing tools fail the run.
WINDOWS_CHECKS ?= auto
# Any compiler warning in the project's own code fails these builds (TESK_WARNINGS_AS_ERRORS).
WERROR      ?= ON

.PHONY: all deps configure build demo check check-asan check-fuzz fuzz-build fuzz-seeds sample package clean \
        deps-windows windows check-windows lint format

all: build

deps:
	bash scripts/install-deps.sh $(DEPS_OPTIONS)

# The Linux build's Windows checks read the cross builds where make windows puts them.
configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESK_WARNINGS_AS_ERRORS=$(WERROR) \
	  -DTESK_WINDOWS_BUILD_32=$(abspath $(BUILD_WIN32)) -DTESK_WINDOWS_BUILD_64=$(abspath $(BUILD_WIN64))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@mkdir -p $(DEMO_OUT)
	$(BUILD)/bin/tesk list samples/sample.prc
	$(BUILD)/bin/tesk extract samples/sample.prc -o $(DEMO_OUT) --format png --sort --index $(DEMO_OUT)/index.txt --gallery
	@echo "Exact PNG images (every pixel as in the bitmap), raw resources, index.txt and index.html (open it in a browser) are in $(DEMO_OUT)/"

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, without the GUI.
# Not the Windows checks either: they compare the cross builds with this build's output, and
# LeakSanitizer (GCC 12's, with this glibc) crashes at the exit of a host that loaded libtesk.so
# with dlopen, reading a bogus dynamic-TLS range of the loaded library. Nor the lint checks, which
# read the sources only.
check-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESK_SANITIZE=ON -DTESK_BUILD_GUI=OFF -DTESK_BUILD_BENCH=OFF \
	  -DTESK_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS) -LE 'gui|windows|lint'

check: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) lint
	$(MAKE) check-asan
	$(MAKE) check-fuzz
	@if [ "$(WINDOWS_CHECKS)" = always ] \
	    || { command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v i686-w64-mingw32-g++-posix >/dev/null \
	         && { command -v wine >/dev/null || [ -x /usr/lib/wine/wine64 ]; }; }; then \
	  $(MAKE) check-windows; \
	else \
	  echo "check-windows skipped: mingw-w64 (posix) and wine64 are not installed (scripts/install-deps.sh --with-windows)"; \
	fi

# The libFuzzer targets (clang, ASan+UBSan): every seed corpus replayed, then each target fuzzed
# for FUZZ_TIME seconds.
FUZZ_TIME   ?= 20
fuzz-build: deps
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DTESK_FUZZ=ON -DTESK_FUZZ_TIME=$(FUZZ_TIME) -DTESK_BUILD_GUI=OFF -DTESK_BUILD_TESTS=OFF -DTESK_BUILD_BENCH=OFF \
	  -DTESK_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzz_targets

check-fuzz: fuzz-build
	ctest --test-dir $(BUILD_FUZZ)/fuzz --output-on-failure -j $(JOBS)

# Rewrites the seed corpora in fuzz/corpus from the test fixture builders.
fuzz-seeds: fuzz-build
	cmake --build $(BUILD_FUZZ) --target fuzz-seeds

# clang-format (no file changed), clang-tidy over the build's own translation units (from its
# compile_commands.json) and the engine's include layers: scripts/lint.sh.
lint: build
	bash scripts/lint.sh --build $(BUILD) --jobs $(JOBS)

# Rewrites the project's sources in the clang-format layout.
format:
	bash scripts/lint.sh --format

# Debian packages of the command and library and of the two programs, in $(BUILD)/.
package: build
	cmake --build $(BUILD) --target package

# Remakes samples/sample.prc with the project's own database builder.
sample: build
	$(BUILD)/bin/make-sample samples/sample.prc

# The cross compilers, mingw zlib and wine64, on top of what deps installs.
deps-windows:
	bash scripts/install-deps.sh --with-windows $(DEPS_OPTIONS)

# Cross-builds for Windows with mingw-w64: tesk.dll, tesk.exe and the test programs for x86_64,
# and the 32-bit tesk.dll. No Qt programs and no JPEG or palette PNG (neither Qt nor FreeImage is
# built for mingw here); the exact PNG through libspng, compiled from Debian's source.
WINDOWS_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESK_BUILD_GUI=OFF -DTESK_BUILD_BENCH=OFF \
                -DTESK_WITH_FREEIMAGE=OFF -DTESK_WITH_SPNG=ON -DTESK_SPNG_SOURCE=$(abspath $(WINDOWS_SOURCES))/libspng \
                -DTESK_WARNINGS_AS_ERRORS=$(WERROR)
windows: deps-windows
	bash scripts/fetch-windows-sources.sh $(WINDOWS_SOURCES)
	cmake -S . -B $(BUILD_WIN64) $(WINDOWS_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(BUILD_WIN64) -j $(JOBS)
	cmake -S . -B $(BUILD_WIN32) $(WINDOWS_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DTESK_BUILD_TESTS=OFF
	cmake --build $(BUILD_WIN32) -j $(JOBS) --target tesk

# The Windows test programs under wine, in a virtual display for the windows and message boxes,
# then the Linux build's comparison with the Windows library and the export-table check. Here
# nothing may skip for want of a display, a build or a tool (TESK_WINDOWS_REQUIRED): all were
# just made or installed.
check-windows: windows configure
	cmake --build $(BUILD) -j $(JOBS) --target load_library_host
	TESK_WINDOWS_REQUIRED=1 xvfb-run -a ctest --test-dir $(BUILD_WIN64) --output-on-failure -j $(JOBS)
	WINEPREFIX=$(abspath $(BUILD_WIN64))/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true   # none left running is fine
	TESK_WINDOWS_REQUIRED=1 ctest --test-dir $(BUILD) -L windows --output-on-failure

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_WIN64) $(BUILD_WIN32) $(WINDOWS_SOURCES) out
