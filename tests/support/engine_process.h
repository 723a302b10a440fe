#pragma once
// Drives build/ostrim as a child process for protocol transcripts: write
// lines to its standard input, read its lines with a time-out.
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/clock.h"

namespace ostrim::test {

constexpr int kDefaultTimeoutMs = 10000;

using EngineProcess = platform::ChildProcess;

// Starts the engine with the given command-line arguments.
bool start_engine(EngineProcess& engine, const std::vector<std::string>& arguments = {});

// Writes the bytes, taking the engine's output meanwhile so that neither
// side can block the other. False when the engine no longer reads.
bool send_bytes(EngineProcess& engine, const std::string& bytes);
bool send_line(EngineProcess& engine, const std::string& line);

// The next output line without its line feed; false on time-out or end.
bool read_line(EngineProcess& engine, std::string& line, int timeout_ms = kDefaultTimeoutMs);

// Lines up to (not including) the first that equals `last`; `found` tells
// whether it came before the time-out.
std::vector<std::string> read_until(EngineProcess& engine, const std::string& last, bool& found,
                                    int timeout_ms = kDefaultTimeoutMs);

// Sends "isready" and returns what the engine printed before "readyok";
// `ready` tells whether "readyok" came.
std::vector<std::string> lines_before_ready(EngineProcess& engine, bool& ready,
                                            int timeout_ms = kDefaultTimeoutMs);

// Closes the engine's standard input (end of input).
void close_input(EngineProcess& engine);

// Waits for the engine to end; its exit status, or -1 when it did not exit
// normally within the time.
int wait_exit(EngineProcess& engine, int timeout_ms = kDefaultTimeoutMs);

// A started engine that opens no book (the usual case for transcripts).
bool start_quiet_engine(EngineProcess& engine);

}  // namespace ostrim::test
