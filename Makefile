# The two commands of the README: `make demo` and `make test`.
# UPDATER_SERVER_HOST=host:port builds for another update-server address
# (e.g. when the demo's port is busy); the build folder keeps it.
BUILD ?= build
BUILD_WIN ?= build-win
JOBS ?= $(shell nproc)
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: setup configure build demo demo-windows test bench clean windows configure-windows test-windows test-asan test-tsan fuzz

setup:
	./scripts/setup-deps

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(if $(CI),-DUPDATER_WERROR=ON) \
	  -DUPDATER_WINDOWS_BUILD=$(abspath $(BUILD_WIN)) \
	  $(if $(UPDATER_SERVER_HOST),-DUPDATER_SERVER_HOST=$(UPDATER_SERVER_HOST))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo $(BUILD)

# The same demo with updater.exe under Wine, in real windows.
demo-windows: build windows
	./scripts/demo-windows $(BUILD) $(BUILD_WIN)

# Both suites: the Linux build's, then the Windows build's under Wine; in CI
# also the Linux suite built with the sanitizers.
test: build windows
	./scripts/run-tests $(BUILD) $(BUILD)/wine-e2e -j $(JOBS)
	./scripts/run-tests $(BUILD_WIN) $(BUILD_WIN)/wine -j $(JOBS)
	$(if $(CI),$(MAKE) test-asan test-tsan)

# The Linux suite built with sanitizers, in build folders of their own. The
# Wine tests run the Windows build's programs, which these builds do not make.
SANITIZER_RUN = ./scripts/run-sanitized
test-asan: setup
	cmake -S . -B $(BUILD)-asan -G Ninja $(if $(CI),-DUPDATER_WERROR=ON) -DUPDATER_BUILD_BENCH=OFF \
	  -DUPDATER_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo
	. ./scripts/sanitizer-env && cmake --build $(BUILD)-asan -j $(JOBS)
	$(SANITIZER_RUN) $(BUILD)-asan -j $(JOBS)

test-tsan: setup
	cmake -S . -B $(BUILD)-tsan -G Ninja $(if $(CI),-DUPDATER_WERROR=ON) -DUPDATER_BUILD_BENCH=OFF \
	  -DUPDATER_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo
	. ./scripts/sanitizer-env && cmake --build $(BUILD)-tsan -j $(JOBS)
	$(SANITIZER_RUN) $(BUILD)-tsan -j $(JOBS)

bench: build
	./scripts/bench $(BUILD)

# The libFuzzer harnesses, built with clang into $(BUILD_FUZZ), each run for
# FUZZ_SECONDS (FUZZ_TARGETS picks some of ini, update_list, zip).
fuzz: setup
	FUZZ_SECONDS=$(FUZZ_SECONDS) $(if $(FUZZ_TARGETS),FUZZ_TARGETS="$(FUZZ_TARGETS)") \
	  ./scripts/fuzz $(BUILD_FUZZ) $(JOBS)

# The Windows build: a static updater.exe and its tests, run under Wine.
configure-windows: setup
	cmake -S . -B $(BUILD_WIN) -G Ninja $(if $(CI),-DUPDATER_WERROR=ON) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake \
	  $(if $(UPDATER_SERVER_HOST),-DUPDATER_SERVER_HOST=$(UPDATER_SERVER_HOST))

windows: configure-windows
	cmake --build $(BUILD_WIN) -j $(JOBS)

test-windows: windows
	./scripts/run-tests $(BUILD_WIN) $(BUILD_WIN)/wine -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_WIN) $(BUILD_FUZZ)
