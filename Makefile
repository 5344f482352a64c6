# The two set-up commands of the README: `make demo` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
PKG_DIR ?= build-package
CMAKE_FLAGS ?=

.PHONY: demo test run build bootstrap sanitize bench fuzz package format format-check clean

DEMO_DIR := $(BUILD_DIR)/demo
CLI := $(BUILD_DIR)/bin/quorvix-cli

# Counts the sample COBOL programs with the sample COBOL mode: one HTML report per file (from
# samples/COBOLqvx.html), then one summary CSV (from samples/COBOLqvx.csv).
demo: build
	rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)/reports $(DEMO_DIR)/summary
	@echo "== per-file reports =="
	$(CLI) count --mode 1 --home samples --recursive --output files --out $(DEMO_DIR)/reports samples/cobol
	@echo "== summary CSV =="
	$(CLI) count --mode 1 --home samples --recursive --output joined --out $(DEMO_DIR)/summary samples/cobol

# Builds and starts the desktop program, with the sample settings beside it.
run: build
	$(BUILD_DIR)/bin/quorvix

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

build: bootstrap
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

bootstrap:
	scripts/bootstrap

# ASan + UBSan build of everything, tests run under it.
sanitize: bootstrap
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVIX_SANITIZE=ON
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

bench: bootstrap
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVIX_BUILD_BENCH=ON
	cmake --build $(BUILD_DIR)

# libFuzzer targets (clang, ASan + UBSan) in build-fuzz/bin/; scripts/fuzz SECONDS runs them.
fuzz: bootstrap
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
		-DCMAKE_CXX_COMPILER=clang++ -DQUORVIX_BUILD_FUZZ=ON -DQUORVIX_BUILD_TESTS=OFF
	cmake --build $(FUZZ_DIR) --target fuzzers

# Debian package of both programs (CPack), in $(PKG_DIR)/quorvix_VERSION_ARCH.deb.
package: bootstrap
	cmake -S . -B $(PKG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVIX_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(PKG_DIR)
	cd $(PKG_DIR) && cpack -G DEB

format:
	git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(PKG_DIR)
