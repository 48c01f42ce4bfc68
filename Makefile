# Two commands for a fresh Debian machine: `make run` and `make test`.
.PHONY: run test build asan-test bench fuzz demo screenshot clean

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

clean:
	rm -rf build build-asan build-release build-fuzz
