# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Tests that play against the clock run one at a time, after the others.
TIMED_TESTS = ^(SelfPlay|ThinkProtocol)\.
# The protocol transcripts: the engine as a child process, its threads at work.
PROTOCOL_TESTS = Protocol.*:ThinkProtocol.*:BookProtocol.*
FUZZ_LINES ?= 100000

.PHONY: run build test sanitize fuzz tsan bench perft peers clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS) --target ostrim
	./$(BUILD)/ostrim || [ $$? -eq 1 ]  # the engine always ends with status 1

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -E '$(TIMED_TESTS)'
	ctest --test-dir $(BUILD) --output-on-failure -R '$(TIMED_TESTS)'

sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIM_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS) -E '$(TIMED_TESTS)'
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -R '$(TIMED_TESTS)'

# The long fuzz run, under the address and undefined-behaviour sanitizers;
# any sanitizer report ends the engine, and with it the test.
fuzz:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIM_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target ostrim_tests
	OSTRIM_FUZZ_LINES=$(FUZZ_LINES) ./$(SANITIZE_BUILD)/ostrim_tests --gtest_filter='Fuzz.*'

# The protocol transcripts with a ThreadSanitizer engine: the first data race
# it reports ends the engine with status 66, and the transcript fails.
tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIM_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target ostrim_tests
	TSAN_OPTIONS="halt_on_error=1 exitcode=66 $(TSAN_OPTIONS)" ./$(TSAN_BUILD)/ostrim_tests --gtest_filter='$(PROTOCOL_TESTS)'

bench: build
	./$(BUILD)/ostrim-tool bench

perft: build
	./$(BUILD)/ostrim-tool perft 6

# The engines strength is measured against (for ostrim-tool match only).
peers:
	tools/peers.sh

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD)
