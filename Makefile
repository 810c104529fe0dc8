# Builds over CMake. `./dev TARGET` installs the dependencies first.
BUILD      ?= build
ASAN_BUILD ?= build-sanitize
JOBS       ?= $(shell nproc)
SAMPLE     := samples/grid.bmp
SAMPLE_MM  := 3

.PHONY: all build run window pictures install deb test test-release test-sanitize fuzz bench clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# The window with the bundled sample open (a grid photographed through a
# barrel lens); without a display, the sample corrected by fovella-cli.
run: build
	@if [ -n "$${DISPLAY}$${WAYLAND_DISPLAY}" ]; then \
	  $(BUILD)/apps/fovella $(SAMPLE); \
	else \
	  echo "no display: correcting $(SAMPLE) with fovella-cli into out/grid-corrected.bmp instead"; \
	  mkdir -p out && $(BUILD)/apps/fovella-cli --quiet -f $(SAMPLE_MM) $(SAMPLE) -o out/grid-corrected.bmp; \
	fi

# The window.
window: build
	$(BUILD)/apps/fovella

# The window's pictures in the README, rendered offscreen.
pictures: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/apps/fovella-pictures docs/images $(SAMPLE) $(SAMPLE_MM)
	QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 $(BUILD)/apps/fovella-pictures docs/images $(SAMPLE) $(SAMPLE_MM)

PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# fovella_<version>_<arch>.deb in the build folder.
deb: build
	cd $(BUILD) && cpack -G DEB

FUZZ_SECONDS ?= 20

# The whole suite, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for a short while.
test: test-release test-sanitize fuzz

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFOVELLA_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

fuzz:
	scripts/fuzz-smoke.sh $(FUZZ_SECONDS)

# The remap's speed; beside OpenCV's cv::remap when libopencv-dev is installed.
# Then the window's commands with a 24-megapixel photograph open.
bench: build
	$(BUILD)/bench/fovella-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/fovella-window-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	BUILD=$(BUILD) bench/folder-speed.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz out
