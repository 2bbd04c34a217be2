# Entry points for a newcomer: `make run` starts the game, `make test` runs every
# test headless. Each build kind has its own folder under build/.

JOBS ?= $(shell nproc)
CTEST_ARGS ?=
FUZZ_SECONDS ?= 60
# How long `make fuzz-smoke` runs each target.
FUZZ_SMOKE_SECONDS ?= 20
# A compiler cache, when installed, shares objects between checkouts of the tree: paths are hashed
# relative to the checkout so two worktrees hit the same entries.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1
HEADLESS = SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# The thread tests: every suite whose name speaks of threads, monitors or concurrency.
TSAN_TESTS ?= Thread|Monitor|Concurren

.PHONY: package all deps build run test test-asan test-tsan bench fuzz fuzz-smoke format clean levels sheets

all: build

deps:
	@scripts/install-deps

define configure
	cmake -S . -B build/$(1) -DCMAKE_BUILD_TYPE=$(2) $(3) >/dev/null
endef

build: deps
	$(call configure,debug,Debug,)
	cmake --build build/debug -j $(JOBS)

run: deps
	$(call configure,release,RelWithDebInfo,-DRIPPLE_TESTS=OFF)
	cmake --build build/release -j $(JOBS)
	@if [ -x build/release/ripple ]; then \
	  echo "Starting build/release/ripple"; exec build/release/ripple; \
	else \
	  echo "The game's entry point is not built yet; the library, tools and tests are."; \
	  echo "Once it exists, 'make run' starts build/release/ripple."; \
	fi

test: build
	cd build/debug && $(HEADLESS) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

test-asan: deps
	$(call configure,asan,Debug,-DRIPPLE_SANITIZE=address)
	cmake --build build/asan -j $(JOBS)
	cd build/asan && $(HEADLESS) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

test-tsan: deps
	$(call configure,tsan,Debug,-DRIPPLE_SANITIZE=thread)
	cmake --build build/tsan -j $(JOBS)
	cd build/tsan && $(HEADLESS) TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)' $(CTEST_ARGS)

bench: deps
	$(call configure,bench,Release,-DRIPPLE_TESTS=OFF -DRIPPLE_BENCH=ON)
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/*Bench; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; $(HEADLESS) "$$b" || exit 1; \
	done

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DRIPPLE_TESTS=OFF -DRIPPLE_FUZZ=ON -DRIPPLE_SANITIZE=address \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
	cmake --build build/fuzz -j $(JOBS)
	@echo "Fuzz targets are in build/fuzz/fuzz/; run one with e.g."
	@echo "  build/fuzz/fuzz/TokenizerFuzz -max_total_time=$(FUZZ_SECONDS) fuzz/corpus/TokenizerFuzz fuzz/seeds/TokenizerFuzz"

# Every target for a short while from its seeds (fuzz/seeds/NAME) into a scratch corpus under the
# build folder (a relative path, as people pass it). Each gets a temporary folder of its own that
# must be empty again when it ends. The first failure stops the run and shows the end of its log.
fuzz-smoke: fuzz
	@for t in build/fuzz/fuzz/*Fuzz; do \
	  [ -x "$$t" ] || continue; \
	  name=$$(basename "$$t"); corpus=build/fuzz/corpus/$$name; seeds=fuzz/seeds/$$name; \
	  scratch=build/fuzz/tmp/$$name; rm -rf "$$scratch"; mkdir -p "$$corpus" "$$scratch"; \
	  if [ -d "$$seeds" ]; then set -- "$$seeds"; else set --; \
	    echo "warning: $$name has no seeds in $$seeds: it starts from nothing"; fi; \
	  echo "== $$name ($(FUZZ_SMOKE_SECONDS) s)"; \
	  if ! $(HEADLESS) TMPDIR="$$PWD/$$scratch" "$$t" -max_total_time=$(FUZZ_SMOKE_SECONDS) \
	       -timeout=30 "$$corpus" "$$@" >"$$corpus.log" 2>&1; then \
	    tail -n 60 "$$corpus.log"; echo "$$name failed; its log is $$corpus.log"; exit 1; \
	  fi; \
	  if [ -n "$$(ls -A "$$scratch")" ]; then \
	    echo "$$name left files in its temporary folder:"; ls -A "$$scratch"; exit 1; fi; \
	  grep -E '^Done [0-9]+ runs' "$$corpus.log" || true; \
	done

# Checks the level data, prints each difficulty's levels and draws the difficulty curve into
# docs/difficulty-curve.png (generated, not kept in the repository).
levels: build
	mkdir -p docs
	build/debug/ripple-levels --plot docs/difficulty-curve.png data/levels data/scenes/datafile.txt

# A Debian package of a release build (build/release/ripple_*.deb).
package: deps
	$(call configure,release,RelWithDebInfo,-DRIPPLE_TESTS=OFF)
	cmake --build build/release -j $(JOBS)
	cd build/release && cpack

# Contact sheets of the generated art and sound, and a still of a level in play, in docs/.
sheets: build
	cmake --build build/debug --target ripple_sheets

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
