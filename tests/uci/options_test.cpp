#include "uci/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/settings.h"

namespace ostrim::uci {
namespace {

class Options : public ::testing::Test {
 protected:
  void SetUp() override { init_options(7); }
};

TEST_F(Options, StartUpValues) {
  int rows = 0;
  while (option_table[rows].name != nullptr) ++rows;
  EXPECT_EQ(rows, kOptionCount);
  EXPECT_STREQ(option_table[0].name, "Hash");
  EXPECT_STREQ(option_text("Hash"), "19") << "start-up sets 19 over the default of 16";
  EXPECT_STREQ(option_table[0].default_text, "16");
  EXPECT_STREQ(option_table[kOptionCount - 1].name, "Threads");
  EXPECT_STREQ(option_text("Threads"), "7");
  EXPECT_STREQ(option_table[kOptionCount - 1].range, "min 1 max 7");
  EXPECT_STREQ(option_text("Tablebases_path"), "C:\\TBs");
  EXPECT_STREQ(option_text("Book_file"), "ostrim2010.bin");
}

TEST_F(Options, NamesMatchWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* found;  // none: no such option
  };
  const Case cases[] = {
      {"hash", "Hash"},
      {"HASH", "Hash"},
      {"ownbook", "OwnBook"},
      {"book_file", "Book_file"},
      {"minimum_threat_value_(PCT)", "Minimum_threat_value_(pct)"},
      {"Has", nullptr},      // both names must end together
      {"Hashes", nullptr},
      {"Book file", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    OptionRow* row = find_option(c.name);
    if (c.found == nullptr) {
      EXPECT_EQ(row, nullptr) << c.name;
    } else {
      ASSERT_NE(row, nullptr) << c.name;
      EXPECT_STREQ(row->name, c.found);
    }
  }
}

TEST_F(Options, SetStoresAnyTextUnchecked) {
  EXPECT_TRUE(set_option("contempt", "-9999"));
  EXPECT_EQ(option_integer("Contempt"), -9999) << "no range check";
  EXPECT_TRUE(set_option("Depth_limit", "abc"));
  EXPECT_EQ(option_integer("Depth_limit"), 0);
  EXPECT_FALSE(set_option("Foo", "1"));
}

TEST_F(Options, FlagsAreTrueOnlyForTrueInAnyCase) {
  struct Case {
    const char* text;
    bool flag;
  };
  const Case cases[] = {{"true", true}, {"TRUE", true}, {"True", true}, {"1", false},
                        {"yes", false}, {"on", false},  {"", false},    {"truex", false}};
  for (const Case& c : cases) {
    set_option("Ponder", c.text);
    EXPECT_EQ(option_flag("ponder"), c.flag) << c.text;
  }
}

TEST_F(Options, ApplySettingsCopiesFlagsAndPercentages) {
  set_option("Use_half_ply_heuristic", "TRUE");
  set_option("Use_threat_detection", "1");
  set_option("Null_move_reduction_(depth)", "7");
  set_option("Pawn_value_(pct)", "250");
  set_option("Passed_pawn_value_(pct)", "31");
  set_option("King_safety_value_(pct)", "x");
  apply_settings();
  EXPECT_EQ(settings.use_half_ply_heuristic, 1);
  EXPECT_EQ(settings.use_threat_detection, 0);
  EXPECT_EQ(settings.null_move_reduction, 7);
  EXPECT_EQ(settings.pawn_pct, 250);
  EXPECT_EQ(settings.passed_pawn_pct, 31);
  EXPECT_EQ(settings.king_safety_pct, 0);
  EXPECT_EQ(settings.mobility_pct, 100);
}

}  // namespace
}  // namespace ostrim::uci
