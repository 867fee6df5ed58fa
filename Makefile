# Two entry points: `make run` and `make test`; `make install` and `make deb` besides. All
# install what is missing from Debian's packages first (through sudo when not root).

BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS   ?= 600
PKG_BUILD_DIR  ?= build-pkg
PREFIX         ?= /usr/local
JOBS           ?= $(shell nproc)

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES := build-essential cmake ninja-build pkg-config \
	qt6-base-dev qt6-base-private-dev qt6-multimedia-dev qt6-translations-l10n libgtest-dev \
	libxcb1-dev libxcb-keysyms1-dev fonts-dejavu-core \
	xvfb xauth xdotool x11-utils trayer imagemagick poppler-utils \
	xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils \
	clang libclang-rt-14-dev python3 \
	dpkg-dev file lintian desktop-file-utils appstream man-db dbus-daemon \
	libical-dev python3-icalendar

.PHONY: all deps configure build run test test-asan format clean fuzz-build fuzz-smoke fuzz \
	pkg-build install deb install-check

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/notella

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) fuzz-smoke
	$(MAKE) install-check

test-asan: deps
	[ -f $(ASAN_BUILD_DIR)/build.ninja ] || \
		cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOTELLA_SANITIZE=ON
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && \
		ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# libFuzzer targets, one per reader of outside data, in a clang build of their own.
fuzz-build: deps
	[ -f $(FUZZ_BUILD_DIR)/build.ninja ] || \
		cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
			-DCMAKE_CXX_COMPILER=clang++ -DNOTELLA_FUZZ=ON -DNOTELLA_TESTS=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target fuzz_all

# About 10 s a target from a fixed start, so that it checks the same ground each time;
# failing inputs are kept in fuzz/regressions/.
fuzz-smoke: fuzz-build
	FUZZ_SEED=1 fuzz/run.sh $(FUZZ_BUILD_DIR) 10

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# An installed copy: the program alone, with Debian's hardening flags, in a build of its own.
pkg-build: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(PKG_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOTELLA_TESTS=OFF \
		-DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(PKG_BUILD_DIR) -j $(JOBS)

# Built as the user; installed through sudo when the prefix is not the user's to write.
install: pkg-build
	if mkdir -p "$(PREFIX)" 2>/dev/null && [ -w "$(PREFIX)" ]; then \
		cmake --install $(PKG_BUILD_DIR) --strip; \
	else \
		$(SUDO) cmake --install $(PKG_BUILD_DIR) --strip; \
	fi

deb: pkg-build
	cd $(PKG_BUILD_DIR) && cpack
	@ls $(PKG_BUILD_DIR)/notella_*.deb

# The installed tree, the desktop entry, metainfo, man page and the Debian package.
install-check: build
	tests/install/check_install.sh $(BUILD_DIR)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR) $(PKG_BUILD_DIR)
