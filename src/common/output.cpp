#include "common/output.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "platform/console.h"
#include "platform/process.h"

namespace ostrim {

namespace {
std::atomic<OutputSink> output_sink{nullptr};
}

void set_output_sink(OutputSink sink) { output_sink.store(sink); }

void output_line(const char* format, ...) {
  char text[kOutputLineSize + 1];  // room for the line feed after 2047 characters
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, kOutputLineSize, format, args);
  va_end(args);
  if (length < 0) return;
  if (length > kOutputLineSize - 1) length = kOutputLineSize - 1;  // cut, never overflow
  if (OutputSink sink = output_sink.load()) {
    text[length] = '\0';
    sink(text, static_cast<std::size_t>(length));
    return;
  }
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
