// The final piece scores: each record gets its table entry plus its type's
// bonus (and the open-file bonus for a rook), as make/unmake recompute them.
#include "eval/term_context.h"

namespace ostrim {

int sum_piece_scores(TermContext& t) {
  Board& b = *t.board;
  EvalState& e = b.eval;
  // On the promotion ranks the pawn table holds the queen, so that the
  // incremental score of a promotion reads like any other move.
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    int16_t* pawn = kind_table(b, kKindPawn, c);
    int16_t* queen = kind_table(b, kKindQueen, c);
    int queen_bonus = type_of(b, kKindQueen, c).bonus;
    for (int f = 0; f < 8; ++f) {
      Square s = own_square(c, f, 7);
      pawn[s] = static_cast<int16_t>(queen[s] + queen_bonus);
    }
  }

  int sum[2] = {t.total[0], t.total[1]};
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    SideList& own = side_list(b, c);
    for (PieceRecord* r = own.head.next; r != &b.header; r = r->next) {
      Square s = r->square;
      int kind = r->type->kind;
      int f = file_of(s);
      int score = r->type->table[s] + r->type->bonus;
      if (kind == kKindRook && pawns_on_file(b.white, f) == 0 && pawns_on_file(b.black, f) == 0)
        score += e.open_file_bonus;
      r->score = score;
      sum[i] += score;
      // The isolated terms stay out of the record: make/unmake carry them
      // by file, through the pawn counts.
      if (kind == kKindPawn && pawns_on_file(own, f - 1) == 0 && pawns_on_file(own, f + 1) == 0)
        sum[i] -= pawns_on_file(own, f) == 1 ? e.isolated_pawn[i][f] : e.isolated_file[i][f] / 2;
    }
  }
  return sum[0] - sum[1];
}

}  // namespace ostrim
