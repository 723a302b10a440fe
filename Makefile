# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Tests that play against the clock run one at a time, after the others.
TIMED_TESTS = ^(SelfPlay|ThinkProtocol)\.
# The protocol transcripts: the engine as a child process, its threads at work.
PROTOCOL_TESTS = Protocol.*:ThinkProtocol.*:BookProtocol.*
PARALLEL_TESTS = Parallel.*:ParallelProtocol.*
FUZZ_LINES ?= 100000

.PHONY: run build test sanitize fuzz tsan bench perft peers clean

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# The engine starts in its own folder, beside its book, as a GUI starts it;
# it always ends with status 1.
run:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS) --target ostrim default_book
	cd $(BUILD) && ./ostrim || [ $$? -eq 1 ]

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

# The protocol transcripts and the parallel search's tests under
# ThreadSanitizer, with one, two and four search threads: the first data race
# it reports ends the process with status 66, and the test fails.
tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIM_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target ostrim_tests
	TSAN_OPTIONS="halt_on_error=1 exitcode=66 $(TSAN_OPTIONS)" ./$(TSAN_BUILD)/ostrim_tests --gtest_filter='$(PROTOCOL_TESTS):$(PARALLEL_TESTS)'
	for threads in 2 4; do \
	  OSTRIM_TEST_THREADS=$$threads TSAN_OPTIONS="halt_on_error=1 exitcode=66 $(TSAN_OPTIONS)" \
	    ./$(TSAN_BUILD)/ostrim_tests --gtest_filter='$(PROTOCOL_TESTS)' || exit 1; \
	done

bench: build
	./$(BUILD)/ostrim-tool bench

perft: build
	./$(BUILD)/ostrim-tool perft 6

# The engines strength is measured against (for ostrim-tool match only).
peers:
	tools/peers.sh

WINDOWS_BUILD ?= build-windows
DIST ?= dist
MINGW_CXX = x86_64-w64-mingw32-g++-posix
MINGW_PACKAGE = g++-mingw-w64-x86-64-posix
WINE ?= $(shell command -v wine || command -v wine64)
# The files a player needs, beside each other: the book is found in the
# engine's folder.
DIST_FILES = ostrim ostrim-tool ostrim2010.bin

.PHONY: windows dist test-windows clean-windows

# ostrim.exe and ostrim-tool.exe for 64-bit Windows, cross-built with
# MinGW-w64 and linked statically; the book is made by this machine's tool.
windows:
	@command -v $(MINGW_CXX) >/dev/null || { \
	  if [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null; then apt-get install -y $(MINGW_PACKAGE); \
	  else echo "make windows needs $(MINGW_CXX): sudo apt-get install $(MINGW_PACKAGE)"; exit 1; fi; }
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS) --target ostrim-tool
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release -DOSTRIM_TESTS=OFF \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DOSTRIM_BOOK_TOOL=$(CURDIR)/$(BUILD)/ostrim-tool
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Release folders and their .zip files: dist/ostrim-linux, dist/ostrim-windows.
dist: windows
	cmake --build $(BUILD) -j $(JOBS) --target ostrim ostrim-tool default_book
	rm -rf $(DIST) && mkdir -p $(DIST)/ostrim-linux $(DIST)/ostrim-windows
	cd $(BUILD) && cp $(DIST_FILES) $(CURDIR)/$(DIST)/ostrim-linux/
	cd $(WINDOWS_BUILD) && cp ostrim.exe ostrim-tool.exe ostrim2010.bin $(CURDIR)/$(DIST)/ostrim-windows/
	cp tools/release/README-linux.txt $(DIST)/ostrim-linux/README.txt
	cp tools/release/README-windows.txt $(DIST)/ostrim-windows/README.txt
	cd $(DIST) && cmake -E tar cf ostrim-linux.zip --format=zip ostrim-linux \
	  && cmake -E tar cf ostrim-windows.zip --format=zip ostrim-windows
	@ls -l $(DIST)

# UCI transcripts and a short self-play game against ostrim.exe under Wine,
# in the Windows release folder. Not part of `make test`.
test-windows: dist
	@if [ -z "$(WINE)" ]; then echo "test-windows skipped: Wine is not installed (apt-get install wine64)"; exit 0; fi; \
	WINEDEBUG=-all python3 tests/windows/wine_transcripts.py $(WINE) $(DIST)/ostrim-windows

clean-windows:
	rm -rf $(WINDOWS_BUILD) $(DIST)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD)
