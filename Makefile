# A thin front end over CMake: `make` builds into build/, `make check` builds and runs every test,
# `make demo` converts the bundled sample model, `make bench` runs the benchmark (bench/run).
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

DEMO_LEVELS = samples/tram50.3ds samples/tram200.3ds samples/tram1000.3ds
DEMO_OUT = $(BUILD_DIR)/demo/tram.s

.PHONY: all build check demo bench clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench:
	bench/run

demo: build
	@mkdir -p $(BUILD_DIR)/demo
	$(BUILD_DIR)/trimorph $(DEMO_OUT) $(DEMO_LEVELS)
	@echo "Shape file written to $(DEMO_OUT)"
	@$(BUILD_DIR)/tools/shape_summary $(DEMO_OUT)

clean:
	rm -rf $(BUILD_DIR)
