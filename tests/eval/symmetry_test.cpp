// The evaluation treats both colours alike: a colour-flipped position gets
// the negated term score and the same complexity and drawish mark. The
// flipped position also has the other root side (set-up takes the side to
// move), so the endgame rule about the root side flips with it.
#include <gtest/gtest.h>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/setup.h"
#include "eval/evaluate.h"
#include "eval_support.h"

namespace ostrim::testing {
namespace {

struct Seen {
  bool ok;
  EvalReport report;
  int complexity;
  int drawish;
};

Seen evaluate_text(const std::string& fen) {
  if (setup_position(fen.c_str()) != 0) return {false, {}, 0, 0};
  EvalReport r = evaluate_with_report(root_position, true);
  return {true, r, main_board.eval.complexity, main_board.eval.drawish};
}

int check_symmetry(const std::vector<std::string>& fens, int* endgames) {
  int compared = 0;
  for (const std::string& fen : fens) {
    Seen a = evaluate_text(fen);
    std::string flipped = flip_colours(fen);
    Seen b = evaluate_text(flipped);
    if (!a.ok || !b.ok) continue;
    ++compared;
    if (a.report.endgame) ++*endgames;
    EXPECT_EQ(a.report.endgame, b.report.endgame) << fen;
    EXPECT_EQ(a.report.term, -b.report.term) << fen << "  vs  " << flipped;
    EXPECT_EQ(a.complexity, b.complexity) << fen;
    EXPECT_EQ(a.drawish, b.drawish) << fen;
    if (::testing::Test::HasFailure()) break;  // one position tells enough
  }
  return compared;
}

TEST(EvalSymmetry, OpeningsFileFlipsExactly) {
  draw_hash_keys();
  std::vector<std::string> fens = load_positions("openings/openings2000.epd");
  ASSERT_GE(fens.size(), 2000u);
  int endgames = 0;
  EXPECT_EQ(check_symmetry(fens, &endgames), static_cast<int>(fens.size()));
}

TEST(EvalSymmetry, DerivedEndgamesFlipExactly) {
  draw_hash_keys();
  std::vector<std::string> openings = load_positions("openings/openings2000.epd");
  std::vector<std::string> fens;
  // Few pieces and many pawns, few of both, and pawn endings.
  const int shapes[][2] = {{15, 80}, {25, 40}, {0, 50}, {35, 25}, {10, 100}};
  for (uint32_t i = 0; i < 400; ++i) {
    const int* shape = shapes[i % 5];
    fens.push_back(thin_out(openings[i * 5 % openings.size()], i + 1, shape[0], shape[1]));
  }
  int endgames = 0;
  int compared = check_symmetry(fens, &endgames);
  EXPECT_GE(compared, 380);
  EXPECT_GE(endgames, 200);  // most of them reach the endgame evaluator
}

}  // namespace
}  // namespace ostrim::testing
