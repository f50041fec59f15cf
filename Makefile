# The two commands a user needs: `make run` and `make test`. Both install what
# is missing, configure and build first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
STAGE_DIR := $(BUILD_DIR)/stage

.PHONY: all deps configure build run test bench format clean stage

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
	  $(BUILD_DIR)/src/kwave init $(STAGE_DIR); \
	fi
	@cp -f $(BUILD_DIR)/src/kestrelwave $(STAGE_DIR)/ 2>/dev/null || true
	@cp -f $(BUILD_DIR)/src/kwave $(STAGE_DIR)/

run: stage
	@scripts/run-program.sh $(STAGE_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	@git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
