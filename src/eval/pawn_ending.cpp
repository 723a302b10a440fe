#include "eval/pawn_ending.h"

#include <initializer_list>

#include "board/attacks.h"
#include "eval/term_context.h"

namespace ostrim {
namespace {

// Patterns, from the pawn's side (ranks counted from it):
//  - rook pawn: the defending king on the pawn's file ahead of the pawn, or
//    on the last two ranks of the neighbouring file ahead of the pawn: it
//    reaches the corner and cannot be driven out;
//  - rook pawn with a bishop that does not cover the promotion square: the
//    defending king on the promotion square or next to it, ahead of the pawn;
//  - any other pawn on ranks 3 to 6: the defending king right in front of
//    it while the attacking king is not ahead of its pawn.
bool drawn_pattern(Colour c, Square pawn, Square own_king, Square defender, bool wrong_bishop) {
  int pf = file_of(pawn), pr = own_rank(c, pawn);
  int df = file_of(defender), dr = own_rank(c, defender);
  int kr = own_rank(c, own_king);
  bool rook_pawn = pf == 0 || pf == 7;
  if (rook_pawn) {
    int beside = pf == 0 ? 1 : 6;
    if (dr <= pr) return false;
    if (wrong_bishop) return (df == pf || df == beside) && dr >= 6;
    return df == pf || (df == beside && dr >= 6);
  }
  if (wrong_bishop) return false;
  return pr >= 2 && pr <= 5 && defender == pawn + forward(c) && kr <= pr;
}

// Its only piece, if any, is one bishop not covering the promotion square of
// a rook pawn on `file`; false when there is no such bishop.
bool lone_wrong_bishop(Board& b, Colour c, int file, bool& has_bishop) {
  has_bishop = false;
  SideList& list = side_list(b, c);
  int pieces = 0;
  Square bishop = kNullSquare;
  for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
    int kind = r->type->kind;
    if (kind == kKindPawn || kind == kKindKing) continue;
    ++pieces;
    if (kind == kKindBishop) bishop = r->square;
  }
  if (pieces == 0) return true;
  if (pieces != 1 || bishop == kNullSquare || (file != 0 && file != 7)) return false;
  has_bishop = true;
  Square promotion = own_square(c, file, 7);
  return ((file_of(bishop) + rank_of(bishop)) & 1) != ((file_of(promotion) + rank_of(promotion)) & 1);
}

bool bare_king(Board& b, Colour c) {
  SideList& list = side_list(b, c);
  return list.head.next == king_of(b, c);
}

}  // namespace

void recognise_single_pawn_draw(Position& child) {
  Board& b = *child.board;
  for (Colour c : {kWhite, kBlack}) {
    SideList& own = side_list(b, c);
    if (type_of(b, kKindPawn, c).count != 1 || !bare_king(b, -c)) continue;
    PieceRecord* pawn = own.head.next;
    while (pawn != &b.header && pawn->type->kind != kKindPawn) pawn = pawn->next;
    if (pawn == &b.header) continue;
    bool bishop = false;
    if (!lone_wrong_bishop(b, c, file_of(pawn->square), bishop)) continue;
    Square defender = king_of(b, -c)->square;
    if (!drawn_pattern(c, pawn->square, king_of(b, c)->square, defender, bishop)) continue;
    if (attacked_by(b, c, defender)) continue;
    child.status |= own.cannot_win;
  }
}

}  // namespace ostrim
