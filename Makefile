# Two commands for a fresh Debian 12 machine:
#   make run    install what is missing, build, run the program
#   make test   install what is missing, build, run the whole suite
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
RUNDIR  ?= run
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench sanitize clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The desktop program when a display can be opened, else a bounded headless run
# of a demonstration case with its progress on the terminal.
run: build
	@bash scripts/run.sh $(BUILD) $(RUNDIR)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2; done

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DQMXV_SANITIZE=ON -DQMXV_WITH_QT=OFF -DQMXV_BUILD_BENCH=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan
