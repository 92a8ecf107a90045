# Two commands set everything up on a fresh Debian 12 machine:
#   make demo    install what is missing, build, and extract the sample database
#   make check   install what is missing, build, and run the whole test suite
BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
DEMO_OUT    ?= out/demo
JOBS        ?= $(shell nproc)

.PHONY: all deps configure build demo check check-asan check-fuzz fuzz-build fuzz-seeds sample package clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@mkdir -p $(DEMO_OUT)
	$(BUILD)/bin/tesk list samples/sample.prc
	$(BUILD)/bin/tesk extract samples/sample.prc -o $(DEMO_OUT) --format png --sort --index $(DEMO_OUT)/index.txt --gallery
	@echo "Images, raw resources, index.txt and index.html (open it in a browser) are in $(DEMO_OUT)/"

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, without the GUI.
check-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESK_SANITIZE=ON -DTESK_BUILD_GUI=OFF -DTESK_BUILD_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS) -LE gui

check: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) check-asan
	$(MAKE) check-fuzz

# The libFuzzer targets (clang, ASan+UBSan): every seed corpus replayed, then each target fuzzed
# for FUZZ_TIME seconds.
FUZZ_TIME   ?= 20
fuzz-build: deps
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DTESK_FUZZ=ON -DTESK_FUZZ_TIME=$(FUZZ_TIME) -DTESK_BUILD_GUI=OFF -DTESK_BUILD_TESTS=OFF -DTESK_BUILD_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzz_targets

check-fuzz: fuzz-build
	ctest --test-dir $(BUILD_FUZZ)/fuzz --output-on-failure -j $(JOBS)

# Rewrites the seed corpora in fuzz/corpus from the test fixture builders.
fuzz-seeds: fuzz-build
	cmake --build $(BUILD_FUZZ) --target fuzz-seeds

# Debian packages of the command and library and of the two programs, in $(BUILD)/.
package: build
	cmake --build $(BUILD) --target package

# Remakes samples/sample.prc with the project's own database builder.
sample: build
	$(BUILD)/bin/make-sample samples/sample.prc

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) out
