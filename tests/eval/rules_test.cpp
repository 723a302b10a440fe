// The evaluation's stated rules at their edges: evaluator choice, drawish
// marks and scales, no-progress penalty, contempt, material values, king
// safety entries, the recapture test and the one-shot weights.
#include <gtest/gtest.h>

#include <cstdint>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/setup.h"
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/evaluate.h"
#include "eval/term_evaluators.h"
#include "eval/weights.h"
#include "support/board_fixture.h"

namespace ostrim::testing {
namespace {

struct Evaluated {
  EvalReport report;
  Board& b;
};

Evaluated evaluate_fen(const char* fen, int halfmove = 0) {
  Position& p = setup(fen);
  p.halfmove = halfmove;
  return {evaluate_with_report(p, true), main_board};
}

class EvalRules : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_settings();
    settings.contempt = 0;
  }
  void TearDown() override { reset_settings(); }
};

TEST_F(EvalRules, EvaluatorFollowsPieceMaterial) {
  struct Case {
    const char* fen;
    bool endgame;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/2BQK3 w - - 0 1", true},       // queen + bishop: 974
      {"4k3/8/8/8/8/8/8/R2RK3 w - - 0 1", true},       // two rooks: 700
      {"r3k3/8/8/8/8/8/8/R2RK3 w - - 0 1", false},     // rook, rook against rook: 1050
      {"r3k3/8/8/8/8/8/8/3QK3 w - - 0 1", false},      // queen against rook: 1082
      {"r3k3/8/8/8/8/8/8/2B1K2R w - - 0 1", true},     // rook and bishop against rook: 942
  };
  for (const Case& c : cases) {
    Evaluated e = evaluate_fen(c.fen);
    EXPECT_EQ(e.report.endgame, c.endgame) << c.fen;
  }
  // One point above queen + bishop goes to the middlegame evaluator.
  Position& p = setup("4k3/8/8/8/8/8/8/2BQK3 w - - 0 1");
  main_board.piece_material += 1;
  EXPECT_FALSE(evaluate_with_report(p, true).endgame);
}

TEST_F(EvalRules, DrawishMarksAndScales) {
  struct Case {
    const char* fen;
    int mark;
    int type;        // a type whose bonus shows the scale
    int unscaled;
    int scale;       // out of 64
  };
  const Case cases[] = {
      // Opposite bishops, a rook each, three pawns each: span 2 and span 5.
      {"2b1r1k1/5ppp/8/8/8/8/5PPP/2B1R1K1 w - - 0 1", 2, kWhiteRookType, 519, 13},
      {"2b1r1k1/2p3pp/8/8/8/8/2P3PP/2B1R1K1 w - - 0 1", 1, kWhiteRookType, 519, 38},
      // Bishops alone: rook pawns on both wings (span 7), and one pawn each.
      {"2b1k3/p6p/8/8/8/8/P6P/2B1K3 w - - 0 1", 1, kWhiteBishopType, 319, 36},
      {"2b1k3/7p/8/8/8/8/P7/2B1K3 w - - 0 1", 2, kWhiteBishopType, 319, 11},
      // Wrong-coloured bishop with h-pawns (light bishop, h8 dark) ...
      {"6k1/8/8/8/8/3B3P/7P/6K1 w - - 0 1", 2, kWhiteBishopType, 319, 11},
      // ... with the defending king cut off from the corner, and the right
      // bishop: no mark.
      {"k7/8/8/8/8/3B3P/7P/6K1 w - - 0 1", 0, kWhiteBishopType, 319, 64},
      {"6k1/8/8/8/8/2B4P/7P/6K1 w - - 0 1", 0, kWhiteBishopType, 319, 64},
      // Opposite bishops alone: four pawns up is no draw, two may be.
      {"2b1k3/8/8/8/1PPPP3/8/8/2B1K3 w - - 0 1", 0, kWhiteBishopType, 319, 64},
      {"2b1k3/8/8/8/2PP4/8/8/2B1K3 w - - 0 1", 2, kWhiteBishopType, 319, 11},
      // A queen against a rook and one pawn wins: only the few-pawns mark.
      {"3rk3/4p3/8/8/8/8/8/3QK3 w - - 0 1", 1, kWhiteQueenType, 995, 38},
      {"3rk3/3pp3/8/8/8/8/8/3QK3 w - - 0 1", 2, kWhiteQueenType, 995, 13},
  };
  for (const Case& c : cases) {
    Evaluated e = evaluate_fen(c.fen);
    EXPECT_EQ(e.b.eval.drawish, c.mark) << c.fen;
    EXPECT_EQ(e.b.types[c.type].bonus, (c.unscaled * c.scale + 32) >> 6) << c.fen;
  }
  settings.identify_drawish = 0;
  for (const Case& c : cases) {
    if (c.mark == 2 && c.type == kWhiteBishopType) continue;  // the one-pawn rule moves bonuses
    Evaluated e = evaluate_fen(c.fen);
    EXPECT_EQ(e.b.eval.drawish, 0) << c.fen;
    EXPECT_EQ(e.b.types[c.type].bonus, c.unscaled) << c.fen;
  }
}

TEST_F(EvalRules, NoProgressPenalty) {
  // Outside the heavy phase with pawns: 10 a ply; a pure pawn ending 20.
  Evaluated e = evaluate_fen("2b1r1k1/5ppp/8/8/8/8/5PPP/2B1R1K1 w - - 0 1");
  uint32_t status = 0;
  evaluate_middlegame(e.b, status, 40);
  EXPECT_EQ(e.b.eval.irreversible_adjustment, 400);
  EXPECT_TRUE(status & status::kAdjustmentPending);
  settings.no_progress_pct = 50;  // read on every call
  evaluate_middlegame(e.b, status, 40);
  EXPECT_EQ(e.b.eval.irreversible_adjustment, 200);
  settings.no_progress_pct = 100;
  evaluate_middlegame(e.b, status, 0);
  EXPECT_EQ(e.b.eval.irreversible_adjustment, 0);
  EXPECT_FALSE(status & status::kAdjustmentPending);

  Evaluated pawns = evaluate_fen("4k3/ppp5/8/8/8/8/PPP5/4K3 w - - 0 1");
  evaluate_endgame(pawns.b, status, 10, kWhite);
  EXPECT_EQ(pawns.b.eval.irreversible_adjustment, 200);
  // The heavy phase with queens and full material has none.
  Evaluated heavy = evaluate_fen(kStartFen);
  evaluate_middlegame(heavy.b, status, 40);
  EXPECT_EQ(heavy.b.eval.irreversible_adjustment, 0);
}

TEST_F(EvalRules, NoProgressAdjustmentOfTheScore) {
  struct Case {
    int t, adjusted, taken;
  };
  const Case cases[] = {{100, 70, 30}, {30, 10, 20}, {-100, -70, -30}, {45, 15, 30}, {0, 0, 0}};
  for (const Case& c : cases) {
    int p = 30;
    EXPECT_EQ(apply_no_progress(c.t, p), c.adjusted) << c.t;
    EXPECT_EQ(p, c.taken) << c.t;
  }
}

TEST_F(EvalRules, AdvancedContempt) {
  EXPECT_EQ(advanced_contempt(15, 89, 0), 9);
  EXPECT_EQ(advanced_contempt(15, 89, 700), 14);
  EXPECT_EQ(advanced_contempt(15, 8, 0), 1);  // factor 0.077
  EXPECT_EQ(advanced_contempt(0, 89, 0), 0);
  // The stored score carries it towards the root side.
  settings.contempt = 15;
  Position& p = setup(kStartFen);
  EvalReport with = evaluate_with_report(p, true);
  settings.contempt = 0;
  EvalReport without = evaluate_with_report(p, true);
  EXPECT_EQ(with.score - without.score, advanced_contempt(15, main_board.eval.complexity, without.score));
}

TEST_F(EvalRules, MaterialBonusesByPhase) {
  struct Case {
    const char* fen;
    int type;
    int bonus;
  };
  const Case cases[] = {
      {kStartFen, kWhitePawnType, 49},
      {kStartFen, kBlackKnightType, 228},
      // Queens and minors, no rooks: second values, knights beside their queen +6.
      {"3qk1n1/pppppppp/8/8/8/8/PPPPPPPP/3QK1N1 w - - 0 1", kWhitePawnType, 87},
      {"3qk1n1/pppppppp/8/8/8/8/PPPPPPPP/3QK1N1 w - - 0 1", kWhiteKnightType, 314},
      {"3qk1n1/pppppppp/8/8/8/8/PPPPPPPP/3QK1N1 w - - 0 1", kBlackKnightType, 314},
      // A pure pawn ending: 87 + 45.
      {"4k3/ppp5/8/8/8/8/PPP5/4K3 w - - 0 1", kWhitePawnType, 132},
      {"4k3/ppp5/8/8/8/8/PPP5/4K3 w - - 0 1", kBlackPawnType, 132},
      // The endgame evaluator: second values without the +6.
      {"4k1n1/ppp5/8/8/8/8/PPP5/3QK3 w - - 0 1", kBlackKnightType, 308},
  };
  for (const Case& c : cases) {
    Evaluated e = evaluate_fen(c.fen);
    EXPECT_EQ(e.b.types[c.type].bonus, c.bonus) << c.fen << " type " << c.type;
  }
}

TEST_F(EvalRules, RootSideWithoutPiecesInAPawnEnding) {
  Position& p = setup("4k3/ppp5/8/8/8/8/PPP5/4K3 w - - 0 1");
  flags.root_side.store(kWhite);
  int white_root = evaluate_with_report(p, false).term;
  flags.root_side.store(kBlack);
  int black_root = evaluate_with_report(p, false).term;
  EXPECT_EQ(white_root - black_root, -60);
}

int entry(Board& b, int kind, Colour c, Square s) {
  return b.eval.tables[table_block(kind)][s + (c > 0 ? 0 : 8)];
}

// Both kings' table entries after evaluating the position (the board is
// shared, so they are copied out).
struct KingTables {
  int white[128];
  int black[128];
};

KingTables king_tables(const char* fen) {
  Evaluated e = evaluate_fen(fen);
  KingTables t;
  for (Square s = 0; s < 128; ++s) {
    t.white[s] = on_board(s) ? entry(e.b, kKindKing, kWhite, s) : 0;
    t.black[s] = on_board(s) ? entry(e.b, kKindKing, kBlack, s) : 0;
  }
  return t;
}

TEST_F(EvalRules, KingSafetyEntries) {
  // Heavy phase. The king's squares carry what they will be worth once the
  // rights are gone, so that no king step but castling gains in the search:
  // between rooks shut in on closed files the base penalty of 53 stands on
  // the first two ranks with or without rights, the castling targets are
  // spared while their right is held, and the home square with a right
  // carries the base penalty less 10.
  const char* closed_with = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  const char* closed_without = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1";
  const char* open_with = "rnbqkbnr/ppppppp1/8/8/8/8/PPPPPPP1/RNBQKBNR w KQkq - 0 1";
  const char* open_without = "rnbqkbnr/ppppppp1/8/8/8/8/PPPPPPP1/RNBQKBNR w - - 0 1";
  const Square steps[] = {kF1, kD1, kE1 + 16, kE1 + 15, kE1 + 17};
  struct Expected {
    const char* with_rights;
    const char* without_rights;
    int home, short_target, long_target;  // with minus without rights
  };
  const Expected cases[] = {
      {closed_with, closed_without, 10, 53, 53},
      {open_with, open_without, -43, 0, 53},  // the h1 rook stands free
  };
  for (const Expected& c : cases) {
    KingTables with = king_tables(c.with_rights), without = king_tables(c.without_rights);
    EXPECT_EQ(with.white[kE1] - without.white[kE1], c.home) << c.with_rights;
    EXPECT_EQ(with.black[kE8] - without.black[kE8], c.home) << c.with_rights;
    EXPECT_EQ(with.white[kG1] - without.white[kG1], c.short_target) << c.with_rights;
    EXPECT_EQ(with.white[kC1] - without.white[kC1], c.long_target) << c.with_rights;
    for (Square s : steps) EXPECT_EQ(with.white[s], without.white[s]) << c.with_rights << " " << s;
  }
  // Between shut-in rooks castling short beats every other king step.
  KingTables closed = king_tables(closed_with);
  for (Square s : steps) EXPECT_GT(closed.white[kG1], closed.white[s] + 40) << s;

  // Pawn shelter: pawns on every file, heavy phase. The files around a
  // king carry +10 for its own pawns and -7 for the enemy's.
  const char* short_castled = "r1bq1rk1/pppn1ppp/3p4/4p3/4P3/3P4/PPPN1PPP/R1BQ1RK1 w - - 0 1";
  const char* white_long = "r1bq1rk1/pppn1ppp/3p4/4p3/4P3/3P4/PPPN1PPP/1KRQ1B1R w - - 0 1";
  const char* black_long = "1krq1b1r/pppn1ppp/3p4/4p3/4P3/3P4/PPPN1PPP/R1BQ1RK1 w - - 0 1";
  Evaluated g1 = evaluate_fen(short_castled);
  int g1_entries[3], g8_entries[3];
  for (int f = 5; f <= 7; ++f) {
    g1_entries[f - 5] = entry(g1.b, kKindPawn, kWhite, make_square(f, 1));
    g8_entries[f - 5] = entry(g1.b, kKindPawn, kWhite, make_square(f, 3));
  }
  Evaluated b1 = evaluate_fen(white_long);
  for (int f = 5; f <= 7; ++f)
    EXPECT_EQ(g1_entries[f - 5] - entry(b1.b, kKindPawn, kWhite, make_square(f, 1)), 10) << f;
  Evaluated b8 = evaluate_fen(black_long);
  for (int f = 5; f <= 7; ++f)
    EXPECT_EQ(g8_entries[f - 5] - entry(b8.b, kKindPawn, kWhite, make_square(f, 3)), -7) << f;
}

TEST_F(EvalRules, RecaptureLeavesThePieceOutOfTheCounts) {
  // White's only queen takes on d5, where a pawn retakes: without a queen
  // the phase is not heavy and the pawns take their second value.
  for (bool defended : {true, false}) {
    Position& p = setup(defended ? "r3k2r/8/2p5/3p4/8/8/PPP5/R2QK2R w KQkq - 0 1"
                                 : "r3k2r/8/8/3p4/8/8/PPP5/R2QK2R w KQkq - 0 1");
    Evaluate(p, true);
    EXPECT_EQ(main_board.types[kWhitePawnType].bonus, 49);
    Position child;
    construct_position(child, main_board);
    Move m = generated_move(p, "d1d5");
    ASSERT_NE(m, kNullMove);
    make_full_move(p, m, child);
    int material = main_board.piece_material;
    Evaluate(child, false);
    EXPECT_EQ(main_board.types[kWhitePawnType].bonus, defended ? 87 : 49);
    EXPECT_EQ(main_board.types[kWhiteQueenType].count, 1);
    EXPECT_EQ(main_board.piece_material, material);
    unmake_move(child);
  }
}

TEST_F(EvalRules, WeightsAreFixedByTheFirstEvaluation) {
  evaluate_fen(kStartFen);
  settings.pawn_pct = 300;
  Evaluated later = evaluate_fen(kStartFen);
  EXPECT_EQ(later.b.types[kWhitePawnType].value, 49);

  // Armed again (as at start), the settings in force make the weights.
  rearm_weight_switches();
  settings.pawn_pct = 30;
  Evaluated scaled = evaluate_fen(kStartFen);
  EXPECT_EQ(scaled.b.types[kWhitePawnType].value, 14);
  EXPECT_EQ(scaled.b.types[kWhitePawnType].second_value, 26);
  EXPECT_EQ(piece_type_templates[kBlackPawnType].value, 14);
  reset_settings();
  rearm_weight_switches();
  Evaluated restored = evaluate_fen(kStartFen);
  EXPECT_EQ(restored.b.types[kWhitePawnType].value, 49);
  EXPECT_EQ(thresholds.switch_point, 974);
  EXPECT_EQ(thresholds.heavy_mark, 2433);
}

// The option table takes any number; the evaluation must still compute in
// range (the sanitizer build checks the arithmetic).
TEST_F(EvalRules, ExtremeSettingsStayInRange) {
  const char* fens[] = {kStartFen, "2b1r1k1/2p3pp/8/8/8/8/2P3PP/2B1R1K1 w - - 0 1",
                        "4k3/ppp5/8/8/8/8/PPP5/4K3 w - - 0 1"};
  for (int32_t extreme : {INT32_MAX, INT32_MIN}) {
    for (int32_t* setting : {&settings.pawn_pct, &settings.pieces_pct, &settings.king_safety_pct,
                             &settings.no_progress_pct, &settings.space_pct, &settings.mobility_pct,
                             &settings.pawn_structure_pct, &settings.endgame_king_pct,
                             &settings.passed_pawn_pct, &settings.contempt})
      *setting = extreme;
    rearm_weight_switches();
    for (const char* fen : fens) {
      EvalReport r = evaluate_fen(fen, 60).report;
      EXPECT_LT(r.score, 30000) << fen;
      EXPECT_GT(r.score, -30000) << fen;
    }
  }
  reset_settings();
  rearm_weight_switches();
  evaluate_fen(kStartFen);
  EXPECT_EQ(main_board.types[kWhiteQueenType].value, 732);
}

}  // namespace
}  // namespace ostrim::testing
