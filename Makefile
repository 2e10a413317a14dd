# The two everyday commands:
#   make run    build the two programs and open Tessary's window (without a display: scale
#               the example with tessary-scale, and say how to see the window)
#   make test   install what is missing, build, and run every test
# Also: make plain, make package, make example, make bench, make asan, make fuzz, make screenshots,
# make windows (the Windows programs, cross-built), make windows-test (their tests, under
# Wine), make web (the browser version's site in build/web), make web-test (its tests), make
# web-serve (the site on 127.0.0.1), make web-bench, make format, make clean.

JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
EXAMPLE_OUT ?= build/crate-x2.mdl

.PHONY: run example programs test build plain package bench asan fuzz fuzz-ci screenshots \
	windows windows-test web web-test web-serve web-bench format clean

build:
	@scripts/ensure-packages build gui test
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# The two programs alone, without the tests.
programs:
	@scripts/ensure-packages build gui
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target tessary tessary-scale

run: programs
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display to open Tessary's window on, so here is tessary-scale instead:"; \
	  echo "  build/release/tessary-scale --verbose examples/crate.mdl $(EXAMPLE_OUT) 2"; \
	  build/release/tessary-scale --verbose examples/crate.mdl $(EXAMPLE_OUT) 2 || exit 1; \
	  echo "The scaled model is in $(EXAMPLE_OUT)."; \
	  echo "To see the window, run it under a virtual X server:"; \
	  echo "  xvfb-run build/release/tessary"; \
	else \
	  build/release/tessary; \
	fi

example: programs
	build/release/tessary-scale --verbose examples/crate.mdl $(EXAMPLE_OUT) 2
	@echo "Scaled examples/crate.mdl by 2 into $(EXAMPLE_OUT)"

test: build
	ctest --preset release

# The two programs as a packager builds them: no preset, no link-time optimisation, the
# compiler's warnings as errors all the same (CI's check that such a build compiles).
plain:
	@scripts/ensure-packages build gui
	cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release -DTESSARY_BUILD_TESTS=OFF \
	  -DTESSARY_WERROR=ON >/dev/null
	cmake --build build/plain -j $(JOBS) --target tessary tessary-scale

# The Debian package, checked by its tests and by lintian: build/release/packages/*.deb
package: build
	@scripts/ensure-packages package
	rm -rf build/release/packages
	cd build/release && cpack
	ctest --preset package
	lintian --fail-on error build/release/packages/*.deb

# The microbenchmarks, then tessary-scale against a naive C pass and a line copy as whole
# programs. BENCH_ARGS go to the comparison: make bench BENCH_ARGS=--quick for a short run,
# BENCH_ARGS='--tessary-args="--verbose"' for a second tessary-scale row.
BENCH_ARGS ?=

bench:
	@scripts/ensure-packages build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bench/tessary_bench --micro-only
	build/bench/bench/tessary-compare $(BENCH_ARGS)

asan:
	@scripts/ensure-packages build gui test
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

FUZZ_SECONDS ?= 60

fuzz:
	@scripts/ensure-packages build fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	scripts/fuzz $(FUZZ_SECONDS)

# About a minute in all, for CI.
fuzz-ci:
	$(MAKE) fuzz FUZZ_SECONDS=20

# Windows, cross-built with MinGW-w64: build/windows/tessary-VERSION-win64.zip and the
# installer build/windows/tessary-VERSION-setup.exe.
windows:
	@scripts/ensure-packages windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)
	@ls build/windows/*.zip build/windows/*-setup.exe

# The Windows build's tests under Wine, its outputs against the Linux build's, a keyboard
# session with its window, its installer.
windows-test: windows build
	scripts/windows-test
	scripts/windows-compare
	scripts/windows-session
	scripts/windows-installer-test

# The static site of Tessary in the browser: build/web/, served as it is by any static host.
web:
	@scripts/ensure-packages web
	JOBS=$(JOBS) scripts/web-build

# The module against the Linux build's tessary-scale under Node, then the page in headless
# Chromium and Firefox ESR. WEB_PORT for web-serve.
web-test: web
	@scripts/ensure-packages build gui
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target tessary-scale tessary-corpus
	scripts/web-test

WEB_PORT ?= 8080

web-serve: web
	web/serve.py --port $(WEB_PORT) --directory build/web

# The WebAssembly pass in Chromium against the native one, and the worker's peak memory.
web-bench: web
	@scripts/ensure-packages build gui bench
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target tessary-scale
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS) --target tessary-genmodel
	scripts/web-bench

screenshots: build
	@scripts/ensure-packages screenshots
	scripts/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
