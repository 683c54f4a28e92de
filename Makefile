BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: all deps configure build run test bench clean

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

bench: build
	@bash scripts/install-bench-deps $(BUILD)
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@export QUILLMAR_BENCH_NODE=$(abspath $(BUILD))/bench-node; \
	for b in $(BUILD)/bench/*; do if [ -x "$$b" ] && [ -f "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; done

clean:
	rm -rf $(BUILD)
