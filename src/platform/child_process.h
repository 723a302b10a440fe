#pragma once
// Child processes driven through pipes: another program's standard input
// and output, written by lines and read with a time-out.
#include <cstdint>
#include <string>
#include <vector>

namespace ostrim::platform {

#ifdef _WIN32
using ProcessId = int;
using PipeEnd = std::intptr_t;  // a handle's value
#else
using ProcessId = int;  // pid_t
using PipeEnd = int;    // a file descriptor
#endif

struct ChildProcess {
  ProcessId pid = -1;
  PipeEnd to_child = -1;    // the child's standard input
  PipeEnd from_child = -1;  // the child's standard output
#ifdef _WIN32
  std::intptr_t process = 0;  // the handle that waits for and ends the child
#endif
  std::string unread;   // bytes read but not yet taken as lines
  bool output_ended = false;  // its standard output reached its end
  bool exited = false;
  int exit_status = -1;  // the status it exited with; -1 when killed by a signal

  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();  // kills a child still running
};

// Starts the program (a path, or a name looked up in PATH) with the
// arguments; its standard error stays the caller's. False when it cannot
// be started.
bool start_child(ChildProcess& child, const std::string& program, const std::vector<std::string>& arguments);

// Writes the bytes, taking the child's output meanwhile so that neither
// side can block the other. False when the child no longer reads.
bool write_to_child(ChildProcess& child, const std::string& bytes, int timeout_ms);
bool write_line_to_child(ChildProcess& child, const std::string& line, int timeout_ms);

// The next output line without its line feed; false on time-out or at the
// end of the output (output_ended tells which).
bool read_child_line(ChildProcess& child, std::string& line, int timeout_ms);

// Closes the child's standard input (end of input).
void close_child_input(ChildProcess& child);

// Waits for the child to end; its exit status, or -1 when it did not exit
// normally within the time.
int wait_child_exit(ChildProcess& child, int timeout_ms);

// Whether the child has not ended yet (reaps it when it has).
bool child_running(ChildProcess& child);

// Kills the child, reaps it and closes its pipes; the record may start
// another child afterwards.
void kill_child(ChildProcess& child);

}  // namespace ostrim::platform
