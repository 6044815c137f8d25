# The two commands the README promises: `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build/$(PRESET)
PROGRAM := $(BUILD_DIR)/kelmar-sim
DEMO := demo

.PHONY: all deps configure build test test-asan run demo bench fuzz clean windows test-windows \
	windows-package

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) > /dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

test-asan:
	@$(MAKE) --no-print-directory test PRESET=asan

# A demo exchange folder beside the sources, with the sample error files in the folder
# the program is started from.
demo: build
	@bash scripts/prepare-demo.sh "$(DEMO)" "$(PROGRAM)"

run: demo
	@cd $(DEMO) && exec "$(CURDIR)/$(PROGRAM)" --config config.ini

# The Windows program, cross-compiled with MinGW-w64; its tests run under Wine.
windows:
	@bash scripts/install-windows-deps.sh
	@cmake --preset windows > /dev/null
	@cmake --build --preset windows

test-windows: windows
	@ctest --preset windows

# The installer and the portable zip, in build/windows/packages.
windows-package: windows
	@cd build/windows && cpack -C Release --config CPackConfig.cmake

bench: deps
	@bash scripts/run-benchmarks.sh

fuzz: deps
	@bash scripts/run-fuzz.sh 60

clean:
	@rm -rf build
