# SPDX-License-Identifier: GPL-3.0-or-later
# Quilvane: build, run and test.
BUILD      ?= build
BENCHBUILD ?= build-release
SANBUILD   ?= build-sanitize
FUZZBUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
PKGBUILD   ?= build-package
WINBUILD   ?= build-windows
WINEXE     ?= build-win
JOBS       ?= $(shell nproc)
PACKAGES   := cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-pdf-dev libqt6pdfwidgets6 \
              libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base \
              gstreamer1.0-plugins-good fonts-ipafont-gothic libgtest-dev xvfb xauth libxtst-dev \
              qt6-translations-l10n imagemagick xdotool poppler-utils \
              locales pulseaudio pulseaudio-utils gstreamer1.0-pulseaudio \
              libqt6svg6 desktop-file-utils appstream \
              libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev libharfbuzz-dev \
              libfreetype-dev libjpeg-dev zlib1g-dev libtesseract-dev libleptonica-dev tesseract-ocr-jpn \
              tesseract-ocr-eng tesseract-ocr-osd libtag1-dev
# libFuzzer and its sanitizers.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev
# Making and checking the .deb.
PACKAGE_TOOLS := dpkg-dev file binutils lintian appstream desktop-file-utils x11-utils
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps package-tools install-missing build run test check-sanitize windows msi test-msi test-windows bench-windows stress bench demo screenshot package test-package clean

all: build

# Installs only what is missing, so a second run costs nothing.
deps:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGES)"

package-tools:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGE_TOOLS)"

install-missing:
	@missing=$$(for p in $(LIST); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
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

# The whole suite under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer, then
# the fuzz targets (fuzz/).
check-sanitize: deps
	@$(MAKE) --no-print-directory install-missing LIST="$(FUZZ_PACKAGES)"
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" >/dev/null
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)
	@# Then the readers and the candidates under libFuzzer: the crafted files read once each, and
	@# $(FUZZ_SECONDS) s of fuzzing each from generated seeds; a crash, leak, hang or blow-up fails.
	cmake -S . -B $(FUZZBUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DQUILVANE_FUZZ=ON -DQUILVANE_TESTS=OFF >/dev/null
	cmake --build $(FUZZBUILD) -j $(JOBS) --target fuzzers
	UBSAN_OPTIONS=print_stacktrace=1 bash fuzz/run.sh $(FUZZBUILD) $(FUZZ_SECONDS) $(JOBS)

# quilvane.exe, static, cross-built with mingw-w64 with our MuPDF viewer.
windows:
	tools/build-windows.sh $(WINEXE) $(JOBS)

# The per-user Windows installer of that program: $(WINEXE)/quilvane-<version>-x64.msi.
msi: windows
	tools/build-msi.sh $(WINEXE) $(JOBS)

# The installer under Wine: install, start at 96 and 144 dpi, upgrade, uninstall.
test-msi: msi
	tools/test-msi.sh $(WINEXE) $(JOBS)

# The core and the Win32 backend cross-built with mingw-w64, tested under Wine
# with code page 932; each step prints its time.
test-windows:
	tools/test-windows.sh $(WINBUILD) $(JOBS)

# Down in the list of 1,000 and 100,000 PDFs: quilvane.exe under Wine, to the
# screen of a virtual display, beside a bare Win32 list; quiet and busy.
bench-windows:
	tools/bench-windows.sh $(WINEXE) $(JOBS)

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

# A Release build with Debian's hardening flags, packed by CPack, checked by lintian.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package: deps package-tools
	cmake -S . -B $(PKGBUILD) -DCMAKE_BUILD_TYPE=Release -DQUILVANE_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" >/dev/null
	cmake --build $(PKGBUILD) -j $(JOBS)
	rm -f $(PKGBUILD)/quilvane_*.deb
	cd $(PKGBUILD) && cpack >/dev/null
	desktop-file-validate res/quilvane.desktop
	appstreamcli validate --no-net --pedantic res/io.github.quilvane.quilvane.metainfo.xml
	lintian --fail-on error --info $(PKGBUILD)/quilvane_*.deb
	@ls -l $(PKGBUILD)/quilvane_*.deb
	@dpkg-deb --field $(PKGBUILD)/quilvane_*.deb Installed-Size Depends

# Installs the .deb, starts it from its desktop entry under Xvfb, screenshot in $(PKGBUILD)/.
test-package: package
	tests/package_test.sh $(PKGBUILD)

clean:
	rm -rf $(BUILD) $(BENCHBUILD) $(SANBUILD) $(FUZZBUILD) $(PKGBUILD) $(WINBUILD) /tmp/quilvane-bench-$$(id -u)
