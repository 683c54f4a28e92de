BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: all deps configure build run test test-sanitize bench clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the program and its help file: the tests and benches are built by `make test` and `make bench`.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target quillmar quillmar_help
	./$(BUILD)/quillmar $(if $(FILE),"$(FILE)")

# Prints the wall time of the build and of the test run, so a slow-down shows at once.
test: configure
	@start=$$(date +%s); cmake --build $(BUILD) -j $(JOBS) || exit 1; \
	echo "make test: build took $$(( $$(date +%s) - start )) s"
	@start=$$(date +%s); cd $(BUILD) && ctest --output-on-failure -j $(JOBS); rc=$$?; \
	echo "make test: tests took $$(( $$(date +%s) - start )) s"; exit $$rc

# The whole suite built with the address and undefined-behaviour sanitizers, in a build folder of its
# own: with clang where it is installed (the fuzz targets need it), else with the default compiler.
# Not part of CI: it takes several times as long as `make test`.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_CC := $(if $(shell command -v clang++),CC=clang CXX=clang++)
test-sanitize: deps
	@if [ ! -f $(SANITIZE_BUILD)/build.ninja ]; then $(SANITIZE_CC) cmake -S . -B $(SANITIZE_BUILD) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMAR_SANITIZE=ON; fi
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/install-bench-deps $(BUILD)
	@cmake $(BUILD) >/dev/null # finds what install-bench-deps just brought (libcurl for the transfer benches)
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@export QUILLMAR_BENCH_NODE=$(abspath $(BUILD))/bench-node; \
	for b in $(BUILD)/bench/*; do if [ -x "$$b" ] && [ -f "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; done

clean:
	rm -rf $(BUILD)
