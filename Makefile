# The two commands of this project:
#   make run    build, then start the wizard under Wine from examples/package
#   make test   build, then run every test tier through CTest
# Both install what is missing from Debian's packages first.

BUILD ?= build
JOBS ?= 2
NATIVE := $(BUILD)/native
WIN32 := $(BUILD)/win32
WIN64 := $(BUILD)/win64

.PHONY: all setup build run test fuzz bench release clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	@cmake --build $(WIN32) -j$(JOBS)
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DTW_PRODUCT_DIR=$(abspath $(WIN32)) >/dev/null
	@cmake --build $(WIN64) -j$(JOBS)
	@cmake -S . -B $(NATIVE) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DWIN_BUILD_DIRS="$(abspath $(WIN32));$(abspath $(WIN64))" >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

# The last line says which products ran under Wine (the i686 one needs a host
# that runs 32-bit code; tests/wine/ia32.sh). Wine itself now and then fails
# a run under load (a start refused with an internal error, its loader
# crashing after the program has ended): each test gets a second try.
test: build
	@cd $(NATIVE) && ctest --output-on-failure --repeat until-pass:2 -j$(JOBS) $(CTEST_ARGS); rc=$$?; \
	  bash $(CURDIR)/tests/wine/ia32.sh --say; exit $$rc

run: build
	@bash scripts/run.sh

fuzz: build
	@cmake --build $(NATIVE) --target fuzz -j$(JOBS)

# Figures, not tests: ratios against bare baselines measured in the same run.
bench: build
	@bash bench/run.sh --build $(BUILD)

# The signed, reproducible i686 release in $(BUILD)/release (README: Releases).
release: setup
	@bash scripts/release.sh --build $(BUILD)

clean:
	rm -rf $(BUILD)
