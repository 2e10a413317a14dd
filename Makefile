# The two everyday commands:
#   make run    build and open Tessary's window
#   make test   install what is missing, build, and run every test
# Also: make package, make example, make bench, make asan, make fuzz, make screenshots,
# make format, make clean.

JOBS ?= $(shell nproc)
EXAMPLE_OUT ?= build/crate-x2.mdl

.PHONY: run example test build package bench asan fuzz fuzz-ci screenshots format clean

build:
	@scripts/ensure-packages build gui test
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display to open Tessary's window on. Run it under a virtual X server:"; \
	  echo "  xvfb-run build/release/tessary"; \
	  echo "or try the command-line tool: make example"; \
	  exit 1; \
	fi
	build/release/tessary

example: build
	build/release/tessary-scale --verbose examples/crate.mdl $(EXAMPLE_OUT) 2
	@echo "Scaled examples/crate.mdl by 2 into $(EXAMPLE_OUT)"

test: build
	ctest --preset release

# The Debian package, checked by its tests and by lintian: build/release/packages/*.deb
package: build
	@scripts/ensure-packages package
	rm -rf build/release/packages
	cd build/release && cpack
	ctest --preset package
	lintian --fail-on error build/release/packages/*.deb

bench:
	@scripts/ensure-packages build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bench/tessary_bench

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

screenshots: build
	@scripts/ensure-packages screenshots
	scripts/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
