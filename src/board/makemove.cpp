#include "board/makemove.h"

#include "board/attacks.h"
#include "common/engine_flags.h"

namespace ostrim {
namespace {

inline bool is_pawn(const PieceRecord* r) { return r->type->kind == kKindPawn; }

int16_t& pawn_table_a(Board& b, Colour c, Square s) { return b.eval.pawn_square[colour_index(c)][s]; }
int16_t& pawn_table_b(Board& b, Colour c, Square s) {
  return b.eval.pawn_square[colour_index(c)][s + 8];
}

// The mover takes back its own previous move, and the square it returns to
// does not lie strictly inside the opponent's last move's path.
bool reverses_previous_move(const Position& p, Move m) {
  const Position* g = p.parent;
  if (g == nullptr) return false;
  Move m1 = g->move;
  Move m2 = p.move;
  if (move_from(m) != (m1 >> 8) || (m >> 8) != move_from(m1)) return false;
  int to = m >> 8;
  int m2_from = move_from(m2);
  int m2_to = m2 >> 8;
  int path = kDirectionTable[m2_to - m2_from + 119];
  bool inside = path == kDirectionTable[m2_to - to + 119] && path == kDirectionTable[to - m2_from + 119];
  return !inside;
}

// The cannot-win rule after a capture: no pawns, rooks or queens, and at most
// one minor piece, or exactly two knights against a side without pawns.
bool cannot_win(const Board& b, Colour c) {
  const PieceType* t = b.types;
  int own = c > 0 ? 0 : 1;
  static constexpr int kPawn[2] = {kWhitePawnType, kBlackPawnType};
  static constexpr int kKnight[2] = {kWhiteKnightType, kBlackKnightType};
  static constexpr int kBishop[2] = {kWhiteBishopType, kBlackBishopType};
  static constexpr int kRook[2] = {kWhiteRookType, kBlackRookType};
  static constexpr int kQueen[2] = {kWhiteQueenType, kBlackQueenType};
  if (t[kPawn[own]].count || t[kRook[own]].count || t[kQueen[own]].count) return false;
  int bishops = t[kBishop[own]].count;
  int knights = t[kKnight[own]].count;
  if (bishops + knights <= 1) return true;
  return bishops == 0 && knights == 2 && t[kPawn[1 - own]].count == 0;
}

// An irreversible move undoes the no-progress adjustment of the last
// evaluation; the stored sign is relative to the root side.
void undo_no_progress(Position& c, Board& b) {
  if ((c.status & status::kAdjustmentPending) == 0) return;
  c.status &= ~status::kAdjustmentPending;
  if (c.side == root_side())
    c.score += b.eval.irreversible_adjustment;
  else
    c.score -= b.eval.irreversible_adjustment;
}

PieceType* promotion_type(Board& b, Colour c, int code) {
  int kind = code < 0 ? underpromotion_kind(code) : kKindQueen;
  int index = c > 0 ? kWhitePawnType + (kind - kKindPawn) : kBlackPawnType - (kind - kKindPawn);
  return &b.types[index];
}

void move_piece(Board& b, PieceRecord* r, Square from, Square to) {
  piece_at(b, from) = &b.header;
  piece_at(b, to) = r;
  r->square = to;
}

}  // namespace

int rescore_rook(PieceRecord& rook) {
  Board& b = *rook.board;
  int file = file_of(rook.square);
  int score = rook.type->table[rook.square] + rook.type->bonus;
  if (pawns_on_file(b.white, file) == 0 && pawns_on_file(b.black, file) == 0)
    score += b.eval.open_file_bonus;
  int change = score - rook.score;
  rook.score = score;
  return change;
}

int rescore_rooks_on_file(Board& b, int file) {
  int change = 0;
  for (int slot : kWhiteRookSlots) {
    PieceRecord& r = b.slots[slot];
    if ((r.square & 15) == file) change += rescore_rook(r);
  }
  for (int slot : kBlackRookSlots) {
    PieceRecord& r = b.slots[slot];
    if ((r.square & 15) == file) change -= rescore_rook(r);
  }
  return change;
}

int pawn_removed_from_file(Board& b, Colour c, int f) {
  SideList& side = side_list(b, c);
  const int16_t* t1 = b.eval.isolated_pawn[colour_index(c)];
  const int16_t* t2 = b.eval.isolated_file[colour_index(c)];
  int r = (pawns_on_file(side, f - 1) == 0 && pawns_on_file(side, f + 1) == 0) ? t1[f] : 0;
  if (--pawns_on_file(side, f) > 0) return r;
  for (int g : {f - 1, f + 1}) {
    int outer = g < f ? f - 2 : f + 2;
    int n = pawns_on_file(side, g);
    if (pawns_on_file(side, outer) == 0 && n >= 1) r -= n == 1 ? t1[g] : t2[g];
  }
  if (pawns_on_file(*side.opponent, f) > 0) return r;
  int x = rescore_rooks_on_file(b, f);  // the file has opened
  return c > 0 ? r + x : r - x;
}

int pawn_added_to_file(Board& b, Colour c, int f) {
  SideList& side = side_list(b, c);
  const int16_t* t1 = b.eval.isolated_pawn[colour_index(c)];
  const int16_t* t2 = b.eval.isolated_file[colour_index(c)];
  int r = (pawns_on_file(side, f - 1) == 0 && pawns_on_file(side, f + 1) == 0) ? -t1[f] : 0;
  if (pawns_on_file(side, f)++ != 0) return r;
  for (int g : {f - 1, f + 1}) {
    int outer = g < f ? f - 2 : f + 2;
    int n = pawns_on_file(side, g);
    if (pawns_on_file(side, outer) == 0 && n >= 1) r += n == 1 ? t1[g] : t2[g];
  }
  if (pawns_on_file(*side.opponent, f) > 0) return r;
  int x = rescore_rooks_on_file(b, f);  // the file has closed
  return c > 0 ? r + x : r - x;
}

void make_move(Position& p, Move m, Position& c) {
  Board& b = *p.board;
  ++b.nodes;
  begin_reply(c, p);
  const Colour mover = p.side;

  Square from = move_from(m);
  int code = move_to_code(m);
  Square to = move_to(m);
  PieceRecord* moved = piece_at(b, from);
  piece_at(b, from) = &b.header;
  PieceRecord* captured = piece_at(b, to);
  piece_at(b, to) = moved;
  moved->square = to;

  reset_generation(c);
  c.repetition = 0;
  c.previous_score = moved->score;
  moved->score = moved->type->table[to] + moved->type->bonus;
  c.score = tempo() - p.score + (c.previous_score - moved->score);
  c.refutation = static_cast<Move>((c.refutation & 0xFF) | (kNullSquare << 8));
  c.move = m;

  if ((p.flags & moveflag::kEnPassant) && to == p.ep_square && is_pawn(moved)) {
    Square victim = to + 16 * c.side;
    captured = piece_at(b, victim);
    piece_at(b, victim) = &b.header;
    c.flags |= moveflag::kSpecial;
  }
  c.captured = captured;

  if (captured == &b.header) {
    c.halfmove = p.halfmove + 1;
    if (c.halfmove >= 3) {
      if (c.halfmove >= 100 && !is_pawn(moved)) c.status |= c.side_list->cannot_win;
      if (reverses_previous_move(p, m)) {
        c.repetition = p.repetition + 1;
        if (c.repetition >= 6) {
          c.score = 0;
          c.status |= status::kTerminal;
          return;
        }
      }
    }
  } else {
    c.score -= captured->score;
    captured->prev->next = captured->next;
    captured->next->prev = captured->prev;
    captured->square += 8;
    --captured->type->count;
    --b.piece_count;
    if (is_pawn(captured)) {
      c.score += pawn_removed_from_file(b, c.side, file_of(to)) - pawn_table_a(b, c.side, to) -
                 pawn_table_b(b, c.side, to);
    } else {
      b.piece_material -= captured->type->value;
      if (b.piece_material == 0) c.flags |= moveflag::kNoPieceMaterial;
    }
    if (is_pawn(moved)) {
      c.score -= pawn_added_to_file(b, mover, file_of(to));
      c.score -= pawn_removed_from_file(b, mover, file_of(from));
    }
    if (captured->type->kind == kKindKing) {
      c.score = -kScoreInfinite;
      c.status |= status::kTerminal;
      return;
    }
    if (cannot_win(b, kWhite)) c.status |= status::kWhiteCannotWin;
    if (cannot_win(b, kBlack)) c.status |= status::kBlackCannotWin;
    c.halfmove = 0;
    undo_no_progress(c, b);
  }

  switch (moved->type->kind) {
    case kKindPawn: {
      if (to >= 112 || to < 16) {
        --moved->type->count;
        PieceType* promoted = promotion_type(b, mover, code);
        c.flags |= moveflag::kSpecial;
        if (b.piece_material == 0) c.flags |= moveflag::kNoPieceMaterial;
        ++promoted->count;
        moved->type = promoted;
        int score = promoted->table[to] + promoted->bonus;
        c.score = c.score - score + moved->score;
        moved->score = score;
        b.piece_material += promoted->value;
        c.score -= pawn_removed_from_file(b, mover, file_of(to));
      } else if (to - from == 32 * mover) {
        c.flags |= moveflag::kEnPassant;
        c.ep_square = to - 16 * mover;
      }
      if (captured == &b.header) c.score += pawn_table_a(b, mover, from) - pawn_table_a(b, mover, to);
      c.halfmove = 0;
      undo_no_progress(c, b);
      break;
    }
    case kKindRook:
      c.score -= rescore_rook(*moved);
      break;
    case kKindKing: {
      int distance = to - from;
      if (distance == 2 || distance == -2) {
        Square rook_from = distance > 0 ? to + 1 : to - 2;
        Square rook_to = distance > 0 ? to - 1 : to + 1;
        PieceRecord* rook = piece_at(b, rook_from);
        move_piece(b, rook, rook_from, rook_to);
        c.flags |= moveflag::kSpecial;
        c.score -= rescore_rook(*rook);
      }
      c.status &= mover > 0 ? ~status::kWhiteCastling : ~status::kBlackCastling;
      break;
    }
    default:
      break;
  }
}

void update_key(Position& c) {
  const Position& p = *c.parent;
  Board& b = *c.board;
  Move m = c.move;
  Square from = move_from(m);
  Square to = move_to(m);
  const PieceRecord* moved = piece_at(b, to);
  const PieceRecord* captured = c.captured;
  const Colour mover = p.side;
  c.key = p.key;
  xor_key(c.key, moved->type->keys[from]);
  xor_key(c.key, moved->type->keys[to]);
  c.key.low ^= kBlackToMoveBit;
  if (captured != &b.header) xor_key(c.key, captured->type->keys[to]);
  if ((c.flags & moveflag::kSpecial) == 0) return;
  int kind = moved->type->kind;
  if (kind == kKindPawn) {  // en passant
    xor_key(c.key, captured->type->keys[to - 16 * mover]);
    xor_key(c.key, captured->type->keys[to]);
  } else if (kind != kKindKing) {  // promotion
    xor_key(c.key, moved->type->keys[from]);
    xor_key(c.key, b.types[mover > 0 ? kWhitePawnType : kBlackPawnType].keys[from]);
  } else {  // castling
    const HashKey* rook_keys = b.types[mover > 0 ? kWhiteRookType : kBlackRookType].keys;
    bool king_side = to > from;
    xor_key(c.key, rook_keys[king_side ? to + 1 : to - 2]);
    xor_key(c.key, rook_keys[king_side ? to - 1 : to + 1]);
  }
}

void update_castling(Position& c) {
  const Board& b = *c.board;
  auto holds = [&b](Square s, int type) { return piece_at(b, s)->type->index == type; };
  if (c.status & status::kWhiteCastling) {
    if (!holds(kA1, kWhiteRookType)) c.status &= ~status::kWhiteQueenSide;
    if (!holds(kH1, kWhiteRookType)) c.status &= ~status::kWhiteKingSide;
  }
  if (c.status & status::kBlackCastling) {
    if (!holds(kA8, kBlackRookType)) c.status &= ~status::kBlackQueenSide;
    if (!holds(kH8, kBlackRookType)) c.status &= ~status::kBlackKingSide;
  }
}

void unmake_move(Position& c) {
  Board& b = *c.board;
  Move m = c.move;
  Square from = move_from(m);
  Square to = move_to(m);
  PieceRecord* moved = piece_at(b, to);
  PieceRecord* captured = c.captured;
  const Colour mover = c.opponent;
  piece_at(b, from) = moved;
  moved->square = from;
  piece_at(b, to) = captured;

  if (c.flags & moveflag::kSpecial) {
    int kind = moved->type->kind;
    if (kind == kKindKing) {
      bool king_side = to > from;
      Square rook_home = king_side ? to + 1 : to - 2;
      Square rook_now = king_side ? to - 1 : to + 1;
      PieceRecord* rook = piece_at(b, rook_now);
      move_piece(b, rook, rook_now, rook_home);
      rescore_rook(*rook);
    } else if (kind == kKindPawn) {  // en passant
      piece_at(b, to) = &b.header;
      piece_at(b, to + 16 * c.side) = captured;
    } else {  // promotion
      --moved->type->count;
      b.piece_material -= moved->type->value;
      moved->type = &b.types[mover > 0 ? kWhitePawnType : kBlackPawnType];
      ++moved->type->count;
      pawn_added_to_file(b, mover, file_of(to));
    }
  }

  if (captured != &b.header) {
    captured->prev->next = captured;
    captured->next->prev = captured;
    captured->square -= 8;
    ++captured->type->count;
    ++b.piece_count;
    SideList& own = *c.side_list;
    SideList& movers = *own.opponent;
    if (is_pawn(captured)) {
      int f = file_of(to);
      if (pawns_on_file(own, f)++ == 0 && pawns_on_file(movers, f) == 0) rescore_rooks_on_file(b, f);
    } else {
      b.piece_material += captured->type->value;
    }
    if (is_pawn(moved)) {
      int ff = file_of(from);
      if (pawns_on_file(movers, ff)++ == 0 && pawns_on_file(own, ff) == 0) rescore_rooks_on_file(b, ff);
      int tf = file_of(to);
      if (--pawns_on_file(movers, tf) == 0 && pawns_on_file(own, tf) == 0) rescore_rooks_on_file(b, tf);
    }
  }
  moved->score = c.previous_score;
}

}  // namespace ostrim
