#pragma once
// The output channel: every line the program says to the interface.
#include <cstddef>


namespace ostrim {

constexpr int kOutputLineSize = 2048;  // a line holds at most 2047 characters

// Formats one line (cut to 2047 characters), writes it with a line feed and
// flushes it at once.
void output_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "info string Error (message): subject"
void report_error(const char* message, const char* subject);

// "info string Assert Failed: UCI+line", then the process ends with status 1.
[[noreturn]] void assertion_failed(int line);

// Where lines go instead of standard output while set (tests capture the
// output of a handler with it); the line arrives without its line feed.
using OutputSink = void (*)(const char* line, std::size_t length);
void set_output_sink(OutputSink sink);

}  // namespace ostrim
