#pragma once
// The main thread: start-up, then the UCI read loop.

namespace ostrim::uci {

constexpr int kCommandLineSize = 4000;  // a line holds at most 3999 characters
constexpr int kTokenCapacity = 512;

// Start-up, then the read loop; returns the exit status (always 1). With
// any command-line argument the engine starts before the first line.
int run_program(int argument_count);

// Reads and runs lines until the end of input or `quit`.
void read_loop();

// Runs one line (its line ending removed); false after `quit`.
bool run_line(const char* line);

}  // namespace ostrim::uci
