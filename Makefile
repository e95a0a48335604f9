# Set-up, build, tests, benchmarks and the program, on Debian 12.
# As root, missing Debian packages are installed; otherwise the apt-get line
# that would install them is printed and make stops. Each command installs
# only what it needs: the program's build needs neither the test libraries
# nor clang.

# Building and running the program (DejaVu Sans Mono is the listing's face
# where no Courier of fitting height is installed).
RUN_PACKAGES     := cmake ninja-build g++ qt6-base-dev zlib1g-dev fonts-dejavu-core
# The test suite: the URW fonts to test the listing's font with and
# without them, and the desktop's validators for the desktop entry and the
# metainfo.
TEST_PACKAGES    := $(RUN_PACKAGES) libgtest-dev libgmock-dev fonts-urw-base35 \
                    desktop-file-utils appstream clang-format
BENCH_PACKAGES   := $(RUN_PACKAGES) libbenchmark-dev
FUZZ_PACKAGES    := $(RUN_PACKAGES) clang libclang-rt-14-dev llvm
PACKAGE_PACKAGES := $(RUN_PACKAGES) dpkg-dev file
SCREENSHOT_PACKAGES := $(RUN_PACKAGES) xvfb xauth

BUILD          := build
BUILD_SANITIZE := build-sanitize
BUILD_FUZZ     := build-fuzz
BUILD_COVERAGE := build-coverage

# make install: where to, e.g. make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX  ?= /usr/local
DESTDIR ?=
# make screenshot: where the picture goes; OUT=docs/screenshot.png renews
# the README's.
OUT ?= $(BUILD)/screenshot.png
# ... and the picture of the main window beside the Source window.
SOURCE_OUT ?= $(BUILD)/source_window.png

# make fuzz: how long each target runs, which targets, and how many run at
# once.
FUZZ_SECONDS ?= 600
FUZZ_JOBS    ?= 1
FUZZ_TARGETS ?= step_fuzzer listing_fuzzer load_fuzzer events_fuzzer asm_fuzzer

# Sanitizer reports end the process with a failure; leaks are reported too.
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
                 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
                 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps deps-test deps-bench deps-fuzz deps-package deps-screenshot configure \
        configure-tests configure-bench build format-check test test-sanitize fuzz-build fuzz fuzz-smoke \
        fuzz-coverage check run bench screenshot install package clean
all: build

# $(call install-packages,LIST): installs the missing ones as root, or
# prints the apt-get line and fails.
define install-packages
@missing=""; \
for p in $(1); do \
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
endef

deps:
	$(call install-packages,$(RUN_PACKAGES))
deps-test:
	$(call install-packages,$(TEST_PACKAGES))
deps-bench:
	$(call install-packages,$(BENCH_PACKAGES))
deps-fuzz:
	$(call install-packages,$(FUZZ_PACKAGES))
deps-package:
	$(call install-packages,$(PACKAGE_PACKAGES))
deps-screenshot:
	$(call install-packages,$(SCREENSHOT_PACKAGES))

# The build folder is configured for what is first asked of it; the tests
# and the benchmarks are switched on there when first needed.
CONFIGURE_BUILD := cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

configure: deps
	@[ -f $(BUILD)/build.ninja ] || $(CONFIGURE_BUILD) -DBUILD_TESTING=OFF -DQUODLET_BENCH=OFF

configure-tests: deps-test
	@[ -f $(BUILD)/build.ninja ] || $(CONFIGURE_BUILD) -DBUILD_TESTING=ON -DQUODLET_BENCH=OFF
	@grep -q '^BUILD_TESTING:BOOL=ON' $(BUILD)/CMakeCache.txt || cmake $(BUILD) -DBUILD_TESTING=ON

configure-bench: deps-bench
	@[ -f $(BUILD)/build.ninja ] || $(CONFIGURE_BUILD) -DBUILD_TESTING=OFF -DQUODLET_BENCH=ON
	@grep -q '^QUODLET_BENCH:BOOL=ON' $(BUILD)/CMakeCache.txt || cmake $(BUILD) -DQUODLET_BENCH=ON

# The program and its tools, and nothing else.
build: configure
	cmake --build $(BUILD) --target quodlet_programs

test: configure-tests
	cmake --build $(BUILD)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The whole test suite again, built with AddressSanitizer and UBSan.
test-sanitize: deps-test
	@[ -f $(BUILD_SANITIZE)/build.ninja ] || cmake -S . -B $(BUILD_SANITIZE) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DQUODLET_SANITIZE=ON
	cmake --build $(BUILD_SANITIZE)
	cd $(BUILD_SANITIZE) && QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) ctest --output-on-failure

fuzz-build: deps-fuzz
	@[ -f $(BUILD_FUZZ)/build.ninja ] || cmake -S . -B $(BUILD_FUZZ) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUODLET_FUZZ=ON
	cmake --build $(BUILD_FUZZ)

# Each target for FUZZ_SECONDS, from its seeds in fuzz/corpus/ and what
# earlier runs found (kept in $(BUILD_FUZZ)/corpus/). A failing input is
# saved in $(BUILD_FUZZ)/artifacts/ and ends the run with an error.
fuzz: fuzz-build
	@$(MAKE) --no-print-directory -j$(FUZZ_JOBS) $(addprefix fuzz-run-,$(FUZZ_TARGETS))

# One target's run; what it prints comes out whole, after it ends.
fuzz-run-%:
	@mkdir -p $(BUILD_FUZZ)/corpus/$* $(BUILD_FUZZ)/artifacts/$*
	@./$(BUILD_FUZZ)/$* -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 \
	    -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/artifacts/$*/ \
	    $(BUILD_FUZZ)/corpus/$* fuzz/corpus/$* 2>$(BUILD_FUZZ)/$*.log \
	  || { echo "== $* failed"; tail -n 60 $(BUILD_FUZZ)/$*.log; exit 1; }
	@{ echo "== $* for $(FUZZ_SECONDS) s"; \
	  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
	    $(BUILD_FUZZ)/$*.log; }

# A short run of each target, as CI does, two at a time on the two cores.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=20 FUZZ_JOBS=2

# The source lines each fuzz target's inputs (its seeds and what make fuzz
# found) reach, replayed in a clang build with coverage mapping.
fuzz-coverage: deps-fuzz deps-test
	@[ -f $(BUILD_COVERAGE)/build.ninja ] || cmake -S . -B $(BUILD_COVERAGE) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DQUODLET_BENCH=OFF \
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
format-check: deps-test
	clang-format --dry-run -Werror $$(find core debug display frontend data platform asm runner \
	  tests bench fuzz tools -name '*.cpp' -o -name '*.h' 2>/dev/null)

# Everything CI runs: the layout check, the tests, the tests under the
# sanitizers, and the fuzz targets briefly.
check: format-check test test-sanitize fuzz-smoke

run: build
	./$(BUILD)/quodlet

bench: configure-bench
	cmake --build $(BUILD) --target quodlet_bench
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/quodlet_bench --benchmark_repetitions=5 \
	  --benchmark_report_aggregates_only=true

# A picture of the window, taken under a virtual X server: in the build
# folder, or where OUT says (OUT=docs/screenshot.png for the README's).
screenshot: configure deps-screenshot
	cmake --build $(BUILD) --target quodlet_screenshot
	xvfb-run -a -s "-screen 0 1024x768x24" ./$(BUILD)/quodlet_screenshot $(OUT) \
	  examples/calls.asm $(SOURCE_OUT)
	@echo "Saved $(OUT)"

# The programs, the desktop entry, the icon and the metainfo under PREFIX
# (/usr/local by default), staged under DESTDIR when given.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of the same files under /usr, in the build folder.
package: build deps-package
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/quodlet_*.deb

clean:
	rm -rf $(BUILD) $(BUILD_SANITIZE) $(BUILD_FUZZ) $(BUILD_COVERAGE)
