# Task runner. `make test` and `make run` set up a fresh Debian 12 machine
# (installing any missing Debian package), configure, build and then test or
# start the program. Running either again installs nothing and rebuilds only
# what changed.

PACKAGES := g++ cmake ninja-build make pkg-config \
            qt6-base-dev qt6-qpa-plugins libqt6test6 libgl-dev fonts-dejavu-core \
            nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev \
            xvfb xauth xdotool dbus-daemon clang-format

PRESET ?= dev
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build test run bench format check-format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  if [ "$$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi; \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake --preset $(PRESET)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build --preset $(PRESET)

# The suite runs twice: as built for use, and built with the address and
# undefined-behaviour sanitizers, which turn silent memory and arithmetic
# faults into failures.
test: build
	ctest --preset $(PRESET)
	$(MAKE) PRESET=asan build
	ctest --preset asan

run: build
	./$(BUILD_DIR)/app/vorlane

bench:
	$(MAKE) PRESET=release build
	./build/release/bench/vorlane_bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
