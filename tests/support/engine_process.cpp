#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace ostrim::test {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Reads what the engine has written; false at its end of output.
bool take_output(EngineProcess& engine) {
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(engine.from_engine, buffer, sizeof buffer);
    if (got > 0) {
      engine.unread.append(buffer, static_cast<std::size_t>(got));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
}

bool take_line(EngineProcess& engine, std::string& line) {
  std::size_t end = engine.unread.find('\n');
  if (end == std::string::npos) return false;
  line = engine.unread.substr(0, end);
  engine.unread.erase(0, end + 1);
  return true;
}

}  // namespace

EngineProcess::~EngineProcess() {
  if (to_engine >= 0) ::close(to_engine);
  if (from_engine >= 0) ::close(from_engine);
  if (pid > 0 && !exited) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

bool start_engine(EngineProcess& engine, const std::vector<std::string>& arguments) {
  ::signal(SIGPIPE, SIG_IGN);  // an engine that has ended must not end the test
  int input[2];
  int output[2];
  if (::pipe2(input, O_CLOEXEC) != 0) return false;
  if (::pipe2(output, O_CLOEXEC) != 0) return false;
  // Only async-signal-safe calls between fork and exec: the test process
  // may run threads.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(OSTRIM_ENGINE_PATH));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::dup2(input[0], STDIN_FILENO);
    ::dup2(output[1], STDOUT_FILENO);
    ::close(input[0]);
    ::close(input[1]);
    ::close(output[0]);
    ::close(output[1]);
    ::execv(OSTRIM_ENGINE_PATH, argv.data());
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  engine.pid = pid;
  engine.to_engine = input[1];
  engine.from_engine = output[0];
  ::fcntl(engine.to_engine, F_SETFL, ::fcntl(engine.to_engine, F_GETFL) | O_NONBLOCK);
  return true;
}

bool send_bytes(EngineProcess& engine, const std::string& bytes) {
  std::size_t sent = 0;
  auto deadline = Clock::now() + std::chrono::milliseconds(kDefaultTimeoutMs);
  while (sent < bytes.size()) {
    pollfd fds[2] = {{engine.to_engine, POLLOUT, 0}, {engine.from_engine, POLLIN, 0}};
    int ready = ::poll(fds, 2, remaining_ms(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (fds[1].revents & (POLLIN | POLLHUP)) take_output(engine);
    if (fds[0].revents & (POLLERR | POLLHUP)) return false;
    if (fds[0].revents & POLLOUT) {
      ssize_t written = ::write(engine.to_engine, bytes.data() + sent, bytes.size() - sent);
      if (written > 0) sent += static_cast<std::size_t>(written);
      else if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
    }
  }
  return true;
}

bool send_line(EngineProcess& engine, const std::string& line) { return send_bytes(engine, line + "\n"); }

bool read_line(EngineProcess& engine, std::string& line, int timeout_ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!take_line(engine, line)) {
    pollfd fd = {engine.from_engine, POLLIN, 0};
    int ready = ::poll(&fd, 1, remaining_ms(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (!take_output(engine)) return false;
  }
  return true;
}

std::vector<std::string> read_until(EngineProcess& engine, const std::string& last, bool& found,
                                    int timeout_ms) {
  std::vector<std::string> lines;
  std::string line;
  found = false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (read_line(engine, line, remaining_ms(deadline))) {
    if (line == last) {
      found = true;
      break;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> lines_before_ready(EngineProcess& engine, bool& ready, int timeout_ms) {
  ready = false;
  if (!send_line(engine, "isready")) return {};
  return read_until(engine, "readyok", ready, timeout_ms);
}

void close_input(EngineProcess& engine) {
  if (engine.to_engine >= 0) ::close(engine.to_engine);
  engine.to_engine = -1;
}

int wait_exit(EngineProcess& engine, int timeout_ms) {
  if (engine.exited) return engine.exit_status;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    pid_t done = ::waitpid(engine.pid, &status, WNOHANG);
    if (done == engine.pid) {
      engine.exited = true;
      engine.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return engine.exit_status;
    }
    if (remaining_ms(deadline) == 0) return -1;
    ::usleep(2000);
  }
}

bool start_quiet_engine(EngineProcess& engine) {
  return start_engine(engine) && send_line(engine, "setoption name OwnBook value false");
}

}  // namespace ostrim::test
