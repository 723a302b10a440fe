#pragma once
// Standard input and output as the engine needs them.
#include <cstddef>

namespace ostrim::platform {

// Writes the bytes to standard output in one piece and flushes them; lines
// written by different threads never interleave.
void console_write(const char* data, std::size_t length);

// Writes to standard error (the fatal allocation message).
void console_write_error(const char* data, std::size_t length);

}  // namespace ostrim::platform
