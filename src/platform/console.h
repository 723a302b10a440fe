#pragma once
// Standard input and output as the engine needs them.
#include <cstddef>

namespace ostrim::platform {

// Writes the bytes to standard output in one piece and flushes them; lines
// written by different threads never interleave.
void console_write(const char* data, std::size_t length);

// Writes to standard error (the fatal allocation message).
void console_write_error(const char* data, std::size_t length);

constexpr int kLineReaderBufferSize = 4096;

// Buffered line input from a file descriptor, read as a text-mode console
// reads: "\r\n" arrives as "\n".
struct LineReader {
  int descriptor;
  int start;  // the unread bytes are buffer[start, end)
  int end;
  bool at_end;
  char buffer[kLineReaderBufferSize];
};

void init_line_reader(LineReader& reader, int descriptor);

// Reads at most size - 1 characters up to and including the next line feed
// and ends them with a zero. A longer line arrives in pieces, one per call.
// Returns the number of characters stored, or -1 at end of input (or on a
// read error) when nothing was left to store.
int read_line(LineReader& reader, char* line, int size);

// read_line on standard input.
int read_console_line(char* line, int size);

}  // namespace ostrim::platform
