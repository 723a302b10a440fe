#include "support/output_capture.h"

#include <mutex>

#include "common/output.h"

namespace ostrim::test {
namespace {

std::mutex captured_mutex;
std::vector<std::string> captured;

void capture(const char* line, std::size_t length) {
  std::lock_guard<std::mutex> lock(captured_mutex);
  captured.emplace_back(line, length);
}

}  // namespace

OutputCapture::OutputCapture() {
  take();
  set_output_sink(capture);
}

OutputCapture::~OutputCapture() { set_output_sink(nullptr); }

std::vector<std::string> OutputCapture::take() {
  std::lock_guard<std::mutex> lock(captured_mutex);
  std::vector<std::string> lines;
  lines.swap(captured);
  return lines;
}

}  // namespace ostrim::test
