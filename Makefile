# The two commands of the README, and the steps they are made of.
.PHONY: run test deps build build-asan build-fuzz test-default test-asan fuzz examples clean format format-check

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 5

run: deps build
	./examples/run-examples build/default/src/cli/korvel
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  echo "Opening korvel-tools with the examples' preferences (examples/out/prefs.ini)"; \
	  build/default/src/gui/korvel-tools --prefs examples/out/prefs.ini; \
	else echo "korvel-tools: no display (DISPLAY or WAYLAND_DISPLAY), the desktop app is not opened"; fi

test: deps test-default test-asan fuzz

deps:
	./scripts/install-deps

# Every C++ source the repository tracks, in the one style .clang-format sets.
FORMATTED = $(shell git ls-files '*.cpp' '*.h' '*.h.in')

format:
	clang-format -i $(FORMATTED)

format-check: deps
	@clang-format --dry-run --Werror $(FORMATTED)

build:
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

build-asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)

build-fuzz:
	@if command -v clang++ >/dev/null; then \
	  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j $(JOBS); \
	else echo "fuzz: clang++ not found, fuzz targets skipped"; fi

test-default: build
	ctest --preset default -j $(JOBS)

test-asan: build-asan
	ctest --preset asan -j $(JOBS)

fuzz: build-fuzz
	@if [ -d build/fuzz/fuzz ]; then ./fuzz/run-all build/fuzz/fuzz $(FUZZ_SECONDS); fi

clean:
	rm -rf build examples/out
