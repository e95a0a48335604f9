# Set-up, build, tests, benchmarks and the program, on Debian 12.
# As root, missing Debian packages are installed; otherwise the apt-get line
# that would install them is printed and make stops.

PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev fonts-dejavu-core clang libclang-rt-14-dev llvm clang-format
BUILD          := build
BUILD_SANITIZE := build-sanitize
BUILD_FUZZ     := build-fuzz
BUILD_COVERAGE := build-coverage

# make fuzz: how long each target runs, and which targets.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= step_fuzzer listing_fuzzer load_fuzzer events_fuzzer asm_fuzzer

# Sanitizer reports end the process with a failure; leaks are reported too.
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
                 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
                 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps configure build format-check test test-sanitize fuzz-build fuzz fuzz-smoke fuzz-coverage \
        check run bench screenshot clean
all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	  else \
	    echo "Missing Debian packages. As root, run:"; \
	    echo "  apt-get install -y --no-install-recommends$$missing"; \
	    exit 1; \
	  fi; \
	fi

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The whole test suite again, built with AddressSanitizer and UBSan.
test-sanitize: deps
	@[ -f $(BUILD_SANITIZE)/build.ninja ] || cmake -S . -B $(BUILD_SANITIZE) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DQUODLET_SANITIZE=ON
	cmake --build $(BUILD_SANITIZE)
	cd $(BUILD_SANITIZE) && QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) ctest --output-on-failure

fuzz-build: deps
	@[ -f $(BUILD_FUZZ)/build.ninja ] || cmake -S . -B $(BUILD_FUZZ) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUODLET_FUZZ=ON
	cmake --build $(BUILD_FUZZ)

# Each target for FUZZ_SECONDS, from its seeds in fuzz/corpus/ and what
# earlier runs found (kept in $(BUILD_FUZZ)/corpus/). A failing input is
# saved in $(BUILD_FUZZ)/artifacts/ and ends the run with an error.
fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t $(BUILD_FUZZ)/artifacts/$$t; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  ./$(BUILD_FUZZ)/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 \
	    -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$t/ \
	    $(BUILD_FUZZ)/corpus/$$t fuzz/corpus/$$t 2>$(BUILD_FUZZ)/$$t.log \
	  || { tail -n 60 $(BUILD_FUZZ)/$$t.log; exit 1; }; \
	  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
	    $(BUILD_FUZZ)/$$t.log; \
	done

# A short run of each target, as CI does.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=20

# The source lines each fuzz target's inputs (its seeds and what make fuzz
# found) reach, replayed in a clang build with coverage mapping.
fuzz-coverage: deps
	@[ -f $(BUILD_COVERAGE)/build.ninja ] || cmake -S . -B $(BUILD_COVERAGE) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping"
	cmake --build $(BUILD_COVERAGE) --target $(addsuffix _replay,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t; \
	  LLVM_PROFILE_FILE=$(BUILD_COVERAGE)/$$t.profraw \
	    ./$(BUILD_COVERAGE)/$${t}_replay fuzz/corpus/$$t $(BUILD_FUZZ)/corpus/$$t >/dev/null || exit 1; \
	  llvm-profdata merge -sparse $(BUILD_COVERAGE)/$$t.profraw -o $(BUILD_COVERAGE)/$$t.profdata; \
	  echo "== $$t"; \
	  llvm-cov report ./$(BUILD_COVERAGE)/$${t}_replay -instr-profile=$(BUILD_COVERAGE)/$$t.profdata \
	    -ignore-filename-regex='/(fuzz|tests|data)/|/usr/' | tail -n 1; \
	done

# Every C++ source as .clang-format lays it out; lists the files that drift.
format-check: deps
	clang-format --dry-run -Werror $$(find core debug display frontend data platform asm runner \
	  tests bench fuzz tools -name '*.cpp' -o -name '*.h' 2>/dev/null)

# Everything CI runs: the layout check, the tests, the tests under the
# sanitizers, and the fuzz targets briefly.
check: format-check test test-sanitize fuzz-smoke

run: build
	./$(BUILD)/quodlet

bench: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/quodlet_bench --benchmark_repetitions=5 \
	  --benchmark_report_aggregates_only=true

# The README's picture of the window, taken under a virtual X server.
screenshot: build
	@command -v xvfb-run >/dev/null || { \
	  if [ "$$(id -u)" = 0 ]; then apt-get install -y --no-install-recommends xvfb xauth; \
	  else echo "As root, run:"; echo "  apt-get install -y --no-install-recommends xvfb xauth"; exit 1; fi; }
	xvfb-run -a -s "-screen 0 1024x768x24" ./$(BUILD)/quodlet_screenshot docs/screenshot.png

clean:
	rm -rf $(BUILD) $(BUILD_SANITIZE) $(BUILD_FUZZ) $(BUILD_COVERAGE)
