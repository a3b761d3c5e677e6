# Tressmoor — build, run and test wrappers around CMake.
#   make run      install what is missing, build, generate the sample content, start the program
#   make test     install what is missing, build with sanitizers and warnings as errors, run tests
#   make bench    build optimised and run the benchmarks
#   make content  (re)generate the sample program folder build/data from content/
#   make install  install the programs, the sample program folder and the desktop entry
#                 under PREFIX (default /usr/local; DESTDIR is honoured)
#   make package  build the Debian package build/release/tressmoor_<version>_<arch>.deb and
#                 check its contents

BUILD      ?= build
RELEASE    := $(BUILD)/release
TESTBUILD  := $(BUILD)/test
BENCHBUILD := $(BUILD)/bench
DATA       := $(BUILD)/data
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps run test bench content release install package clean format

all: release

deps:
	@scripts/install-deps

$(RELEASE)/build.ninja:
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRESSMOOR_TESTS=OFF \
	    -DTRESSMOOR_CONTENT_DIR=$(abspath $(DATA))

release: deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)

content: release
	@scripts/make-content $(RELEASE) $(DATA)

install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE) --prefix $(PREFIX)

package: release
	cmake --build $(RELEASE) --target package

run: content
	@scripts/run-gui $(RELEASE)/src/app/tressmoor --data $(DATA)

$(TESTBUILD)/build.ninja:
	cmake -S . -B $(TESTBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DTRESSMOOR_SANITIZE=ON -DTRESSMOOR_WERROR=ON -DTRESSMOOR_TESTS=ON

test: deps $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) -j $(JOBS)
	cd $(TESTBUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

$(BENCHBUILD)/build.ninja:
	cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DTRESSMOOR_TESTS=OFF -DTRESSMOOR_BENCH=ON -DTRESSMOOR_CONTENT=OFF

bench: deps $(BENCHBUILD)/build.ninja
	cmake --build $(BENCHBUILD) -j $(JOBS)
	@scripts/run-benchmarks $(BENCHBUILD) $(DATA)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
