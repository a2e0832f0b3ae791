# The two everyday commands: `make run` builds and starts Tilora, `make test`
# builds and runs every test. Both install missing Debian packages first.

PRESET ?= dev
BUILD := build/$(PRESET)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test test-windows install package clean

all: build

deps:
	@scripts/install-deps build

configure: deps
	@test -f $(BUILD)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/bin/tilora

test: build
	ctest --preset $(PRESET)

# The core and the converter built for 64-bit Windows, tested under Wine.
test-windows:
	@scripts/install-deps windows
	@test -f build/windows/build.ninja || cmake --preset windows
	cmake --build --preset windows
	scripts/with-wine ctest --preset windows

# `make install PREFIX=/opt/tilora` (DESTDIR is honoured too).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD); `make package PRESET=release` for a lean one.
package: build
	cmake --build --preset $(PRESET) --target package

clean:
	rm -rf build
