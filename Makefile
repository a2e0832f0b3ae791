# The two everyday commands: `make run` builds and starts Tilora, `make test`
# builds and runs every test. Both install missing Debian packages first:
# `make run` only what the programs need, `make test` the tests' tools too.

PRESET ?= dev
BUILD := build/$(PRESET)
PREFIX ?= /usr/local

.PHONY: all deps test-deps configure-programs configure programs build run test test-windows install package \
        clean bench bench-packing check-asan fuzz-smoke

all: build

deps:
	@scripts/install-deps build

test-deps:
	@scripts/install-deps test

# A tree that `make run` configures leaves out the tests and benchmarks, whose
# libraries it does not install; `make test` turns them on in the same tree.
configure-programs: deps
	@test -f $(BUILD)/build.ninja || cmake --preset $(PRESET) -DTILORA_BUILD_TESTS=OFF -DTILORA_BUILD_BENCH=OFF

configure: test-deps
	@grep -qx 'TILORA_BUILD_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt 2>/dev/null && test -f $(BUILD)/build.ninja || \
	  cmake --preset $(PRESET) -DTILORA_BUILD_TESTS=ON

# What installation puts in place, and nothing else.
programs: configure-programs
	cmake --build --preset $(PRESET) --target tilora_programs

build: configure
	cmake --build --preset $(PRESET)

run: programs
	$(BUILD)/bin/tilora

test: build
	ctest --preset $(PRESET) $(CTEST_FLAGS)

# The core and the converter built for 64-bit Windows, tested under Wine.
test-windows:
	@scripts/install-deps windows
	@test -f build/windows/build.ninja || cmake --preset windows
	cmake --build --preset windows
	scripts/with-wine ctest --preset windows

# `make install PREFIX=/opt/tilora` (DESTDIR is honoured too).
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD); `make package PRESET=release` for a lean one.
package: build
	cmake --build --preset $(PRESET) --target package

# Speed: every conversion step on the largest pictures, optimised build.
bench:
	@$(MAKE) --no-print-directory configure PRESET=release
	cmake --build --preset release --target tilora_bench tilora_bench_tilemap make_picture tilora-convert
	build/release/bin/tilora_bench
	build/release/bin/tilora_bench_tilemap

# Sub-palette packing and colour reduction on the truecolour picture set,
# the packer on planted packings, and whole conversions that cannot fit.
bench-packing:
	@$(MAKE) --no-print-directory configure PRESET=release
	cmake --build --preset release --target tilora_packing_bench tilora_packing_strength make_picture tilora-convert
	build/release/bin/tilora_packing_bench
	build/release/bin/tilora_packing_strength
	bench/packing_limits.sh

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer,
# except those on the emulated console, whose core is not built for them.
check-asan:
	$(MAKE) test PRESET=asan CTEST_FLAGS="-LE console"

# A short fuzz run of each target from its seed corpus; any finding fails,
# and so does a run past 256 MiB. New inputs stay in build/fuzz, the seeds
# in the repository are only read. Each input is a file, so the runs go to a
# memory file system when there is one. AddressSanitizer keeps up to 256 MiB
# of freed blocks back to catch late uses, which alone would pass the limit;
# 32 MiB of them leaves the limit to what the converter itself holds.
FUZZ_SECONDS ?= 20
FUZZ_TMPDIR ?= $(shell test -d /dev/shm -a -w /dev/shm && echo /dev/shm || echo $${TMPDIR:-/tmp})
FUZZ_RUN = TMPDIR=$(FUZZ_TMPDIR) ASAN_OPTIONS=quarantine_size_mb=32$(if $(ASAN_OPTIONS),:$(ASAN_OPTIONS)) build/fuzz/bin/$(1) -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=256 \
  -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ build/fuzz/$(2) $(3)
fuzz-smoke: test-deps
	@test -f build/fuzz/build.ninja || cmake --preset fuzz
	cmake --build --preset fuzz --target fuzz_convert fuzz_render fuzz_video_memory
	mkdir -p build/fuzz/corpus build/fuzz/render_corpus build/fuzz/video_memory_corpus build/fuzz/artifacts
	$(call FUZZ_RUN,fuzz_convert,corpus,fuzz/corpus fuzz/png_corpus)
	$(call FUZZ_RUN,fuzz_render,render_corpus,fuzz/render_corpus)
	$(call FUZZ_RUN,fuzz_video_memory,video_memory_corpus,fuzz/video_memory_corpus)

clean:
	rm -rf build
