#include "platform/console.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

#include "platform/read_bytes.h"

namespace ostrim::platform {
namespace {

std::mutex output_mutex;

void write_all(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;  // nowhere left to report to
    }
    data += written;
    length -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void console_write(const char* data, std::size_t length) {
  std::lock_guard<std::mutex> lock(output_mutex);
  write_all(STDOUT_FILENO, data, length);
}

void console_write_error(const char* data, std::size_t length) {
  write_all(STDERR_FILENO, data, length);
}

int read_bytes(int descriptor, char* buffer, int size) {
  for (;;) {
    ssize_t got = ::read(descriptor, buffer, static_cast<std::size_t>(size));
    if (got >= 0) return static_cast<int>(got);
    if (errno != EINTR) return 0;
  }
}

}  // namespace ostrim::platform
