# Tressmoor — build, run and test wrappers around CMake.
#   make run      install what is missing, build, generate the sample content, start the program
#   make test     install what is missing, build with sanitizers and warnings as errors, run tests
#   make bench    build optimised and run the benchmarks
#   make content  (re)generate the sample program folder build/data from content/
#   make install  install the programs, the sample program folder and the desktop entry
#                 under PREFIX (default /usr/local; DESTDIR is honoured)
#   make package  build the Debian package build/release/tressmoor_<version>_<arch>.deb and
#                 check its contents
#   make fuzz-smoke  build the libFuzzer targets with clang and run each FUZZ_SECONDS (20) seconds

BUILD      ?= build
RELEASE    := $(BUILD)/release
TESTBUILD  := $(BUILD)/test
BENCHBUILD := $(BUILD)/bench
FUZZBUILD  := $(BUILD)/fuzz
FUZZ_SECONDS ?= 20
DATA       := $(BUILD)/data
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps run test bench content release install package clean format fuzz-smoke

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

# Not part of `make test`: clang with the libFuzzer runtime, a build of its own, and minutes.
$(FUZZBUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTRESSMOOR_FUZZ=ON -DTRESSMOOR_GUI=OFF -DTRESSMOOR_TESTS=OFF

fuzz-smoke: $(FUZZBUILD)/build.ninja
	@scripts/install-deps --fuzz
	cmake --build $(FUZZBUILD) -j $(JOBS) --target tressmoor_fuzzers
	scripts/fuzz-run $(FUZZBUILD) $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
