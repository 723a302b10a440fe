#include "uci/printers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/game_record.h"
#include "common/output.h"
#include "common/report.h"
#include "common/settings.h"
#include "support/output_capture.h"

namespace ostrim::uci {
namespace {

using Lines = std::vector<std::string>;

class Printers : public ::testing::Test {
 protected:
  void SetUp() override {
    init_board(main_board);
    construct_position(root_position, main_board);
    main_board.nodes = 1234;
    reset_stopwatch(search_clock);
    report.multipv_index = 0;
    report.tablebase_hits.store(0);
    settings.contempt = 15;
  }
  test::OutputCapture output;
};

TEST(ShownScore, ContemptCorrectsAllButZeroAndMates) {
  struct Case {
    int score, contempt, shown;
  };
  const Case cases[] = {
      {0, 15, 0},         {50, 15, 35},       {-50, 15, -65},     {8999, 15, 8984},
      {-8999, 15, -9014}, {9000, 15, 9000},   {-9000, 15, -9000}, {9997, -30, 9997},
      {50, 0, 50},
  };
  for (const Case& c : cases) EXPECT_EQ(shown_score(c.score, c.contempt), c.shown) << c.score;
}

TEST_F(Printers, VariationLineScoreForms) {
  struct Case {
    int depth, score;
    const char* line;
  };
  const Case cases[] = {
      {5, 50, "info depth 5 score cp 35 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {5, 0, "info depth 5 score cp 0 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {9, 8999, "info depth 9 score cp 8984 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {9, 9000, "info depth 9 score mate 499 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {9, -9000, "info depth 9 score mate -499 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {9, 9997, "info depth 9 score mate 1 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
      {9, -9996, "info depth 9 score mate -1 nodes 1234 tbhits 0 time 0 multipv 1 pv "},
  };
  const Move none[1] = {kNullMove};
  for (const Case& c : cases) {
    print_variation(c.depth, c.score, none);
    EXPECT_EQ(output.take(), Lines{c.line});
    EXPECT_EQ(report.last_score, shown_score(c.score, 15));
  }
}

TEST_F(Printers, VariationLineCountersAndTime) {
  report.multipv_index = 2;
  report.tablebase_hits.store(17);
  main_board.nodes = 5000000000ull;  // beyond 32 bits
  search_clock.accumulated = 4321;
  const Move none[1] = {kNullMove};
  print_variation(12, 20, none);
  print_variation(0, 20, none);  // depth 0 (a book move) reports no time
  EXPECT_EQ(output.take(),
            (Lines{"info depth 12 score cp 5 nodes 5000000000 tbhits 17 time 4321 multipv 3 pv ",
                   "info depth 0 score cp 5 nodes 5000000000 tbhits 17 time 0 multipv 3 pv "}));
}

TEST_F(Printers, CurrentMoveWithoutAChildRestartsTheCount) {
  report.current_move_count = 9;
  print_current_move(11, nullptr);
  EXPECT_EQ(output.take(), Lines{"info depth 11 nodes 1234"});
  EXPECT_EQ(report.current_move_count, 0);
}

TEST_F(Printers, NullBestMove) {
  print_bestmove(kNullMove, kNullMove);
  EXPECT_EQ(output.take(), Lines{"bestmove 0000"});
}

}  // namespace
}  // namespace ostrim::uci
