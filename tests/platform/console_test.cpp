#include "platform/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace ostrim::platform {
namespace {

// Every piece read_line hands out for the input, with a line bound of `size`.
std::vector<std::string> pieces(const std::string& input, int size) {
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  EXPECT_EQ(write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(ends[1]);
  LineReader reader;
  init_line_reader(reader, ends[0]);
  std::vector<std::string> result;
  std::vector<char> line(static_cast<std::size_t>(size));
  for (;;) {
    int length = read_line(reader, line.data(), size);
    if (length < 0) break;
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(line.data()).size());
    result.emplace_back(line.data(), static_cast<std::size_t>(length));
  }
  close(ends[0]);
  return result;
}

TEST(LineReader, SplitsLinesLikeATextModeConsole) {
  struct Case {
    std::string input;
    int size;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"uci\nisready\n", 100, {"uci\n", "isready\n"}},
      {"uci\r\nisready\r\n", 100, {"uci\n", "isready\n"}},
      {"a\rb\n", 100, {"a\rb\n"}},                       // a lone carriage return stays
      {"go\r", 100, {"go\r"}},                           // also at the end of input
      {"\n\n", 100, {"\n", "\n"}},
      {"tail", 100, {"tail"}},                           // no line feed before the end
      {"abcdefghij\n", 5, {"abcd", "efgh", "ij\n"}},     // over-long: in pieces
      {"abcd\r\n", 5, {"abcd", "\n"}},
      {"abc\r\n", 5, {"abc\n"}},
      {"", 100, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(pieces(c.input, c.size), c.expected) << "input " << c.input;
}

TEST(LineReader, ReadsLinesLongerThanItsBuffer) {
  std::string long_line(3 * kLineReaderBufferSize, 'x');
  std::vector<std::string> got = pieces(long_line + "\r\nnext\n", 4000);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0], std::string(3999, 'x'));
  EXPECT_EQ(got[1], std::string(3999, 'x'));
  EXPECT_EQ(got[2], std::string(3999, 'x'));
  EXPECT_EQ(got[3], std::string(3 * kLineReaderBufferSize - 3 * 3999, 'x') + "\n");
  EXPECT_EQ(got[4], "next\n");
}

}  // namespace
}  // namespace ostrim::platform
