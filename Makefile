# A thin front end over CMake.
#   make          builds the programs into build/ (no test, no GoogleTest needed)
#   make demo     builds the programs, converts the bundled sample model and draws its preview
#   make docs-image  redraws docs/tram.png, the README's picture of the sample, with the programs
#   make check    builds the programs and every test, with warnings as errors, and runs the tests
#   make bench    runs the benchmark (bench/run)
#   make install  installs the programs, manual pages and README under PREFIX (DESTDIR works)
#   make package  builds a Debian package of the same in build/
#   make windows  cross-compiles the Windows programs and their zip into build-windows/
# Missing build dependencies are installed (as root) or named by tools/install-deps first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEPS = tools/install-deps

DEMO_LEVELS = samples/tram50.3ds samples/tram200.3ds samples/tram1000.3ds
DEMO_OUT = $(BUILD_DIR)/demo/tram.s
DEMO_PNG = $(BUILD_DIR)/demo/tram.png

PREFIX ?= /usr/local

.PHONY: all build check demo docs-image bench clean install package

all: build

$(BUILD_DIR)/CMakeCache.txt:
	@$(DEPS) programs
	cmake -S . -B $(BUILD_DIR)

build: $(BUILD_DIR)/CMakeCache.txt
	@$(DEPS) programs
	cmake --build $(BUILD_DIR) -j $(JOBS) --target programs

check:
	@$(DEPS) check
	cmake -S . -B $(BUILD_DIR) -DTRIMORPH_TESTS=ON -DTRIMORPH_WERROR=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench:
	bench/run

# Installed programs are stripped of their debug information.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

package: build
	cd $(BUILD_DIR) && cpack -G DEB

demo: build
	@mkdir -p $(BUILD_DIR)/demo
	$(BUILD_DIR)/trimorph $(DEMO_OUT) $(DEMO_LEVELS)
	@echo "Shape file written to $(DEMO_OUT)"
	@$(BUILD_DIR)/tools/shape_summary $(DEMO_OUT)
	$(BUILD_DIR)/trimorph-check $(DEMO_OUT)
	$(BUILD_DIR)/trimorph-preview -o $(DEMO_PNG) $(DEMO_OUT)
	@echo "Preview written to $(DEMO_PNG)"

# The README's picture is the preview of the sample as the programs draw it.
docs-image: build
	@mkdir -p $(BUILD_DIR)/demo
	$(BUILD_DIR)/trimorph $(DEMO_OUT) $(DEMO_LEVELS)
	$(BUILD_DIR)/trimorph-preview -o docs/tram.png $(DEMO_OUT)

clean:
	rm -rf $(SANITIZE_DIR) $(FUZZ_DIR) $(WINDOWS_DIR)
	rm -rf $(BUILD_DIR)

# The Windows programs, cross-compiled with MinGW-w64 (cmake/MinGW-w64-x86_64.cmake) into a
# directory of their own, warnings as errors.
#   make windows         trimorph.exe and the other programs, and
#                        build-windows/trimorph-<version>-windows-x86_64.zip of them with the README
#   make check-windows   the Windows tests under Wine (in a Wine prefix in build-windows/wine), and
#                        the Windows converter's output compared with the Linux build's
# WINDOWS_TESTS_EXCLUDE leaves out the tests that match it (a CTest regular expression).
WINDOWS_DIR ?= build-windows
WINDOWS_TESTS_EXCLUDE ?=
# The build has no debug information (the zip's programs are stripped): it builds a fifth faster.
WINDOWS_CONFIGURE = cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-x86_64.cmake \
	-DCMAKE_BUILD_TYPE=Release -DTRIMORPH_WERROR=ON

.PHONY: windows check-windows

windows:
	@$(DEPS) windows
	$(WINDOWS_CONFIGURE)
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target windows-zip

check-windows: build
	@$(DEPS) windows
	$(WINDOWS_CONFIGURE) -DTRIMORPH_TESTS=ON -DTRIMORPH_LINUX_BUILD_DIR=$(abspath $(BUILD_DIR))
	cmake --build $(WINDOWS_DIR) -j $(JOBS)
	cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS) \
	  $(if $(WINDOWS_TESTS_EXCLUDE),-E '$(WINDOWS_TESTS_EXCLUDE)'); \
	  status=$$?; $(CURDIR)/tools/wine-run --stop wine; exit $$status

# Sanitizer and fuzzing builds, each in its own directory.
#   make check-sanitize  every test with AddressSanitizer (leaks included) and
#                        UndefinedBehaviorSanitizer; the end-to-end tests run the sanitized program
#   make check-threads   the tests that run the converter's threads, with ThreadSanitizer
#   make fuzz            the libFuzzer targets (clang)
#   make fuzz-smoke      each fuzz target for FUZZ_SECONDS from the committed seed corpus
#   make fuzz-seeds      rewrites the generated seeds and the sample levels of the corpus
SANITIZE_DIR ?= build-sanitize
THREADS_DIR ?= build-threads
# The tests that test the threads, and the end-to-end conversions (two threads by default).
THREADS_TESTS = HelperThread|ParallelText|Conversion|Golden|Demo
FUZZ_DIR ?= build-fuzz
FUZZ_CXX ?= clang++
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = toolkit3ds convert inspect shapecheck
FUZZ_CORPUS = tests/fuzz/corpus
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: check-sanitize check-threads fuzz fuzz-smoke fuzz-seeds

check-sanitize:
	@$(DEPS) check
	cmake -S . -B $(SANITIZE_DIR) -DTRIMORPH_SANITIZE=ON -DTRIMORPH_TESTS=ON -DTRIMORPH_WERROR=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

check-threads:
	@$(DEPS) check
	cmake -S . -B $(THREADS_DIR) -DTRIMORPH_SANITIZE_THREADS=ON -DTRIMORPH_TESTS=ON \
	  -DTRIMORPH_WERROR=ON
	cmake --build $(THREADS_DIR) -j $(JOBS)
	cd $(THREADS_DIR) && TSAN_OPTIONS=halt_on_error=1:exitcode=66 \
	  ctest --output-on-failure -j $(JOBS) -R '$(THREADS_TESTS)'

$(FUZZ_DIR)/CMakeCache.txt:
	@$(DEPS) ci
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DTRIMORPH_FUZZ=ON -DTRIMORPH_WERROR=ON

fuzz: $(FUZZ_DIR)/CMakeCache.txt
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_toolkit3ds fuzz_convert fuzz_inspect \
	  fuzz_shapecheck make_fuzz_seeds

# New inputs go to a scratch directory in front of the committed corpus, which stays as it is.
# The inspection reads the level files of the conversion's corpus.
fuzz-smoke: fuzz
	@set -e; for t in $(FUZZ_TARGETS); do \
	  rm -rf $(FUZZ_DIR)/smoke/$$t && mkdir -p $(FUZZ_DIR)/smoke/$$t; \
	  seeds=$$t; [ $$t = inspect ] && seeds=convert; \
	  echo "fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  $(SANITIZER_ENV) $(FUZZ_DIR)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) \
	    -timeout=10 -max_len=16384 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_DIR)/smoke/$$t- $(FUZZ_DIR)/smoke/$$t $(FUZZ_CORPUS)/$$seeds \
	    2> $(FUZZ_DIR)/smoke/$$t.log || { tail -n 60 $(FUZZ_DIR)/smoke/$$t.log; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' $(FUZZ_DIR)/smoke/$$t.log; \
	done

fuzz-seeds: fuzz
	mkdir -p $(FUZZ_CORPUS)/toolkit3ds $(FUZZ_CORPUS)/convert
	$(FUZZ_DIR)/tests/fuzz/make_fuzz_seeds $(FUZZ_CORPUS)/toolkit3ds $(FUZZ_CORPUS)/convert
	cp samples/tram50.3ds samples/tram200.3ds samples/tram1000.3ds $(FUZZ_CORPUS)/toolkit3ds/
	cp samples/tram50.3ds samples/tram200.3ds samples/tram1000.3ds $(FUZZ_CORPUS)/convert/
	cat samples/tram50.3ds samples/tram200.3ds > $(FUZZ_CORPUS)/convert/tram50-tram200
