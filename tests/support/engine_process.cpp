#include "support/engine_process.h"

#include <cstdlib>

namespace ostrim::test {

// OSTRIM_TEST_THREADS runs every transcript with that many search threads
// (the thread-sanitizer runs use 2 and 4).
bool start_engine(EngineProcess& engine, const std::vector<std::string>& arguments) {
  if (!platform::start_child(engine, OSTRIM_ENGINE_PATH, arguments)) return false;
  const char* threads = std::getenv("OSTRIM_TEST_THREADS");
  return threads == nullptr || send_line(engine, std::string("setoption name Threads value ") + threads);
}

bool send_bytes(EngineProcess& engine, const std::string& bytes) {
  return platform::write_to_child(engine, bytes, kDefaultTimeoutMs);
}

bool send_line(EngineProcess& engine, const std::string& line) {
  return platform::write_line_to_child(engine, line, kDefaultTimeoutMs);
}

bool read_line(EngineProcess& engine, std::string& line, int timeout_ms) {
  return platform::read_child_line(engine, line, timeout_ms);
}

std::vector<std::string> read_until(EngineProcess& engine, const std::string& last, bool& found, int timeout_ms) {
  std::vector<std::string> lines;
  std::string line;
  found = false;
  int64_t deadline = platform::monotonic_ms() + timeout_ms;
  for (;;) {
    int64_t left = deadline - platform::monotonic_ms();
    if (!read_line(engine, line, left < 0 ? 0 : static_cast<int>(left))) break;
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

void close_input(EngineProcess& engine) { platform::close_child_input(engine); }

int wait_exit(EngineProcess& engine, int timeout_ms) { return platform::wait_child_exit(engine, timeout_ms); }

bool start_quiet_engine(EngineProcess& engine) {
  return start_engine(engine) && send_line(engine, "setoption name OwnBook value false");
}

}  // namespace ostrim::test
