# ZAV Remote 2002: `make run` builds and starts the client, `make test` builds and runs every test,
# `make package` builds the Debian packages (`make package-check` checks them), `make bench`
# builds and runs the benchmarks (not part of `make test`).
SHELL := /bin/bash
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

# Debian 12 packages the build, the tests and `make run` need (the two checkers validate the
# menu entry and the metainfo in the install test; dbus-daemon gives the notification and
# accessibility tests a private session bus; at-spi2-core and python3-pyatspi read the program
# as a screen reader does; weston and qt6-wayland run the Wayland test).
PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev \
            libfontconfig-dev \
            libxcb1-dev xvfb xauth fonts-liberation fonts-dejavu-core desktop-file-utils appstream \
            qt6-base-private-dev dbus-daemon at-spi2-core python3-pyatspi qt6-wayland weston
# What `make package` needs on top (debian/control's Build-Depends are among PACKAGES), and the
# checkers of `make package-check` (hardening-check is in devscripts).
PACKAGE_TOOLS := build-essential dpkg-dev debhelper fakeroot devscripts lintian
# Where `make package` leaves the .deb files.
PACKAGE_DIR ?= $(BUILD)/debian

# The project's own builds treat warnings as errors; a plain `cmake` build does not.
CMAKE_FLAGS := -DZAV_WERROR=ON

.PHONY: all deps deps-package build run test test-plain test-asan package package-check bench \
        format clean

all: build

deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES)"

deps-package:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES) $(PACKAGE_TOOLS)"

.PHONY: install-missing
install-missing:
	@missing=""; for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update && \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

# Configured again when this file changes, so that its flags reach an existing build folder.
$(BUILD)/CMakeCache.txt: Makefile | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	@touch $@

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target zav-remote zav-manager-sim zav-write-settings
	@bash scripts/run.sh $(BUILD)

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt: Makefile | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZAV_SANITIZE=ON $(CMAKE_FLAGS)
	@touch $@

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test: test-plain test-asan

# The Debian packages zav-remote and zav-manager-sim (and their -dbgsym), built by debhelper from
# a copy of the sources in $(PACKAGE_DIR) without tests or benchmarks, left there as .deb files.
package: deps-package
	bash packaging/build-deb.sh $(PACKAGE_DIR) $(JOBS)

# lintian and hardening-check on the packages of `make package` (built first when missing).
# Not part of `make test`: the package build takes minutes of its own.
package-check: deps-package
	@ls $(PACKAGE_DIR)/*.changes >/dev/null 2>&1 || $(MAKE) --no-print-directory package
	bash packaging/check-deb.sh $(PACKAGE_DIR)

# The program against its anchors, several rounds by turns, on a virtual X display (~4 minutes).
bench: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target zav-remote bench-run bench-anchor bench-client
	xvfb-run -a -s "-screen 0 1024x768x24" $(BUILD)/bin/bench-run $(BUILD)/bin $(BENCH_ARGS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
