// The middlegame term evaluator: positions with more piece material than
// queen + bishop.
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/term_evaluators.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kQueenKnightBonus = 6;  // a knight beside its queen
constexpr int kRookBishopBonus = 6;   // a bishop beside its rook

void set_bonuses(TermContext& t) {
  Board& b = *t.board;
  for (PieceType& type : b.types) {
    if (type.kind == kKindEmpty) {
      type.bonus = 0;
      continue;
    }
    type.bonus = t.heavy || type.kind == kKindKing ? type.value : type.second_value;
  }
  if (!t.heavy) {
    for (int i = 0; i < 2; ++i) {
      Colour c = colour_of_index(i);
      if (t.queens[i] > 0) type_of(b, kKindKnight, c).bonus += kQueenKnightBonus;
      if (t.rooks[i] > 0) type_of(b, kKindBishop, c).bonus += kRookBishopBonus;
    }
  }
  const PieceType& knight = type_of(b, kKindKnight, kWhite);
  const PieceType& bishop = type_of(b, kKindBishop, kWhite);
  const PieceType& rook = type_of(b, kKindRook, kWhite);
  t.knight_base = t.heavy ? knight.value : knight.second_value;
  t.bishop_base = t.heavy ? bishop.value : bishop.second_value;
  t.rook_base = t.heavy ? rook.value : rook.second_value;
  const MiddlegameWeights& w = middlegame_weights;
  t.passed_rank = t.heavy || t.queen_on_board ? w.passed_with_queens : w.passed_without_queens;
}

void base_complexity(TermContext& t) {
  int wp = t.pawns[0], bp = t.pawns[1], fw = t.files_without_pawns;
  int units = wp + bp + 2 * (t.pieces[0] + t.pieces[1]);
  int c = (units * 90 + 22) / 44 + (t.imbalance ? 8 : 2);
  if (t.heavy && t.d != 0) c += 9;
  if (fw >= 3) c -= 17;
  else if (fw == 2) c -= 7;
  int x = 2 * t.knight_base - t.rook_base;
  if (t.symmetric_files && !t.imbalance && wp == bp && fw >= 2 && !t.many_units &&
      t.piece_material >= thresholds.minor_rook_sum && t.q <= x && t.q >= -x)
    c -= 5;
  int floor = t.queen_on_board ? 16 : 8;
  if (c < floor) c = floor;
  if (t.piece_material < thresholds.heavy_mark)
    c += t.span - ((*t.status & status::kAdjustmentPending) ? 9 : 7);
  if (fw < 3 && fw >= 1 && wp == bp && wp >= 4) c -= 10;
  t.complexity = c;
}

int drawish_scale(TermContext& t) {
  bool pending = (*t.status & status::kAdjustmentPending) != 0;
  bool few_pawns = pending && t.pawns[0] < 4 && t.pawns[1] < 4;
  if (t.drawish == 0 && !few_pawns) return kScaleOne;
  int pieces = t.pieces[0] + t.pieces[1];
  int s = kScaleOne;
  if (pending && pieces < 4) s = ((100 - t.halfmove) * (t.opposite_bishops ? 18 : 37) + 150) / 100;
  if (t.drawish != 0) {
    bool big = thresholds.minor_rook_sum <= t.piece_material && pieces > 3;
    int cap = big ? 14 : 7;
    if (t.complexity > cap) t.complexity = cap;
    if (s > 13) s = t.drawish == 2 ? 13 : (s < 38 ? s : 38);
  }
  return s;
}

}  // namespace

int evaluate_middlegame(Board& b, uint32_t& status, int halfmove, const PieceRecord* en_prise) {
  TermContext t;
  reset_terms(t, b, status, halfmove, kWhite, en_prise, false);
  count_material(t);
  set_bonuses(t);
  material_balance(t);
  analyse_pawns(t);
  no_progress_penalty(t, !(t.heavy && t.queen_on_board && t.piece_material >= thresholds.heavy_mark),
                      10);
  base_complexity(t);
  passed_pawns(t);

  const MiddlegameWeights& w = middlegame_weights;
  int activity = t.king_activity ? 2 : 1;
  pawn_weaknesses(t, w.weak_pawn, w.isolated_pawn, 2 * activity * w.isolated_file,
                  activity * w.half_open_file, 2 * activity * w.half_open_file);
  if (t.piece_material < thresholds.heavy_mark) middlegame_drawish_rules(t);

  square_control(t);
  king_safety(t);
  int space = t.king_activity ? (t.opposite_bishops ? 6 : 12) : (t.complexity * 22 + 47) / 94;
  pawn_space(t, space * pct(settings.space_pct) / 100);
  kings_near_pawns(t, w.king_near_enemy_pawn, w.king_near_own_pawn);
  bishop_pair(t, t.heavy && t.piece_material >= thresholds.heavy_mark ? 21 : 32);
  trapped_pieces(t, 90);
  clear_lead(t, 18, true);
  flags.tempo.store(1, std::memory_order_relaxed);

  int s = drawish_scale(t);
  if (s != kScaleOne) apply_scale(t, s);
  b.eval.complexity = t.complexity;
  b.eval.drawish = t.drawish;
  b.eval.term_total = t.total[0] - t.total[1];
  return sum_piece_scores(t);
}

}  // namespace ostrim
