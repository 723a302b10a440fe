#include "common/tokenizer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "common/decimal.h"

namespace ostrim {
namespace {

std::vector<std::string> split(std::string text, int capacity, int& count) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  std::vector<char*> tokens(static_cast<std::size_t>(capacity) + 1, nullptr);
  count = tokenize(buffer.data(), tokens.data(), capacity);
  std::vector<std::string> result;
  for (int i = 0; i < count && i < capacity; ++i) result.emplace_back(tokens[static_cast<std::size_t>(i)]);
  EXPECT_EQ(tokens[static_cast<std::size_t>(capacity)], nullptr) << "wrote past the token array";
  return result;
}

TEST(Tokenize, SplitsAtSpacesOnly) {
  struct Case {
    std::string text;
    std::vector<std::string> tokens;
  };
  const Case cases[] = {
      {"", {}},
      {"    ", {}},
      {"isready", {"isready"}},
      {"  isready  ", {"isready"}},
      {"go   wtime  9000", {"go", "wtime", "9000"}},
      {"go\tinfinite", {"go\tinfinite"}},         // a tab is a token character
      {"stop\r", {"stop\r"}},                     // so is a carriage return
      {"position startpos moves e2e4 ", {"position", "startpos", "moves", "e2e4"}},
  };
  for (const Case& c : cases) {
    int count = 0;
    EXPECT_EQ(split(c.text, 16, count), c.tokens) << "text '" << c.text << "'";
    EXPECT_EQ(count, static_cast<int>(c.tokens.size()));
  }
}

TEST(Tokenize, CountsTokensBeyondTheCapacityWithoutStoringThem) {
  int count = 0;
  EXPECT_EQ(split("a b c d e", 3, count), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(count, 5);
  std::string many;
  for (int i = 0; i < 600; ++i) many += "m ";
  split(many, 512, count);
  EXPECT_EQ(count, 600);
}

TEST(JoinTokens, JoinsWithSingleSpacesAndRefusesWhatDoesNotFit) {
  char out[8];
  const char* three[] = {"ab", "c", "de"};
  EXPECT_TRUE(join_tokens(three, 3, out, sizeof out));
  EXPECT_STREQ(out, "ab c de");  // 7 characters: exactly fits
  const char* longer[] = {"ab", "c", "def"};
  EXPECT_FALSE(join_tokens(longer, 3, out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_TRUE(join_tokens(three, 0, out, sizeof out));
  EXPECT_STREQ(out, "");
}

TEST(DecimalValue, ReadsAsTheCLibraryDoes) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"64", 64},     {"  -7x", -7}, {"+5", 5},          {"abc", 0},
      {"", 0},        {"1e3", 1},    {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(decimal_value(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace ostrim
