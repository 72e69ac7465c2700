# A thin wrapper over CMake and CTest. `make demo` and `make test` are the two
# commands a newcomer types on a fresh Debian 12 machine.

JOBS ?= $(shell nproc)

.PHONY: all setup native windows release test test-native test-windows demo bench install-service clean

all: native windows

setup:
	@tools/setup-debian.sh

native: setup
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

release: setup
	cmake --preset native-release >/dev/null
	cmake --build --preset native-release -j $(JOBS)

# The Windows tests start the Linux simulator of the native build.
windows: native
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

test: native windows
	@echo "=== Native tests (Linux, AddressSanitizer and UndefinedBehaviorSanitizer) ==="
	ctest --preset native -j $(JOBS)
	@echo "=== Windows tests (under Wine) ==="
	ctest --preset windows -j $(JOBS)

demo: release
	tools/demo.sh build/native-release

bench: release
	tools/bench.sh build/native-release

# Installs the Linux service for systemd (as root); it powers the machine off for real.
install-service: release
	tools/install-service.sh build/native-release

clean:
	rm -rf build
