# Two commands for a fresh Debian machine: `make run` and `make test`.
.PHONY: run test build asan-test tsan-test windows-test bench fuzz demo screenshot clean install package \
	format format-check

JOBS ?= $(shell nproc)

build:
	scripts/deps
	cmake --preset ci
	cmake --build build -j $(JOBS)

demo: build
	build/bin/make-demo-save build/demo

run: demo
	build/bin/quillbox

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j $(JOBS)

asan-test:
	scripts/deps
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ctest --preset asan -j $(JOBS)

# The core and the CLI under ThreadSanitizer: extraction starts a helper thread.
tsan-test:
	scripts/deps
	cmake --preset tsan
	cmake --build build-tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# The core, the CLI and the Windows desktop, cross-built with mingw-w64 and
# tested under Wine in a prefix of their own inside build-windows.
windows-test:
	scripts/deps --windows
	cmake --preset windows
	cmake --build build-windows -j $(JOBS)
	ctest --preset windows -j $(JOBS)

bench:
	scripts/deps
	cmake --preset release
	cmake --build build-release -j $(JOBS) --target quillbox-bench
	build-release/bin/quillbox-bench

# Builds the libFuzzer target; the README says how to run a campaign.
fuzz:
	scripts/deps --fuzz
	cmake --preset fuzz
	cmake --build build-fuzz -j $(JOBS) --target save_fuzz

screenshot: demo
	scripts/deps --screenshot
	scripts/screenshot build/demo/demo.psu docs/screenshot.png
	scripts/screenshot about docs/screenshot-about.png
	scripts/screenshot update docs/screenshot-update.png

# PREFIX and DESTDIR as usual: make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX ?= /usr/local
install: build
	cmake --install build --prefix $(PREFIX)

# The Debian package, build/quillbox_VERSION_ARCH.deb
package: build
	cmake --build build --target package

# One layout for all C++ (.clang-format); CI fails on a file that differs from it.
FORMATTED = git ls-files '*.cpp' '*.h'
format:
	scripts/deps
	$(FORMATTED) | xargs clang-format -i

format-check:
	scripts/deps
	$(FORMATTED) | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-asan build-tsan build-release build-fuzz build-windows
