# Task runner. `make test` and `make run` set up a fresh Debian 12 machine
# (installing any missing Debian package), configure, build and then test or
# start the program. Running either again installs nothing and rebuilds only
# what changed. slapd and openssh-server are installed for the tests, which
# start slapds and sshds of their own: slapd is told not to set up a directory
# of the system's. libnss-wrapper gives the tests' scanner an account
# database. gdu is only for make bench, which times the scan of a volume
# beside it and du.

PACKAGES := g++ cmake ninja-build make pkg-config \
            qt6-base-dev qt6-qpa-plugins libqt6test6 libgl-dev fonts-dejavu-core \
            nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev \
            xvfb xauth xdotool dbus-daemon python3-pyatspi at-spi2-core \
            desktop-file-utils dpkg-dev file clang-format clang-tidy \
            clang libclang-rt-14-dev llvm \
            libldap-dev slapd ldap-utils openssl openssh-server libnss-wrapper gdu

PRESET ?= dev
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build fuzz-check test package tidy run bench format check-format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  if [ "$$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi; \
	  echo "slapd slapd/no_configuration boolean true" | $$SUDO debconf-set-selections; \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake --preset $(PRESET)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build --preset $(PRESET)

# Format and static analysis first, then the suite twice: as built for use,
# and built with the address and undefined-behaviour sanitizers, which turn
# silent memory and arithmetic faults into failures.
test: build fuzz-check check-format
	$(MAKE) tidy
	ctest --preset $(PRESET)
	$(MAKE) PRESET=asan build
	ctest --preset asan

# Static analysis of the tool's own code (tests excluded), two files at a time.
tidy: build
	git ls-files 'app/*.cpp' 'netware/*.cpp' 'session/*.cpp' 'discovery/*.cpp' 'report/*.cpp' 'scanner/*.cpp' \
	  | xargs -P 2 -n 4 clang-tidy -p $(BUILD_DIR) --quiet

# The Debian package, from an optimised build of the program alone:
# build/package/vorlane_<version>_<arch>.deb.
PACKAGE_DIR := build/package
package: deps
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLANE_BUILD_TESTS=OFF -DVORLANE_WERROR=ON
	cmake --build $(PACKAGE_DIR)
	cd $(PACKAGE_DIR) && cpack -G DEB

# The fuzz targets, built with clang and its sanitizers in a folder of their
# own: each replays its committed corpus, then fuzzes a few seconds more.
FUZZ_DIR := build/fuzz

fuzz-check: deps
	@test -f $(FUZZ_DIR)/build.ninja || cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
	  -DVORLANE_BUILD_FUZZ=ON -DVORLANE_BUILD_TESTS=OFF -DVORLANE_WERROR=ON
	cmake --build $(FUZZ_DIR) --target fuzzers
	ctest --test-dir $(FUZZ_DIR)/fuzz --output-on-failure -j2

# The program alone: tests and benchmarks are built by make test and make bench.
run: configure
	cmake --build --preset $(PRESET) --target vorlane
	./$(BUILD_DIR)/app/vorlane

# The benchmarks, optimised; only their program is built. The tables at the
# end of the run are what bench/RESULTS.md quotes.
bench:
	$(MAKE) PRESET=release configure
	cmake --build --preset release --target vorlane_bench
	./build/release/bench/vorlane_bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Formatting, and the size limits that keep every file and function readable.
check-format:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	python3 .ci/check_sizes.py

clean:
	rm -rf build
