# Front door: `make run` and `make test` do all set-up on a fresh Debian 12.
.PHONY: run test deps build bench fuzz package windows windows-test format clean

SIMULATE ?= mro
# One setting for every target, so `make run` after `make test` rebuilds nothing.
export ORTEN_WERROR ?= ON
DEPS_STAMP := build/.deps-installed

deps: $(DEPS_STAMP)
$(DEPS_STAMP): scripts/install-deps.sh
	./scripts/install-deps.sh
	@mkdir -p build && touch $@

build: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug

# Only what the window needs (the guide is copied beside it, ortenctl installs
# the udev rule for it): the tests and benchmarks wait for make test.
run: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug --target ortenconf ortenctl orten_user_guide
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ "$$QT_QPA_PLATFORM" != offscreen ]; then \
	  echo "No display: the window needs one. Under Xvfb run:"; \
	  echo "  xvfb-run -a -s '-screen 0 1024x768x24' build/debug/app/ortenconf --simulate $(SIMULATE)"; \
	  exit 1; \
	fi
	build/debug/app/ortenconf --simulate $(SIMULATE)

test: deps
	./scripts/test-all.sh

bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release --target benchmarks
	./scripts/bench-report.sh

# A minute of fuzzing per target (make test runs a few seconds of each).
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	fuzz/run.sh 60

# The Debian package, checked by lintian. The udev rule opens the devices in
# ORTEN_USB_IDS (vvvv:pppp,...); without them it is a commented template.
ORTEN_USB_IDS ?=
package: deps
	cmake --preset package -DORTEN_USB_IDS="$(ORTEN_USB_IDS)" >/dev/null
	cmake --build --preset package
	cpack --preset package
	lintian --fail-on error build/package/ortenconf_*.deb
	appstreamcli validate --no-net build/package/packaging/org.ortenconf.ortenconf.metainfo.xml

# Windows, cross-built here: ortenconf.exe, ortenctl.exe, the installer and the
# portable zip in build/windows/dist. The static Qt they link is built once
# (35 to 60 minutes on two cores) and cached in ~/.cache/ortenconf, where
# make test finds it.
windows: deps
	./scripts/windows-test.sh --build

# Every Windows test under wine, each window suite also on Qt's real windows
# platform (make test runs them on the offscreen one).
windows-test: deps
	./scripts/windows-test.sh --all

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
