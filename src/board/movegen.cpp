#include "board/movegen.h"

#include "board/attacks.h"
#include "board/makemove.h"

namespace ostrim {
namespace {

inline void push(Position& p, Square from, int to_code) { *p.stack_top++ = make_move(from, to_code); }

void generate_slider(Position& p, const PieceRecord& piece) {
  const Board& b = *p.board;
  Square from = piece.square;
  for (const int32_t* d = piece.type->directions; d != piece.type->directions_end; ++d) {
    Square to = from + *d;
    while (is_empty(b, to)) {
      push(p, from, to);
      to += *d;
    }
    if (piece_at(b, to)->colour == p.opponent) push(p, from, to);
  }
}

void generate_steps(Position& p, const PieceRecord& piece) {
  const Board& b = *p.board;
  Square from = piece.square;
  for (const int32_t* d = piece.type->directions; d != piece.type->directions_end; ++d) {
    Square to = from + *d;
    const PieceRecord* target = piece_at(b, to);
    if (target == &b.header || target->colour == p.opponent) push(p, from, to);
  }
}

bool rook_of(const Board& b, Square s, Colour c) {
  const PieceRecord* r = piece_at(b, s);
  return r->colour == c && r->type->kind == kKindRook;
}

void generate_castling(Position& p, Square k) {
  const Board& b = *p.board;
  uint32_t king_side = p.side > 0 ? status::kWhiteKingSide : status::kBlackKingSide;
  uint32_t queen_side = p.side > 0 ? status::kWhiteQueenSide : status::kBlackQueenSide;
  if ((p.status & king_side) && is_empty(b, k + 1) && is_empty(b, k + 2) &&
      rook_of(b, k + 3, p.side) && !square_attacked(p, k) && !square_attacked(p, k + 1))
    push(p, k, k + 2);
  if ((p.status & queen_side) && is_empty(b, k - 1) && is_empty(b, k - 2) && is_empty(b, k - 3) &&
      rook_of(b, k - 4, p.side) && !square_attacked(p, k) && !square_attacked(p, k - 1))
    push(p, k, k - 2);
}

void generate_en_passant(Position& p) {
  if ((p.flags & moveflag::kEnPassant) == 0) return;
  const Board& b = *p.board;
  Square e = p.ep_square;
  int pawn_type = p.side > 0 ? kWhitePawnType : kBlackPawnType;
  Square first = p.side > 0 ? e - 15 : e + 15;
  Square second = p.side > 0 ? e - 17 : e + 17;
  if (piece_at(b, first)->type->index == pawn_type) push(p, first, e);
  if (piece_at(b, second)->type->index == pawn_type) push(p, second, e);
}

void generate_king(Position& p, const PieceRecord& king) {
  generate_castling(p, king.square);
  generate_en_passant(p);
  generate_steps(p, king);
}

// Under-promotions for the target file, then the plain move (a queen).
void push_promotions(Position& p, Square from, Square to, Colour side) {
  int file = file_of(to);
  if (side > 0) {
    push(p, from, kWhitePromoteRook + file);
    push(p, from, kWhitePromoteBishop + file);
    push(p, from, kWhitePromoteKnight + file);
  } else {
    push(p, from, kBlackPromoteRook + file);
    push(p, from, kBlackPromoteBishop + file);
    push(p, from, kBlackPromoteKnight + file);
  }
  push(p, from, to);
}

void generate_pawn(Position& p, const PieceRecord& pawn) {
  const Board& b = *p.board;
  Square s = pawn.square;
  Colour side = p.side;
  int up = 16 * side;
  bool promoting = side > 0 ? s >= 96 : s < 32;
  bool home = side > 0 ? s < 32 : s >= 96;
  if (is_empty(b, s + up)) {
    if (promoting)
      push_promotions(p, s, s + up, side);
    else
      push(p, s, s + up);
    if (home && is_empty(b, s + 2 * up)) push(p, s, s + 2 * up);
  }
  // White captures towards +15 then +17; Black towards -15 then -17.
  for (Square to : {s + up - side, s + up + side}) {
    if (piece_at(b, to)->colour != -side) continue;
    if (promoting)
      push_promotions(p, s, to, side);
    else
      push(p, s, to);
  }
}

void generate_batch(Position& p, const PieceRecord& piece) {
  switch (piece.type->index) {
    case kBlackQueenType:
    case kBlackRookType:
    case kBlackBishopType:
    case kWhiteBishopType:
    case kWhiteRookType:
    case kWhiteQueenType:
      generate_slider(p, piece);
      break;
    case kBlackKnightType:
    case kWhiteKnightType:
      generate_steps(p, piece);
      break;
    case kBlackKingType:
    case kWhiteKingType:
      generate_king(p, piece);
      break;
    default:
      generate_pawn(p, piece);
      break;
  }
}

// The piece whose batch comes next: list order, with the designated piece
// (a threatened piece) first and then skipped.
PieceRecord* next_piece(Position& p) {
  PieceRecord* cursor = p.cursor;
  if (p.flags & moveflag::kThreatPending) {
    PieceRecord* first = p.designated;
    if (first != &p.board->header && first->colour == p.side) {
      PieceRecord* head = &p.side_list->head;
      if (cursor == head) return first;
      PieceRecord* next = cursor == first ? head->next : cursor->next;
      return next == first ? next->next : next;
    }
  }
  return cursor->next;
}

}  // namespace

Move next_move(Position& p) {
  while (p.stack_top == p.stack) {
    PieceRecord* piece = next_piece(p);
    if (piece->type->index == kEmptyType) return kNullMove;  // the list's end
    p.cursor = piece;
    generate_batch(p, *piece);
  }
  return *--p.stack_top;
}

bool leaves_king_safe(Position& p, Move m) {
  Position child;
  construct_position(child, *p.board);
  make_move(p, m, child);
  bool safe = child.captured->type->kind != kKindKing &&
              !attacked_by(*p.board, child.side, king_of(*p.board, p.side)->square);
  unmake_move(child);
  return safe;
}

void copy_for_generation(Position& scratch, const Position& p) {
  construct_position(scratch, *p.board);
  copy_position(scratch, p);
  reset_generation(scratch);
  scratch.flags &= ~moveflag::kThreatPending;
}

bool is_legal_move(const Position& p, Move m) {
  if (m == kNullMove) return false;
  Position scratch;
  copy_for_generation(scratch, p);
  for (Move g = next_move(scratch); g != kNullMove; g = next_move(scratch)) {
    if (g == m) return leaves_king_safe(scratch, m);
  }
  return false;
}

int count_legal_moves(const Position& p) {
  Position scratch;
  copy_for_generation(scratch, p);
  int count = 0;
  for (Move m = next_move(scratch); m != kNullMove; m = next_move(scratch))
    if (leaves_king_safe(scratch, m)) ++count;
  return count;
}

}  // namespace ostrim
