# The two everyday commands:
#   make run    build and scale the bundled example model
#   make test   install what is missing, build, and run every test
# Also: make bench, make asan, make fuzz, make format, make clean.

JOBS ?= $(shell nproc)
EXAMPLE_OUT ?= build/crate-x2.mdl

.PHONY: run test build bench asan fuzz fuzz-ci format clean

build:
	@scripts/ensure-packages build
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

run: build
	build/release/tessary-scale --verbose examples/crate.mdl $(EXAMPLE_OUT) 2
	@echo "Scaled examples/crate.mdl by 2 into $(EXAMPLE_OUT)"

test: build
	ctest --preset release

bench:
	@scripts/ensure-packages build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bench/tessary_bench

asan:
	@scripts/ensure-packages build
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
