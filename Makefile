# Two commands do everything on a fresh Debian machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
COV_BUILD  ?= build-cov
# A fixed seed and run count, so that a test run explores the same inputs on every machine; explore
# further with e.g. `make fuzz FUZZ_RUN=-max_total_time=600`. New inputs land in the build folder;
# the committed corpus holds the seeds and every input that once found a fault.
FUZZ_RUN ?= -seed=1 -runs=200000
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev clang-format \
            libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
            qt6-base-dev qt6-base-dev-tools libgl-dev \
            ghostscript poppler-utils time rsync xvfb xauth tzdata gcovr \
            desktop-file-utils xdg-utils \
            fonts-dejavu-core qt6-image-formats-plugins qpdf

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build asan tsan test test-fast coverage fuzz run format format-check bench clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF

$(TSAN_BUILD)/build.ninja:
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TSAN=ON \
	  -DQUILLON_BUILD_UI=OFF -DQUILLON_BENCH=OFF

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Formatting, the plain suite, the same suite under AddressSanitizer and UBSan, a short fuzz run.
test: format-check build asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory fuzz
	@# The suites delete, move and replace files as root; a stray path must never reach the system's.
	@test -c /dev/null || { echo "/dev/null is no longer a device: something the tests ran replaced it" >&2; exit 1; }

# The core and platform suites under ThreadSanitizer: folder reads and content comparisons run on
# several threads there.
tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_core test_platform
	for suite in core platform; do \
	  env TZ=UTC LC_ALL=C.UTF-8 TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/test_$$suite \
	    --gtest_brief=1 || exit 1; \
	done

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Atomic counters: the readers run on several threads, and plain counters lose updates there
# (gcov then reports negative branch counts).
COV_FLAGS := --coverage -fprofile-update=atomic
$(COV_BUILD)/build.ninja:
	cmake -S . -B $(COV_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILLON_BENCH=OFF \
	  "-DCMAKE_C_FLAGS=$(COV_FLAGS)" "-DCMAKE_CXX_FLAGS=$(COV_FLAGS)" \
	  "-DCMAKE_EXE_LINKER_FLAGS=$(COV_FLAGS)"

# Line and branch coverage of the code below the widgets, from the whole plain suite (the widget
# and start-up tests count too, since they drive the core). Branches that only throw are left
# out: they are the compiler's, not ours. The tests run parts as the user nobody; the build folder
# and the counter files it creates are open to everyone so that those parts are counted too.
COV_FOLDERS := base platform core reports doc fileops rename
coverage: deps $(COV_BUILD)/build.ninja
	cmake --build $(COV_BUILD) -j $(JOBS)
	find $(COV_BUILD) -name '*.gcda' -delete
	chmod -R a+rwX $(COV_BUILD)
	cd $(COV_BUILD) && umask 0 && ctest --output-on-failure -j $(JOBS)
	gcovr --root . --object-directory $(COV_BUILD) --exclude-directories '.*/CMakeFiles/[0-9.]+' \
	  --exclude-throw-branches \
	  $(foreach f,$(COV_FOLDERS),--filter '$(f)/') --print-summary \
	  --txt $(COV_BUILD)/coverage.txt

fuzz: deps
	@if [ -f tests/fuzz/CMakeLists.txt ]; then \
	  cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_FUZZ=ON \
	    -DQUILLON_BUILD_UI=OFF -DQUILLON_BENCH=OFF >/dev/null && \
	  cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quillon_fuzzers && \
	  for f in $(FUZZ_BUILD)/tests/fuzz/fuzz_*; do \
	    name=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	    echo "fuzzing $$name: $(FUZZ_RUN)"; \
	    $$f $(FUZZ_RUN) -rss_limit_mb=2048 -artifact_prefix=$(FUZZ_BUILD)/ \
	      $(FUZZ_BUILD)/corpus/$$name tests/fuzz/corpus/$$name || exit 1; \
	  done; \
	fi

# The main window on the example pair.
run: build
	./$(BUILD)/quillon examples/left examples/right

bench: build
	@ls bench/*.sh >/dev/null 2>&1 && for s in bench/*.sh; do bash $$s $(BUILD); done || true

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD) $(COV_BUILD)
