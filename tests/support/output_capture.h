#pragma once
// Captures the output channel's lines in-process while in scope.
#include <string>
#include <vector>

namespace ostrim::test {

struct OutputCapture {
  OutputCapture();
  ~OutputCapture();
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;
  // The lines written since the last take, and forgets them.
  std::vector<std::string> take();
};

}  // namespace ostrim::test
