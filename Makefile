# Set-up, build and tests in one step each; see README.md.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-sanitize bench soak fuzz data clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-tesselo $(BUILD)/app/tesselo

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DTESSELO_SANITIZE=ON -DTESSELO_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/tesselo-bench

# 100,000 random events in the real window off screen, and how many per second.
soak: build
	scripts/soak $(BUILD)/cli/tesselo-cli

fuzz: deps
	FUZZ_BUILD=$(CURDIR)/build-fuzz SECONDS_EACH=$${SECONDS_EACH:-10} fuzz/run-fuzzers.sh

# Rebuilds resources/geodata/ from the open data sources; LISTING=file uses a real listing of DEM
# file names for the two catalogues instead of the coverage model.
GEODATA_SOURCES ?= ../shared/geodata-sources
data:
	WITH_DATA=1 scripts/install-deps
	/usr/bin/python3 -W ignore tools/geodata/build.py --sources $(GEODATA_SOURCES) --out resources/geodata \
	  $(if $(LISTING),--listing $(LISTING))

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
