# Task runner. `make test` and `make run` set up a fresh Debian 12 machine
# (installing any missing Debian package), configure, build and then test or
# start the program. Running either again installs nothing and rebuilds only
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
