# Two commands do all the set-up: `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all build demo check bench clean check-sanitize fuzz-smoke browser-check screenshot

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (clang, asserts
# and the library's own checks kept on). A sanitizer report ends its process with status 86.
SAN_BUILD ?= build-sanitize
SAN_FLAGS = -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined \
  -fno-sanitize-recover=all -D_GLIBCXX_ASSERTIONS
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:exitcode=86:strict_string_checks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:exitcode=86

all: build

# The Debian packages of the PDF and PNG figures, installed when missing.
DEBIAN_PACKAGES = pkg-config librsvg2-dev fonts-liberation poppler-utils

$(BUILD)/CMakeCache.txt:
	tools/debian-packages.sh $(DEBIAN_PACKAGES)
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	cd examples && ../$(BUILD)/pelvano --no-pause study
	cd examples && ../$(BUILD)/pelvano-plot study
	@echo
	@cat examples/study/K.K 2>/dev/null || true

check: build
	cd $(BUILD) && ctest --output-on-failure -j 8

# The example's page in headless Chromium (not part of `make check`): no console message,
# figures shown at 390 and 1280 pixels of width, A4 when printed.
CHROMIUM ?= chromium
CHROMIUM_FLAGS = --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars
browser-check: demo
	python3 tests/browser/check_page.py examples/study/K.html --chromium $(CHROMIUM) \
	  --out $(BUILD)/browser

# The screenshot of the example's page in the README.
screenshot: demo
	$(CHROMIUM) $(CHROMIUM_FLAGS) --user-data-dir=$(CURDIR)/$(BUILD)/chromium-profile \
	  --window-size=1280,1700 --screenshot=$(CURDIR)/examples/page.png \
	  file://$(CURDIR)/examples/study/K.html

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target pelvano_bench
	bench/run_bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)

# Without the PDF and PNG renderer: glib's and fontconfig's caches, kept to the end of the
# process, would be reported as leaks.
$(SAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" -DPELVANO_RENDER=OFF

check-sanitize: $(SAN_BUILD)/CMakeCache.txt
	cmake -S . -B $(SAN_BUILD) -DPELVANO_RENDER=OFF > /dev/null
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j 8

# Each fuzz target (tests/fuzz) for FUZZ_TIME seconds under libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer, from the committed corpus. Any crash, sanitizer report,
# input slower than 1 s or memory over 2 GiB fails; the input is kept in
# $(FUZZ_BUILD)/artifacts. Each target runs in a scratch folder of its own.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 60
FUZZ_TARGETS = reader params structure study memberships
FUZZ_FLAGS = -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined \
  -fno-sanitize-recover=all -D_GLIBCXX_ASSERTIONS -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION

$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DBUILD_TESTING=OFF -DPELVANO_FUZZ=ON -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)"

fuzz-smoke: $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/work/$$t $(FUZZ_BUILD)/artifacts; \
	  echo "== fuzz_$$t: $(FUZZ_TIME) s"; \
	  (cd $(FUZZ_BUILD)/work/$$t && ../../tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_TIME) \
	    -timeout=1 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=$(CURDIR)/$(FUZZ_BUILD)/artifacts/$$t- \
	    ../../corpus/$$t $(CURDIR)/tests/fuzz/corpus/$$t) || exit 1; \
	done
