// The endgame term evaluator: piece material at most queen + bishop.
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/term_evaluators.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kPawnEndingExtra = 45;  // a pawn is worth 87 + 45 with no pieces left
constexpr int kRootWithoutPieces = 30;

void set_bonuses(TermContext& t) {
  Board& b = *t.board;
  for (PieceType& type : b.types) {
    if (type.kind == kKindEmpty) type.bonus = 0;
    else if (type.kind == kKindKing) type.bonus = type.value;
    else type.bonus = type.second_value;
    if (type.kind == kKindPawn && t.piece_material == 0) type.bonus += kPawnEndingExtra;
  }
  t.knight_base = type_of(b, kKindKnight, kWhite).second_value;
  t.bishop_base = type_of(b, kKindBishop, kWhite).second_value;
  t.rook_base = type_of(b, kKindRook, kWhite).second_value;
  t.passed_rank = endgame_weights.passed;
}

void complexity(TermContext& t) {
  int fw = t.files_without_pawns;
  bool pieces = t.pieces[0] + t.pieces[1] > 0;
  int units = t.pawns[0] + t.pawns[1] + 2 * (t.pieces[0] + t.pieces[1]);
  int c = (units * 92 + 22) / 44;
  if (fw >= 3) c -= 11;
  else if (pieces && fw >= 1) c -= 8;
  if (t.opposite_bishops) c -= 4;
  c += t.span - ((*t.status & status::kAdjustmentPending) ? 10 : 7);
  t.complexity += c;  // the drawish rules may already have taken their part
}

int drawish_scale(const TermContext& t) {
  bool pending = (*t.status & status::kAdjustmentPending) != 0;
  if (t.drawish == 0 && !(pending && t.pawns[0] < 4 && t.pawns[1] < 4)) return kScaleOne;
  int s = pending ? ((100 - t.halfmove) * (t.opposite_bishops ? 11 : 50) + 150) / 100 : kScaleOne;
  if (t.drawish != 0 && s >= 12) s = t.drawish == 2 ? 11 : (s < 36 ? s : 36);
  return s;
}

// Space, and a point for a pawn that stands right below an enemy pawn's
// reach.
void endgame_space(TermContext& t) {
  bool pieces = t.pieces[0] + t.pieces[1] > 0;
  int c = pieces && !t.opposite_bishops ? 11 : 5;
  pawn_space(t, c * pct(settings.space_pct) / 100);
  if (t.drawish != 0) return;
  Board& b = *t.board;
  int16_t* white = kind_table(b, kKindPawn, kWhite);
  int16_t* black = kind_table(b, kKindPawn, kBlack);
  for (Square s = 0; s < 128; ++s) {
    if (!on_board(s)) continue;
    if (on_board(s + 16) && (b.eval.square_marks[1][s + 16] & pawnmark::kOwnControl)) white[s] += 1;
    if (on_board(s - 16) && (b.eval.square_marks[0][s - 16] & pawnmark::kOwnControl)) black[s] += 1;
  }
}

}  // namespace

int evaluate_endgame(Board& b, uint32_t& status, int halfmove, Colour side_to_move,
                     const PieceRecord* en_prise) {
  TermContext t;
  reset_terms(t, b, status, halfmove, side_to_move, en_prise, true);
  count_material(t);
  set_bonuses(t);
  material_balance(t);
  analyse_pawns(t);
  no_progress_penalty(t, true, t.piece_material == 0 ? 20 : 10);
  t.complexity = 0;
  endgame_drawish_rules(t);
  complexity(t);
  bishop_pair(t, 42);
  passed_pawns(t);

  // As in the middlegame, a file half-open for the enemy rooks raises A and
  // T1 by the isolated-pawn weight and T2 by twice that.
  const EndgameWeights& w = endgame_weights;
  pawn_weaknesses(t, w.weak_pawn, w.isolated_pawn, w.isolated_file, w.isolated_pawn,
                  2 * w.isolated_pawn);
  square_control(t);
  endgame_king_position(t);
  kings_near_pawns(t, w.king_near_enemy_pawn, w.king_near_own_pawn);
  endgame_space(t);
  clear_lead(t, 26, false);
  trapped_pieces(t, 210);
  flags.tempo.store(1, std::memory_order_relaxed);

  int s = drawish_scale(t);
  if (s != kScaleOne) apply_scale(t, s);
  // The engine's own side reduced to king and pawns fares worse than it looks.
  int root = ci(root_side());
  if (t.pieces[root] == 0) t.total[root] -= kRootWithoutPieces;
  b.eval.complexity = t.complexity;
  b.eval.drawish = t.drawish;
  b.eval.term_total = t.total[0] - t.total[1];
  return sum_piece_scores(t);
}

}  // namespace ostrim
