# Set-up, build, tests, benchmarks and the program, on Debian 12.
# As root, missing Debian packages are installed; otherwise the apt-get line
# that would install them is printed and make stops.

PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev fonts-dejavu-core
BUILD    := build

.PHONY: all deps configure build test run bench screenshot clean
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
	rm -rf $(BUILD)
