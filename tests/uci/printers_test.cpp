#include "uci/printers.h"
#include "search/search_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/setup.h"
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
    reset_stopwatch(search_clock.stopwatch);
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
  search_clock.stopwatch.accumulated = 4321;
  const Move none[1] = {kNullMove};
  print_variation(12, 20, none);
  print_variation(0, 20, none);  // depth 0 (a book move) reports no time
  EXPECT_EQ(output.take(),
            (Lines{"info depth 12 score cp 5 nodes 5000000000 tbhits 17 time 4321 multipv 3 pv ",
                   "info depth 0 score cp 5 nodes 5000000000 tbhits 17 time 0 multipv 3 pv "}));
}

TEST_F(Printers, CurrentMoveWithoutAChildGivesTheNodes) {
  print_current_move(11, nullptr);
  EXPECT_EQ(output.take(), Lines{"info depth 11 nodes 1234"});
}

TEST_F(Printers, NullBestMove) {
  print_bestmove(kNullMove, kNullMove);
  EXPECT_EQ(output.take(), Lines{"bestmove 0000"});
}

Move at(const char* from, const char* to) {
  return make_move(make_square(from[0] - 'a', from[1] - '1'), make_square(to[0] - 'a', to[1] - '1'));
}

class PrintersOnABoard : public Printers {
 protected:
  void set_up(const char* fen) {
    draw_hash_keys();
    ASSERT_EQ(setup_position(fen), 0) << fen;
    main_board.nodes = 0;
  }
  // The text after "pv" of a variation line at depth 1 and score 0.
  std::string variation(std::vector<Move> moves) {
    moves.push_back(kNullMove);
    print_variation(1, 0, moves.data());
    Lines out = output.take();
    EXPECT_EQ(out.size(), 1u);
    if (out.empty()) return "";
    std::size_t pv = out[0].find(" pv ");
    return pv == std::string::npos ? out[0] : out[0].substr(pv + 4);
  }
};

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST_F(PrintersOnABoard, VariationTextIsMadeOnACopyOfTheRoot) {
  set_up(kStart);
  HashKey key = root_position.key;
  EXPECT_EQ(variation({at("e2", "e4")}), " e2e4") << "two spaces after pv";
  EXPECT_EQ(variation({at("e2", "e4"), at("e7", "e5"), at("g1", "f3")}), " e2e4 e7e5 g1f3");
  EXPECT_EQ(variation({at("e2", "e4"), at("e2", "e4"), at("g1", "f3")}), " e2e4")
      << "the text ends at a move that is not legal where it stands";
  EXPECT_EQ(variation({at("e1", "e2")}), "");
  EXPECT_TRUE(same_key(root_position.key, key)) << "the root is untouched";
  EXPECT_EQ(report.variation[0], at("e1", "e2")) << "the reported variation is the one given";
  EXPECT_EQ(report.variation[1], kNullMove);
}

TEST_F(PrintersOnABoard, VariationStopsAfterNineteenMoves) {
  set_up(kStart);
  std::vector<Move> shuffle;
  const Move cycle[4] = {at("g1", "f3"), at("g8", "f6"), at("f3", "g1"), at("f6", "g8")};
  for (int i = 0; i < 24; ++i) shuffle.push_back(cycle[i % 4]);
  std::string text = variation(shuffle);
  EXPECT_EQ(text.size(), 19u * 5);
  EXPECT_EQ(text.substr(text.size() - 5), " f3g1") << "move 19 of the cycle";
  for (int i = 0; i < kReportedVariationLength; ++i) EXPECT_EQ(report.variation[i], cycle[i % 4]);
}

TEST_F(PrintersOnABoard, PromotionLettersAreLowerCase) {
  set_up("n7/1P2P3/8/8/8/8/k7/7K w - - 0 1");
  Move queen = at("e7", "e8");
  Move rook = make_move(make_square(1, 6), kWhitePromoteRook + 0);  // b7xa8, a rook
  Move knight = make_move(make_square(4, 6), kWhitePromoteKnight + 4);
  EXPECT_EQ(variation({queen, at("a2", "b3")}), " e7e8q a2b3");
  EXPECT_EQ(variation({rook}), " b7a8r");
  print_bestmove(queen, at("a2", "b3"));
  print_bestmove(knight, kNullMove);
  print_bestmove(rook, at("a2", "a3"));
  EXPECT_EQ(output.take(), (Lines{"bestmove e7e8q ponder a2b3", "bestmove e7e8n", "bestmove b7a8r ponder a2a3"}));

  int searched = 0;
  for (Move m : {queen, rook, at("h1", "g1")}) {
    root_position.legal_count = searched++;  // the root's moves searched before this one in its pass
    Position child;
    construct_position(child, main_board);
    make_full_move(root_position, m, child);
    print_current_move(5, &child);
    unmake_move(child);
  }
  EXPECT_EQ(output.take(), (Lines{"info currmove e7e8q currmovenumber 1", "info currmove b7a8r currmovenumber 2",
                                  "info currmove h1g1 currmovenumber 3"}));
}

TEST_F(PrintersOnABoard, BlackPromotionAndCastling) {
  set_up("r3k3/8/8/8/8/8/1p6/4K3 b q - 0 1");
  print_bestmove(at("b2", "b1"), at("e1", "e2"));
  print_bestmove(make_move(make_square(1, 1), kBlackPromoteKnight + 1), kNullMove);
  print_bestmove(at("e8", "c8"), kNullMove);
  EXPECT_EQ(output.take(), (Lines{"bestmove b2b1q ponder e1e2", "bestmove b2b1n", "bestmove e8c8"}));
}

}  // namespace
}  // namespace ostrim::uci
