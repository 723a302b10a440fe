// Drawish rules (marks 1 and 2 and the material adjustments of a side
// short of pawns) and the scaling of the whole evaluation by s/64.
#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kPawnSecondValue = 87;
// Bishops of opposite colours hold a lead of one or two pawns, not three.
constexpr int kOppositeBishopsPawnLead = 2;
// A queen against a rook and pawns: only several pawns may build a fortress.
constexpr int kFortressPawns = 2;

void mark_at_least(TermContext& t, int mark) {
  if (t.drawish < mark) t.drawish = mark;
}

// A side with at most one pawn and no real lead: with no pawn the position
// is marked 2 and its lead shrinks to a third; with one pawn the lead beyond
// that pawn moves into the pawn's bonus, so losing it costs the extra too.
void short_of_pawns(TermContext& t) {
  int m = t.bishop_base - t.knight_base;
  for (int i = 0; i < 2; ++i) {
    int sign = i == 0 ? 1 : -1;
    int d = sign * t.d, q = sign * t.q;
    if (t.pawns[i] > 1 || d < -m || q > t.bishop_base) continue;
    if (t.pawns[i] == 0) {
      mark_at_least(t, 2);
      t.total[i] -= (2 * d) / 3;
    } else {
      int x = (2 * (d - kPawnSecondValue)) / 3;
      t.total[i] -= x;
      type_of(*t.board, kKindPawn, colour_of_index(i)).bonus += x;
    }
  }
}

// One bishop each on squares of different colours.
bool opposite_bishops_on_board(const TermContext& t) {
  return t.bishops[0] == 1 && t.bishops[1] == 1 && t.bishop_colour[0] >= 0 &&
         t.bishop_colour[1] >= 0 && t.bishop_colour[0] != t.bishop_colour[1];
}

// The only piece is one bishop, the other side has none, every pawn is on
// a rook file whose promotion square the bishop never reaches, and the
// defending king can still reach that corner before the leading pawn: a
// king cut off from the corner loses.
bool wrong_bishop(TermContext& t, int i) {
  if (t.pieces[i] != 1 || t.bishops[i] != 1 || t.pieces[1 - i] != 0 || t.pawns[i] == 0) return false;
  if (t.bishop_colour[i] < 0) return false;
  SideList& own = side_list(*t.board, colour_of_index(i));
  int file;
  if (pawns_on_file(own, 0) == t.pawns[i]) file = 0;
  else if (pawns_on_file(own, 7) == t.pawns[i]) file = 7;
  else return false;
  Square promotion = own_square(colour_of_index(i), file, 7);
  if (t.bishop_colour[i] == ((file_of(promotion) + rank_of(promotion)) & 1)) return false;
  int pawn_distance = 7 - t.most[i][file];
  return king_distance(t.king_square[1 - i], promotion) <= pawn_distance + 1;
}

}  // namespace

void middlegame_drawish_rules(TermContext& t) {
  int m = t.bishop_base - t.knight_base;
  int x = 2 * t.knight_base - t.rook_base;
  int wp = t.pawns[0], bp = t.pawns[1];
  short_of_pawns(t);
  if ((bp == 1 && t.d <= 0 && t.q >= -m) || (wp == 1 && t.d >= 0 && t.q <= m)) mark_at_least(t, 2);
  if (opposite_bishops_on_board(t) && t.knights[0] == 0 && t.q == 0) {
    t.opposite_bishops = true;
    t.complexity -= 4;
    if (t.pieces[0] == 1) {
      if (wp - bp <= kOppositeBishopsPawnLead && bp - wp <= kOppositeBishopsPawnLead)
        mark_at_least(t, t.span > 5 ? 1 : 2);
    } else if (wp < 4 && bp < 4 && wp - bp <= 1 && bp - wp <= 1) {
      mark_at_least(t, t.span > 2 ? 1 : 2);
    }
  }
  if (wrong_bishop(t, 0) || wrong_bishop(t, 1)) mark_at_least(t, 2);
  for (int i = 0; i < 2; ++i) {
    int j = 1 - i;
    if (t.pieces[i] == 1 && t.queens[i] == 1 && t.pieces[j] == 1 && t.rooks[j] == 1 &&
        t.pawns[i] == 0 && t.pawns[j] >= kFortressPawns)
      mark_at_least(t, 2);
  }
  if (t.q <= m && t.q >= -m && t.span < 5 && wp - bp <= 1 && bp - wp <= 1) mark_at_least(t, 1);
  if (wp <= (t.q > x ? 1 : 2) && bp <= (t.q < -x ? 1 : 2)) mark_at_least(t, 1);
  if (!settings.identify_drawish) t.drawish = 0;
}

void endgame_drawish_rules(TermContext& t) {
  int m = t.bishop_base - t.knight_base;
  int wp = t.pawns[0], bp = t.pawns[1];
  bool pieces = t.pieces[0] + t.pieces[1] > 0;
  short_of_pawns(t);
  if (pieces) {
    if (bp == 1 && t.d < 1 && t.q >= -m) mark_at_least(t, 2);
    else if (wp == 1 && t.d >= 0 && t.q <= m) mark_at_least(t, 2);
  }
  if (opposite_bishops_on_board(t) && t.knights[0] == 0 && t.q == 0) {
    t.opposite_bishops = true;
    if (t.pieces[0] > 1) {
      if (wp <= 3 && bp <= 3 && wp - bp <= 1 && bp - wp <= 1 && t.drawish < 2)
        t.drawish = t.span > 2 ? 1 : 2;
    } else if (t.drawish < 2 && wp - bp <= kOppositeBishopsPawnLead && bp - wp <= kOppositeBishopsPawnLead) {
      t.drawish = t.span > 6 ? 1 : 2;
    }
  }
  if (wrong_bishop(t, 0) || wrong_bishop(t, 1)) mark_at_least(t, 2);
  if (pieces) {
    if (t.q <= m && t.q >= -m && t.span < 4 && wp - bp <= 1 && bp - wp <= 1) mark_at_least(t, 1);
    if (wp < 2 && bp < 2) mark_at_least(t, 1);
    if (t.files_without_pawns < 3 && wp == bp && wp > 3) t.complexity -= 8;
  }
  if (!settings.identify_drawish) t.drawish = 0;
}

void apply_scale(TermContext& t, int scale) {
  Board& b = *t.board;
  EvalState& e = b.eval;
  for (int i = 0; i < 2; ++i) {
    t.total[i] = scale64(t.total[i], scale);
    for (int f = 0; f < 8; ++f) {
      t.weak_pawn[i][f] = scale64(t.weak_pawn[i][f], scale);
      e.isolated_pawn[i][f] = static_cast<int16_t>(scale64(e.isolated_pawn[i][f], scale));
      e.isolated_file[i][f] = static_cast<int16_t>(scale64(e.isolated_file[i][f], scale));
    }
  }
  // Every entry of a row holds a board square of one colour or the other.
  // The passed-pawn tables are scaled with them, as their values in the
  // totals are.
  for (auto& table : e.tables)
    for (int16_t& entry : table) entry = static_cast<int16_t>(scale64(entry, scale));
  for (auto& table : e.pawn_square)
    for (int16_t& entry : table) entry = static_cast<int16_t>(scale64(entry, scale));
  for (PieceType& type : b.types)
    if (type.kind != kKindKing) type.bonus = scale64(type.bonus, scale);
}

}  // namespace ostrim
