# Quilvane: build, run and test.
BUILD      ?= build
BENCHBUILD ?= build-release
SANBUILD   ?= build-sanitize
JOBS       ?= $(shell nproc)
PACKAGES   := cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-pdf-dev libqt6pdfwidgets6 \
              libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base \
              gstreamer1.0-plugins-good fonts-ipafont-gothic libgtest-dev xvfb xauth libxtst-dev \
              qt6-translations-l10n imagemagick xdotool poppler-utils \
              locales pulseaudio pulseaudio-utils gstreamer1.0-pulseaudio
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test check-sanitize stress bench demo screenshot clean

all: build

# Installs only what is missing, so a second run costs nothing.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/src/quilvane; \
	else \
	  echo "No display found: starting Quilvane on a virtual display (Xvfb)."; \
	  xvfb-run -a -s "-screen 0 1280x800x24" ./$(BUILD)/src/quilvane; \
	fi

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer.
check-sanitize: deps
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" >/dev/null
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Ten runs of 10,000 renames racing another program, without RENAME_NOREPLACE.
stress: build
	QUILVANE_STRESS_RUNS=10 ./$(BUILD)/tests/test_platform --gtest_filter='MoveFallback.Racing*'

bench: deps
	cmake -S . -B $(BENCHBUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BENCHBUILD) -j $(JOBS) --target benchmarks
	@for b in $(BENCHBUILD)/bench/bench_*; do [ $${b##*/} = bench_felt ] || QT_QPA_PLATFORM=offscreen $$b || exit 1; done
	@# What the user feels needs real painting: X11 on a virtual display of our own.
	QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" $(BENCHBUILD)/bench/bench_felt

# A scripted session of the real program under Xvfb; screenshots land in build/demo/.
demo: build
	xvfb-run -a -s "-screen 0 1280x800x24" ./$(BUILD)/tests/demo_session $(BUILD)/demo

clean:
	rm -rf $(BUILD) $(BENCHBUILD) $(SANBUILD) /tmp/quilvane-bench-$$(id -u)
