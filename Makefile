# The commands the README promises: `make run` and `make test`, and the benchmark and
# fuzzing runs. Each installs only the packages its own purpose needs.
PRESET ?= default
BUILD_DIR := build/$(PRESET)
PROGRAM := $(BUILD_DIR)/kelmar-sim
DEMO := demo
DEPS := bash scripts/install-deps.sh

.PHONY: all deps configure build program test test-asan check-style run demo bench fuzz screenshot clean windows \
	test-windows windows-package screenshot-windows

all: build

# The default and asan presets build the window and the tests.
deps:
	@$(DEPS) build tests window

configure: deps
	@cmake --preset $(PRESET) > /dev/null

build: configure
	@cmake --build --preset $(PRESET)

# Only the program and what it links, for `make run`: the tests are built by `make test`.
program: configure
	@cmake --build --preset $(PRESET) --target kelmar-sim

test: build
	@ctest --preset $(PRESET)

test-asan:
	@$(MAKE) --no-print-directory test PRESET=asan

# The tree formatted by .clang-format and clean for .clang-tidy's checks.
check-style: configure
	@$(DEPS) style
	@bash scripts/check-style.sh $(BUILD_DIR)

# A demo exchange folder beside the sources, with the sample error files in the folder
# the program is started from.
demo: program
	@bash scripts/prepare-demo.sh "$(DEMO)" "$(PROGRAM)"

run: demo
	@cd $(DEMO) && exec "$(CURDIR)/$(PROGRAM)" --config config.ini

# The Windows program, cross-compiled with MinGW-w64; its tests run under Wine.
windows:
	@$(DEPS) build tests windows windows-window
	@cmake --preset windows > /dev/null
	@cmake --build --preset windows

test-windows: windows
	@ctest --preset windows

# The installer and the portable zip, in build/windows/packages.
windows-package: windows
	@cd build/windows && cpack -C Release --config CPackConfig.cmake

bench:
	@$(DEPS) build bench
	@bash scripts/run-benchmarks.sh

fuzz:
	@$(DEPS) build fuzz
	@bash scripts/run-fuzz.sh 60

# docs/window.png, taken on a virtual display with a demo folder under a neutral home.
screenshot: build
	@$(DEPS) screenshot
	@bash scripts/take-screenshot.sh "$(PROGRAM)" docs/window.png

# docs/window-windows.png: the Windows program's window under Wine on a virtual display.
screenshot-windows: windows
	@$(DEPS) screenshot windows-window
	@bash scripts/take-windows-screenshot.sh build/windows/kelmar-sim.exe docs/window-windows.png

clean:
	@rm -rf build
