#include "common/output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"
#include "platform/process.h"

namespace ostrim {

void output_line(const char* format, ...) {
  char text[kOutputLineSize + 1];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, kOutputLineSize, format, args);
  va_end(args);
  if (length < 0) return;
  if (length > kOutputLineSize - 1) length = kOutputLineSize - 1;  // cut, never overflow
  text[length] = '\n';
  platform::console_write(text, static_cast<std::size_t>(length) + 1);
}

void report_error(const char* message, const char* subject) {
  output_line("info string Error (%s): %s", message, subject);
}

void assertion_failed(int line) {
  output_line("info string Assert Failed: %s+%d\n", "UCI", line);
  platform::exit_process(1);
}

}  // namespace ostrim
