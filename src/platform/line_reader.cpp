#include "platform/console.h"
#include "platform/read_bytes.h"

namespace ostrim::platform {
namespace {

// Refills an empty buffer; false at end of input.
bool fill(LineReader& reader) {
  if (reader.start < reader.end) return true;
  if (reader.at_end) return false;
  int got = read_bytes(reader.descriptor, reader.buffer, sizeof reader.buffer);
  if (got <= 0) {
    reader.at_end = true;  // end of input, or an error we cannot mend
    return false;
  }
  reader.start = 0;
  reader.end = got;
  return true;
}

}  // namespace

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
  static LineReader console_reader{kStandardInput, 0, 0, false, {}};
  return read_line(console_reader, line, size);
}

}  // namespace ostrim::platform
