# Front door of the build. Every target works on a fresh clone.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
PACKAGES   := cmake ninja-build g++ libbz2-dev zlib1g-dev libssl-dev libgtest-dev libgmock-dev \
              libbenchmark-dev libxml2-dev iproute2 util-linux nginx \
              pkg-config libc-ares-dev libuchardet-dev libpsl-dev publicsuffix libidn2-dev \
              python3 chromium libhiredis-dev redis-server
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: deps build build-asan build-tsan test test-tsan fuzz fuzz-run demo clean

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

$(TSAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUNMERE_TSAN=ON

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUNMERE_SANITIZE=ON

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The tests where threads share state (the worker pool, analyzers reading the shared tables, the
# in-process crawls), built with ThreadSanitizer.
TSAN_TARGETS := app_tests crawl_tests site_crawl_tests

build-tsan: $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)

# Only the test binaries above are built there: their tests are the ones with a dot in the name.
test-tsan: build-tsan
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
		ctest --output-on-failure -j $(JOBS) -E 'NOT_BUILT|^[a-z0-9_]+$$'

# Every test, first in the normal build, then built with AddressSanitizer and UndefinedBehaviorSanitizer,
# then the threaded ones with ThreadSanitizer.
test: deps build build-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-tsan

# The crawler over the bundled demo sites, in a private network namespace.
demo: deps build
	sh demo/run_demo.sh $(BUILD)

# libFuzzer targets (fuzz/<name>.cpp gives fuzz_<name>), built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer. fuzz-run runs each for FUZZ_SECONDS on its seeds (fuzz/corpus/fuzz_<name>,
# with every input that once broke something) and its dictionary (fuzz/dict/<name>.dict); what it
# finds new goes to $(FUZZ_BUILD)/corpus, and a finding (a crash, a broken property, a sanitizer
# report, a leak, a run over FUZZ_TIMEOUT seconds or FUZZ_RSS_MB) is kept in $(FUZZ_BUILD)/findings
# and fails the run.
FUZZ_TIMEOUT ?= 20
FUZZ_RSS_MB  ?= 2560
FUZZ_MAX_LEN ?= 16384

fuzz:
	@missing=""; for p in $(FUZZ_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
		echo "installing:$$missing"; apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; fi
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUNMERE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-run: fuzz
	@mkdir -p $(FUZZ_BUILD)/findings; failed=""; \
	for f in $(FUZZ_BUILD)/fuzz_*; do \
		name=$$(basename $$f); short=$${name#fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
		dict=""; [ -f fuzz/dict/$$short.dict ] && dict=-dict=fuzz/dict/$$short.dict; \
		echo "== $$name for $(FUZZ_SECONDS) s"; \
		UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
		$$f -max_total_time=$(FUZZ_SECONDS) -max_len=$(FUZZ_MAX_LEN) -timeout=$(FUZZ_TIMEOUT) \
			-rss_limit_mb=$(FUZZ_RSS_MB) -print_final_stats=1 $$dict \
			-artifact_prefix=$(FUZZ_BUILD)/findings/$$name- \
			$(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name > $(FUZZ_BUILD)/$$name.log 2>&1 \
			|| { failed="$$failed $$name"; tail -n 40 $(FUZZ_BUILD)/$$name.log; }; \
		grep -E "DONE|property broken|^SUMMARY" $(FUZZ_BUILD)/$$name.log || true; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzzing found something in:$$failed (inputs in $(FUZZ_BUILD)/findings)"; exit 1; fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
