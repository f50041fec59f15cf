# The two commands a user needs: `make run` and `make test`. Both install what
# is missing, configure and build first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
STAGE_DIR := $(BUILD_DIR)/stage
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 300

.PHONY: all deps configure build run test bench fuzz format tidy clean stage package

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# A program directory made once by `kwave init`; later runs keep the user's data.
stage: build
	@if [ ! -f $(STAGE_DIR)/Kestrelwave.dll ]; then \
	  $(BUILD_DIR)/bin/kwave init $(STAGE_DIR); \
	fi
	@cp -f $(BUILD_DIR)/bin/kestrelwave $(STAGE_DIR)/ 2>/dev/null || true
	@cp -f $(BUILD_DIR)/bin/kwave $(STAGE_DIR)/

run: stage
	@scripts/run-program.sh $(STAGE_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Debian package kestrelwave_<version>_amd64.deb, written to the build folder.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The fuzz targets in fuzz/, built with clang, libFuzzer, ASan and UBSan in
# their own folder, each run for FUZZ_SECONDS.
fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DKW_FUZZ=ON -DKW_BUILD_GUI=OFF \
	  -DKW_BUILD_TESTS=OFF -DKW_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

format:
	@git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

# clang-tidy over src/ with the checks of .clang-tidy, on the build's
# compile_commands.json. The windows' moc output is made first, as their
# files include it.
tidy: configure
	@cmake --build $(BUILD_DIR) --target kestrelwave_gui_autogen kestrelwave_webview_autogen >/dev/null
	@run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) '^$(CURDIR)/src/'

clean:
	@rm -rf $(BUILD_DIR)
