# Two commands do all the set-up: `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all build demo check bench clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	cd examples && ../$(BUILD)/pelvano example.par
	@echo
	@cat examples/study/K.K 2>/dev/null || true

check: build
	cd $(BUILD) && ctest --output-on-failure -j 8

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target pelvano_bench
	bench/run_bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
