# Entry points for a fresh Debian machine; see README.md.
JOBS ?= $(shell nproc)

.PHONY: deps build run test tsan bench fuzz format clean install package check-package screenshots

deps:
	@scripts/install-deps

build: deps
	cmake --preset release >/dev/null
	cmake --build build -j $(JOBS)

# With a display: the window on a simulated PBX and a demo address book. Without: the tour of
# the command line tool.
run: build
	@if [ -n "$${DISPLAY}$${WAYLAND_DISPLAY}" ]; then scripts/demo-window build/bin; \
	else scripts/demo build/bin; fi

install: build
	cmake --install build

# The Debian package (korvi, korvi-communicator, desktop entry, icon) in build/.
package: build
	cd build && cpack

# The package installed and started in a chroot of a minimal Debian (root; nothing is installed
# on this machine).
check-package: package
	scripts/check-package $$(ls -t build/korvi_*.deb | head -1) build/package-check

# Every tab and dialog as PNG files, rendered under Xvfb (SHOTS=folder, default build/shots).
screenshots: build
	scripts/screenshots build/bin $${SHOTS:-build/shots}

test: deps
	cmake --preset asan >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 300

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build build-tsan -j $(JOBS) --target controller_tests sync_tests sync_cli_tests \
	  sync_safety_cli_tests korvi
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
	  ctest --output-on-failure -j $(JOBS) -L 'controller|sync'

# libFuzzer targets (clang, their own build folder), FUZZ_SECONDS each; not part of `make test`.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target korvi_fuzz_targets
	scripts/fuzz build-fuzz $(FUZZ_SECONDS)

bench: build
	scripts/bench build/bin

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-tsan build-fuzz
