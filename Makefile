# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Tests that play against the clock run one at a time, after the others.
TIMED_TESTS = ^(SelfPlay|ThinkProtocol)\.

.PHONY: run build test sanitize bench perft peers clean

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

bench: build
	./$(BUILD)/ostrim-tool bench

perft: build
	./$(BUILD)/ostrim-tool perft 6

# The engines strength is measured against (for ostrim-tool match only).
peers:
	tools/peers.sh

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
