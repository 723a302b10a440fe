#include "platform/child_process.h"

#include "platform/child_lines.h"
#include "platform/clock.h"
#include "platform/win32/windows_api.h"

namespace ostrim::platform {
namespace {

// Large enough that a line written never waits for the child to read:
// anonymous pipes have no time-out of their own.
constexpr DWORD kPipeBytes = 1 << 20;

HANDLE as_handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::intptr_t as_value(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

// Takes what the child has written without waiting; false at its end of
// output.
bool take_output(ChildProcess& child) {
  HANDLE pipe = as_handle(child.from_child);
  for (;;) {
    DWORD waiting = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) {
      child.output_ended = true;
      return false;
    }
    if (waiting == 0) return true;
    char buffer[65536];
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer, waiting < sizeof buffer ? waiting : sizeof buffer, &got, nullptr) || got == 0) {
      child.output_ended = true;
      return false;
    }
    child.unread.append(buffer, got);
  }
}

// A text-mode child ends its lines with "\r\n".
bool take_text_line(ChildProcess& child, std::string& line) {
  if (!take_line(child, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void close_end(PipeEnd& end) {
  if (end != -1) ::CloseHandle(as_handle(end));
  end = -1;
}

// One argument as the C library's command-line parser reads it back.
void append_quoted(std::string& line, const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    line += argument;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') line.append(backslashes * 2 + 1, '\\');
    else line.append(backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

void note_exit(ChildProcess& child) {
  DWORD code = 0;
  child.exited = true;
  child.exit_status = ::GetExitCodeProcess(as_handle(child.process), &code) ? static_cast<int>(code) : -1;
}

}  // namespace

ChildProcess::~ChildProcess() { kill_child(*this); }

bool start_child(ChildProcess& child, const std::string& program, const std::vector<std::string>& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE input_read, input_write, output_read, output_write;
  if (!::CreatePipe(&input_read, &input_write, &inherit, kPipeBytes)) return false;
  if (!::CreatePipe(&output_read, &output_write, &inherit, kPipeBytes)) {
    ::CloseHandle(input_read);
    ::CloseHandle(input_write);
    return false;
  }
  // The child inherits only its own ends.
  ::SetHandleInformation(input_write, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(output_read, HANDLE_FLAG_INHERIT, 0);

  std::string command_line;
  append_quoted(command_line, program);
  for (const std::string& a : arguments) {
    command_line += ' ';
    append_quoted(command_line, a);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input_read;
  startup.hStdOutput = output_write;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  // No application name: the system looks the program up as a shell would.
  BOOL created = ::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &started);
  ::CloseHandle(input_read);
  ::CloseHandle(output_write);
  if (!created) {
    ::CloseHandle(input_write);
    ::CloseHandle(output_read);
    return false;
  }
  ::CloseHandle(started.hThread);
  child.pid = static_cast<ProcessId>(started.dwProcessId);
  child.process = as_value(started.hProcess);
  child.to_child = as_value(input_write);
  child.from_child = as_value(output_read);
  child.unread.clear();
  child.output_ended = false;
  child.exited = false;
  child.exit_status = -1;
  return true;
}

bool write_to_child(ChildProcess& child, const std::string& bytes, int timeout_ms) {
  (void)timeout_ms;  // the pipe's room stands in for a time-out
  if (child.to_child == -1) return false;
  if (!child.output_ended) take_output(child);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(as_handle(child.to_child), bytes.data() + sent, static_cast<DWORD>(bytes.size() - sent), &written,
                     nullptr))
      return false;
    sent += written;
  }
  return true;
}

bool read_child_line(ChildProcess& child, std::string& line, int timeout_ms) {
  int64_t deadline = monotonic_ms() + timeout_ms;
  while (!take_text_line(child, line)) {
    if (child.output_ended || child.from_child == -1) return false;
    std::size_t had = child.unread.size();
    if (!take_output(child)) return take_text_line(child, line);
    if (child.unread.size() != had) continue;
    if (remaining_ms(deadline) == 0) return false;
    // Anonymous pipes cannot be waited on: look again shortly.
    ::Sleep(1);
  }
  return true;
}

void close_child_input(ChildProcess& child) { close_end(child.to_child); }

int wait_child_exit(ChildProcess& child, int timeout_ms) {
  if (child.exited || child.process == 0) return child.exit_status;
  if (::WaitForSingleObject(as_handle(child.process), static_cast<DWORD>(timeout_ms < 0 ? 0 : timeout_ms)) !=
      WAIT_OBJECT_0)
    return -1;
  note_exit(child);
  return child.exit_status;
}

bool child_running(ChildProcess& child) {
  if (child.process == 0 || child.exited) return false;
  if (::WaitForSingleObject(as_handle(child.process), 0) == WAIT_OBJECT_0) {
    note_exit(child);
    return false;
  }
  return true;
}

void kill_child(ChildProcess& child) {
  close_end(child.to_child);
  close_end(child.from_child);
  if (child.process != 0) {
    if (!child.exited) {
      ::TerminateProcess(as_handle(child.process), 1);
      ::WaitForSingleObject(as_handle(child.process), INFINITE);
      child.exited = true;
      child.exit_status = -1;
    }
    ::CloseHandle(as_handle(child.process));
    child.process = 0;
  }
  child.pid = -1;
  child.unread.clear();
}

}  // namespace ostrim::platform
