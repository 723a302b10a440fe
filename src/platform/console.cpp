#include "platform/console.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

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

// Refills an empty buffer; false at end of input.
bool fill(LineReader& reader) {
  if (reader.start < reader.end) return true;
  if (reader.at_end) return false;
  for (;;) {
    ssize_t got = ::read(reader.descriptor, reader.buffer, sizeof reader.buffer);
    if (got > 0) {
      reader.start = 0;
      reader.end = static_cast<int>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    reader.at_end = true;  // end of input, or an error we cannot mend
    return false;
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

void init_line_reader(LineReader& reader, int descriptor) {
  reader.descriptor = descriptor;
  reader.start = 0;
  reader.end = 0;
  reader.at_end = false;
}

int read_line(LineReader& reader, char* line, int size) {
  if (size < 1) return -1;
  int length = 0;
  while (length < size - 1 && fill(reader)) {
    char c = reader.buffer[reader.start++];
    if (c == '\r' && fill(reader) && reader.buffer[reader.start] == '\n') {
      ++reader.start;
      c = '\n';
    }
    line[length++] = c;
    if (c == '\n') break;
  }
  line[length] = '\0';
  if (length == 0 && reader.at_end) return -1;
  return length;
}

int read_console_line(char* line, int size) {
  static LineReader console_reader{STDIN_FILENO, 0, 0, false, {}};
  return read_line(console_reader, line, size);
}

}  // namespace ostrim::platform
