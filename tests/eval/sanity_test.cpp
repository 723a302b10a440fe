// The figures a chess player expects: a level start, a pawn worth about a
// pawn, a lone king lost.
#include <gtest/gtest.h>

#include "board/game_record.h"
#include "board/setup.h"
#include "common/settings.h"
#include "eval/evaluate.h"
#include "eval_support.h"
#include "support/board_fixture.h"

namespace ostrim::testing {
namespace {

// The term score; false when set-up refuses the text (a pawn taken away
// can leave an en passant square without its pawn).
bool term_of(const std::string& fen, int* term) {
  if (setup_position(fen.c_str()) != 0) return false;
  *term = evaluate_with_report(root_position, true).term;
  return true;
}

TEST(EvalSanity, StartPositionIsLevel) {
  reset_settings();
  settings.contempt = 0;
  Position& p = setup(kStartFen);
  EvalReport r = evaluate_with_report(p, true);
  EXPECT_EQ(r.term, 0);
  EXPECT_LE(r.score, 10);
  EXPECT_GE(r.score, -10);
}

// An extra pawn is worth between a pawn's first and second value on
// average. The pawn taken is each side's most advanced one: a pawn taken
// from its home square in front of a corner rook is paid back at once by
// the half-open file (about 32 on average over the openings).
TEST(EvalSanity, ExtraPawnIsWorthAPawn) {
  reset_settings();
  for (const char* file : {"openings/openings2000.epd", "epd/midgames239.epd"}) {
    std::vector<std::string> fens = load_positions(file);
    for (char pawn_letter : {'p', 'P'}) {
      long total = 0;
      int count = 0;
      for (const std::string& fen : fens) {
        std::string cells = expand(fen.substr(0, fen.find(' ')));
        // Cells run from a8: Black's most advanced pawn is met last, White's first.
        size_t pawn = pawn_letter == 'p' ? cells.rfind('p') : cells.find('P');
        if (pawn == std::string::npos) continue;
        cells[pawn] = '.';
        int with = 0, without = 0;
        if (!term_of(fen, &with) || !term_of(compress(cells) + fen.substr(fen.find(' ')), &without))
          continue;
        total += pawn_letter == 'p' ? without - with : with - without;
        ++count;
      }
      ASSERT_GT(count, 200) << file;
      double average = static_cast<double>(total) / count;
      EXPECT_GE(average, 49.0) << file << " " << pawn_letter;
      EXPECT_LE(average, 87.0) << file << " " << pawn_letter;
    }
  }
}

TEST(EvalSanity, LoneKingAgainstQueenIsLost) {
  reset_settings();
  settings.contempt = 0;
  for (const char* fen : {"4k3/8/8/8/8/8/8/3QK3 b - - 0 1", "8/8/8/3k4/8/8/1Q6/6K1 b - - 0 1"}) {
    Position& p = setup(fen);
    EXPECT_LE(evaluate_with_report(p, true).score, -500) << fen;
  }
}

}  // namespace
}  // namespace ostrim::testing
