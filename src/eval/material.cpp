// Counts, phase marks, material balance and the no-progress penalty.
#include <cstring>

#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/weights.h"

namespace ostrim {

void reset_terms(TermContext& t, Board& b, uint32_t& status, int halfmove, Colour side,
                 const PieceRecord* en_prise, bool endgame) {
  t.board = &b;
  t.status = &status;
  t.halfmove = halfmove;
  t.side_to_move = side;
  t.en_prise = en_prise;
  t.endgame = endgame;

  EvalState& e = b.eval;
  std::memset(e.tables, 0, sizeof e.tables);
  std::memset(e.pawn_square, 0, sizeof e.pawn_square);
  std::memset(e.square_marks, 0, sizeof e.square_marks);
  std::memset(e.isolated_pawn, 0, sizeof e.isolated_pawn);
  std::memset(e.isolated_file, 0, sizeof e.isolated_file);
  e.drawish = 0;
  t.drawish = 0;
  t.opposite_bishops = false;
  t.total[0] = t.total[1] = 0;
  std::memset(t.weak_pawn, 0, sizeof t.weak_pawn);

  t.files_without_pawns = 0;
  t.symmetric_files = true;
  for (int f = 0; f < 8; ++f) {
    bool white = pawns_on_file(b.white, f) > 0;
    bool black = pawns_on_file(b.black, f) > 0;
    if (!white && !black) ++t.files_without_pawns;
    if (white != black) t.symmetric_files = false;
  }
}

void count_material(TermContext& t) {
  Board& b = *t.board;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    t.queens[i] = type_of(b, kKindQueen, c).count;
    t.rooks[i] = type_of(b, kKindRook, c).count;
    t.bishops[i] = type_of(b, kKindBishop, c).count;
    t.knights[i] = type_of(b, kKindKnight, c).count;
    t.pawns[i] = type_of(b, kKindPawn, c).count;
    t.pieces[i] = t.queens[i] + t.rooks[i] + t.bishops[i] + t.knights[i];
    t.bishop_colour[i] = -1;
    t.bishop_square[i] = kNullSquare;
    t.king_square[i] = king_of(b, c)->square;
    if (t.bishops[i] != 1) continue;
    SideList& list = side_list(b, c);
    for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
      if (r->type->kind != kKindBishop || r == t.en_prise) continue;
      t.bishop_square[i] = r->square;
      t.bishop_colour[i] = (file_of(r->square) + rank_of(r->square)) & 1;
      break;
    }
  }
  t.piece_material = b.piece_material;
  t.queen_on_board = t.queens[0] + t.queens[1] > 0;
  t.heavy = t.queen_on_board && t.rooks[0] + t.rooks[1] >= 2 && t.pieces[0] >= 2 &&
            t.pieces[1] >= 2;
  constexpr int kManyUnits = 12;
  t.many_units = t.pieces[0] + t.pawns[0] >= kManyUnits && t.pieces[1] + t.pawns[1] >= kManyUnits;
  t.imbalance = t.queens[0] != t.queens[1] || t.rooks[0] != t.rooks[1] ||
                t.knights[0] + t.bishops[0] != t.knights[1] + t.bishops[1];
  // Every side that has a queen has nothing else: the kings come out.
  bool queens_alone = (t.queens[0] == 0 || t.pieces[0] == t.queens[0]) &&
                      (t.queens[1] == 0 || t.pieces[1] == t.queens[1]);
  t.king_activity = !t.endgame && t.piece_material < thresholds.heavy_mark && queens_alone;
}

void material_balance(TermContext& t) {
  Board& b = *t.board;
  int q = 0;
  for (int kind = kKindKnight; kind <= kKindQueen; ++kind) {
    q += type_of(b, kind, kWhite).count * type_of(b, kind, kWhite).bonus;
    q -= type_of(b, kind, kBlack).count * type_of(b, kind, kBlack).bonus;
  }
  t.q = q;
  t.d = q + t.pawns[0] * type_of(b, kKindPawn, kWhite).bonus -
        t.pawns[1] * type_of(b, kKindPawn, kBlack).bonus;
}

void no_progress_penalty(TermContext& t, bool applies, int per_ply) {
  EvalState& e = t.board->eval;
  if (applies && t.halfmove >= 1 && t.pawns[0] + t.pawns[1] > 0) {
    e.irreversible_adjustment = per_ply * t.halfmove * pct(settings.no_progress_pct) / 100;
    *t.status |= status::kAdjustmentPending;
  } else {
    e.irreversible_adjustment = 0;
    *t.status &= ~status::kAdjustmentPending;
  }
}

}  // namespace ostrim
