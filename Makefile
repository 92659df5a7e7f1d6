# Front door of the build. Every target works on a fresh clone.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
PACKAGES   := cmake ninja-build g++ libbz2-dev zlib1g-dev libssl-dev libgtest-dev libgmock-dev \
              libbenchmark-dev libxml2-dev iproute2 util-linux nginx \
              pkg-config libc-ares-dev libuchardet-dev libpsl-dev publicsuffix libidn2-dev \
              python3 chromium libhiredis-dev redis-server
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: deps build build-asan test test-asan fuzz fuzz-run demo clean

# Installs the packages that are missing, as root; anyone else is told which ones and stops.
deps:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -z "$$missing" ]; then echo "all build dependencies present"; \
	elif [ "$$(id -u)" -ne 0 ]; then \
		echo "missing packages:$$missing"; echo "run 'make deps' as root (or install them) first"; exit 1; \
	else echo "installing:$$missing"; apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUNMERE_SANITIZE=ON

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Every test, first in the normal build, then built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps build build-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The crawler over the bundled demo sites, in a private network namespace.
demo: deps build
	sh demo/run_demo.sh $(BUILD)

# libFuzzer targets, built with clang; fuzz-run runs each for FUZZ_SECONDS on its own corpus and
# the inputs kept in fuzz/seeds/<target> (those found to break something once).
fuzz:
	@missing=""; for p in $(FUZZ_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
		echo "installing:$$missing"; apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; fi
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUNMERE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-run: fuzz
	@for f in $(FUZZ_BUILD)/fuzz_*; do \
		name=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
		if [ "$$name" = fuzz_html_to_xml ] && [ -z "$$(ls -A $(FUZZ_BUILD)/corpus/$$name)" ] && \
			[ -d ../shared/corpus/pages ]; then cp ../shared/corpus/pages/*.html $(FUZZ_BUILD)/corpus/$$name/; fi; \
		seeds=""; [ -d fuzz/seeds/$$name ] && seeds=fuzz/seeds/$$name; \
		echo "== $$name for $(FUZZ_SECONDS) s"; \
		$$f -max_total_time=$(FUZZ_SECONDS) -max_len=65536 $(FUZZ_BUILD)/corpus/$$name $$seeds || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
