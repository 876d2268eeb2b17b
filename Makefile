# Thin wrappers: scripts/setup-deps installs what is missing, CMake does the rest.
BUILD        ?= build
ASAN_BUILD   ?= build-asan
BENCH_BUILD  ?= build-bench
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS         ?= $(shell nproc)
PREFIX       ?= /usr/local

.PHONY: all deps build test bench fuzz run install deb clean

all: build

deps:
	scripts/setup-deps

# A warning fails the builds of the test run (what CI runs), so none creeps in; everyday builds
# (make build, make run) only print them. The libFuzzer build is left out: it is a tool to run,
# not a gate, and a new clang may warn where the compiler CI builds with does not.
WERROR ?= OFF

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

# The one test command: the normal build and the sanitizer build must both pass. Both run the
# unit and end-to-end tests and every fuzz target over its seeds.
test: WERROR = ON
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVEN_SANITIZE=ON \
	  -DCMAKE_COMPILE_WARNING_AS_ERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVEN_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tolven_bench
	$(BENCH_BUILD)/bench/tolven_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVEN_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for target in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  name=$$(basename $$target); mkdir -p fuzz-corpus/$$name; \
	  seeds=; [ -d fuzz/seeds/$$name ] && seeds=fuzz/seeds/$$name; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  if ! $$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/$$name- fuzz-corpus/$$name $$seeds \
	       > $(FUZZ_BUILD)/$$name.log 2>&1; then tail -n 60 $(FUZZ_BUILD)/$$name.log; exit 1; fi; \
	  grep -E 'stat::number_of_executed_units|Done' $(FUZZ_BUILD)/$$name.log; \
	done

# Builds the sample game from its sources and opens it in the window. Its sounds are made
# first (at once when they are up to date).
run: build
	python3 samples/demo/make_sounds.py
	$(BUILD)/src/app/tolven-tool build-game samples/demo $(BUILD)/demo-game
	$(BUILD)/src/app/tolven $(BUILD)/demo-game

# The programs, man pages, desktop entry, icon and completions under PREFIX; DESTDIR stages them
# under another root, as packagers do.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# The Debian package, in $(BUILD); then the install test's checks on the package unpacked.
deb: build
	rm -f $(BUILD)/tolven_*.deb
	cd $(BUILD) && cpack -G DEB
	tests/install/install_test.sh $(BUILD) $(CURDIR) $(BUILD)/tolven_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
