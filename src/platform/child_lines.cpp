#include "platform/child_lines.h"

#include "platform/clock.h"

namespace ostrim::platform {

int remaining_ms(int64_t deadline) {
  int64_t left = deadline - monotonic_ms();
  return left < 0 ? 0 : static_cast<int>(left);
}

bool take_line(ChildProcess& child, std::string& line) {
  std::size_t end = child.unread.find('\n');
  if (end == std::string::npos) return false;
  line = child.unread.substr(0, end);
  child.unread.erase(0, end + 1);
  return true;
}

bool write_line_to_child(ChildProcess& child, const std::string& line, int timeout_ms) {
  return write_to_child(child, line + "\n", timeout_ms);
}

}  // namespace ostrim::platform
