#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/child_lines.h"
#include "platform/clock.h"

namespace ostrim::platform {

static_assert(sizeof(pid_t) == sizeof(ProcessId));

namespace {

// Reads what the child has written; false at its end of output.
bool take_output(ChildProcess& child) {
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(child.from_child, buffer, sizeof buffer);
    if (got > 0) {
      child.unread.append(buffer, static_cast<std::size_t>(got));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    child.output_ended = true;
    return false;
  }
}

void close_pipes(ChildProcess& child) {
  if (child.to_child >= 0) ::close(child.to_child);
  if (child.from_child >= 0) ::close(child.from_child);
  child.to_child = child.from_child = -1;
}

void note_status(ChildProcess& child, int status) {
  child.exited = true;
  child.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ChildProcess::~ChildProcess() { kill_child(*this); }

bool start_child(ChildProcess& child, const std::string& program, const std::vector<std::string>& arguments) {
  ::signal(SIGPIPE, SIG_IGN);  // a child that has ended must not end the caller
  int input[2];
  int output[2];
  if (::pipe2(input, O_CLOEXEC) != 0) return false;
  if (::pipe2(output, O_CLOEXEC) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    return false;
  }
  // Only async-signal-safe calls between fork and exec: the caller may run
  // threads.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The child reports a failed exec through a pipe that the exec closes.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    for (int fd : {input[0], input[1], output[0], output[1]}) ::close(fd);
    return false;
  }
  pid_t pid = ::fork();
  if (pid < 0) {
    for (int fd : {input[0], input[1], output[0], output[1], report[0], report[1]}) ::close(fd);
    return false;
  }
  if (pid == 0) {
    // A group of its own, so that a kill reaches whatever the child started.
    ::setpgid(0, 0);
    ::dup2(input[0], STDIN_FILENO);
    ::dup2(output[1], STDOUT_FILENO);
    ::execvp(program.c_str(), argv.data());
    int error = errno;
    ssize_t ignored = ::write(report[1], &error, sizeof error);
    (void)ignored;
    ::_exit(127);
  }
  ::close(report[1]);
  int error = 0;
  ssize_t got;
  do got = ::read(report[0], &error, sizeof error);
  while (got < 0 && errno == EINTR);
  ::close(report[0]);
  if (got > 0) {
    for (int fd : {input[0], input[1], output[0], output[1]}) ::close(fd);
    ::waitpid(pid, nullptr, 0);
    return false;
  }
  ::close(input[0]);
  ::close(output[1]);
  child.pid = pid;
  child.to_child = input[1];
  child.from_child = output[0];
  child.unread.clear();
  child.output_ended = false;
  child.exited = false;
  child.exit_status = -1;
  ::fcntl(child.to_child, F_SETFL, ::fcntl(child.to_child, F_GETFL) | O_NONBLOCK);
  return true;
}

bool write_to_child(ChildProcess& child, const std::string& bytes, int timeout_ms) {
  if (child.to_child < 0) return false;
  std::size_t sent = 0;
  int64_t deadline = monotonic_ms() + timeout_ms;
  while (sent < bytes.size()) {
    pollfd fds[2] = {{child.to_child, POLLOUT, 0}, {child.from_child, POLLIN, 0}};
    // A child whose output has ended is still written to until its input closes.
    int ready = ::poll(fds, child.output_ended ? 1 : 2, remaining_ms(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (!child.output_ended && (fds[1].revents & (POLLIN | POLLHUP))) take_output(child);
    if (fds[0].revents & (POLLERR | POLLHUP)) return false;
    if (fds[0].revents & POLLOUT) {
      ssize_t written = ::write(child.to_child, bytes.data() + sent, bytes.size() - sent);
      if (written > 0) sent += static_cast<std::size_t>(written);
      else if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
    }
  }
  return true;
}

bool read_child_line(ChildProcess& child, std::string& line, int timeout_ms) {
  int64_t deadline = monotonic_ms() + timeout_ms;
  while (!take_line(child, line)) {
    if (child.output_ended || child.from_child < 0) return false;
    pollfd fd = {child.from_child, POLLIN, 0};
    int ready = ::poll(&fd, 1, remaining_ms(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (!take_output(child)) return false;
  }
  return true;
}

void close_child_input(ChildProcess& child) {
  if (child.to_child >= 0) ::close(child.to_child);
  child.to_child = -1;
}

int wait_child_exit(ChildProcess& child, int timeout_ms) {
  if (child.exited || child.pid <= 0) return child.exit_status;
  int64_t deadline = monotonic_ms() + timeout_ms;
  for (;;) {
    int status = 0;
    if (::waitpid(child.pid, &status, WNOHANG) == child.pid) {
      note_status(child, status);
      return child.exit_status;
    }
    if (remaining_ms(deadline) == 0) return -1;
    ::usleep(2000);
  }
}

bool child_running(ChildProcess& child) {
  if (child.pid <= 0 || child.exited) return false;
  int status = 0;
  if (::waitpid(child.pid, &status, WNOHANG) == child.pid) {
    note_status(child, status);
    return false;
  }
  return true;
}

void kill_child(ChildProcess& child) {
  close_pipes(child);
  if (child.pid > 0 && !child.exited) {
    ::kill(-child.pid, SIGKILL);
    ::kill(child.pid, SIGKILL);
    int status = 0;
    if (::waitpid(child.pid, &status, 0) == child.pid) note_status(child, status);
  }
  child.pid = -1;
  child.unread.clear();
}

}  // namespace ostrim::platform
