# The two commands of the README: `make demo` and `make test`.
# UPDATER_SERVER_HOST=host:port builds for another update-server address
# (e.g. when the demo's port is busy); the build folder keeps it.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: setup configure build demo test bench clean

setup:
	./scripts/setup-deps

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(if $(CI),-DUPDATER_WERROR=ON) \
	  $(if $(UPDATER_SERVER_HOST),-DUPDATER_SERVER_HOST=$(UPDATER_SERVER_HOST))

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	./scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
