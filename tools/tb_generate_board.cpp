#include "tb_generate_board.h"

#include "tablebase/classes.h"
#include "tablebase/index_tables.h"

namespace ostrim::tools {

using tablebase::file64;
using tablebase::kKindSlot;
using tablebase::kKingSlot;
using tablebase::kNoEnPassant;
using tablebase::kNoSquare;
using tablebase::kPieceSlots;
using tablebase::Placement;
using tablebase::rank64;

namespace {

// Slot kinds of a piece-square array, in the order q r b n p.
constexpr int8_t kSlotKind[5] = {kQueen, kRook, kBishop, kKnight, kPawn};
constexpr char kLetter[6] = {'k', 'q', 'r', 'b', 'n', 'p'};

constexpr int kKingSteps[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int kKnightSteps[8][2] = {{1, 2}, {2, 1}, {-1, 2}, {-2, 1}, {1, -2}, {2, -1}, {-1, -2}, {-2, -1}};

int at(const TbBoard& b, int square) {
  if (!(b.occupied >> square & 1)) return -1;
  for (int i = 0; i < b.men; ++i)
    if (b.man[i].square == square) return i;
  return -1;
}

void add_move(TbMove* moves, int& n, int man, int to, int promotion, bool capture) {
  moves[n++] = {static_cast<int8_t>(man), static_cast<int8_t>(to), static_cast<int8_t>(promotion), capture};
}

// Pseudo-legal moves of one man.
void man_moves(const TbBoard& b, int i, TbMove* moves, int& n) {
  const Man& m = b.man[i];
  int r = rank64(m.square), f = file64(m.square);
  auto target = [&](int to) {  // -1 blocked by own man, 0 empty, 1 capture
    int j = at(b, to);
    return j < 0 ? 0 : b.man[j].colour == m.colour || b.man[j].kind == kKing ? -1 : 1;
  };
  if (m.kind == kPawn) {
    int dir = m.colour == 0 ? 1 : -1, last = m.colour == 0 ? 7 : 0;
    int one = m.square + 8 * dir;
    auto push = [&](int to, bool capture) {
      if (rank64(to) == last)
        for (int8_t k : {kQueen, kRook, kBishop, kKnight}) add_move(moves, n, i, to, k, capture);
      else
        add_move(moves, n, i, to, -1, capture);
    };
    if (!(b.occupied >> one & 1)) {
      push(one, false);
      int two = one + 8 * dir;
      if (r == (m.colour == 0 ? 1 : 6) && !(b.occupied >> two & 1)) add_move(moves, n, i, two, -1, false);
    }
    for (int df : {-1, 1}) {
      if (f + df < 0 || f + df > 7) continue;
      int to = one + df;
      if (target(to) == 1 || to == b.en_passant) push(to, true);
    }
    return;
  }
  if (m.kind == kKing || m.kind == kKnight) {
    const int(*steps)[2] = m.kind == kKing ? kKingSteps : kKnightSteps;
    for (int k = 0; k < 8; ++k) {
      int tr = r + steps[k][0], tf = f + steps[k][1];
      if (tr < 0 || tr > 7 || tf < 0 || tf > 7) continue;
      int t = target(8 * tr + tf);
      if (t >= 0) add_move(moves, n, i, 8 * tr + tf, -1, t == 1);
    }
    return;
  }
  int first = m.kind == kBishop ? 4 : 0, last = m.kind == kRook ? 4 : 8;
  for (int k = first; k < last; ++k) {
    for (int tr = r + kKingSteps[k][0], tf = f + kKingSteps[k][1]; tr >= 0 && tr <= 7 && tf >= 0 && tf <= 7;
         tr += kKingSteps[k][0], tf += kKingSteps[k][1]) {
      int t = target(8 * tr + tf);
      if (t >= 0) add_move(moves, n, i, 8 * tr + tf, -1, t == 1);
      if (t != 0) break;
    }
  }
}

}  // namespace

TbBoard board_from_placement(int row, const Placement& p) {
  static int counts[tablebase::kClassCount][2][5];
  static int counted_row = -1;
  if (counted_row != row) {
    for (int side = 0; side < 2; ++side)
      for (int k = 0; k < 5; ++k) counts[row][side][k] = tablebase::class_piece_count(row, side, kLetter[kSlotKind[k]]);
    counted_row = row;
  }
  TbBoard b{};
  for (int side = 0; side < 2; ++side) {
    const int* squares = side == 0 ? p.first : p.second;
    b.man[b.men++] = {static_cast<int8_t>(squares[kKingSlot]), kKing, static_cast<int8_t>(side)};
    for (int k = 0; k < 5; ++k) {
      int count = counts[row][side][k];
      for (int i = 0; i < count; ++i)
        b.man[b.men++] = {static_cast<int8_t>(squares[kKindSlot[k] + i]), kSlotKind[k], static_cast<int8_t>(side)};
    }
  }
  for (int i = 0; i < b.men; ++i) b.occupied |= uint64_t{1} << b.man[i].square;
  b.side_to_move = p.side_to_move;
  b.en_passant = p.en_passant == kNoEnPassant ? -1 : p.en_passant;
  return b;
}

bool placement_of(const TbBoard& b, int first, Placement& p) {
  int used[2][5] = {};
  for (int i = 0; i < kPieceSlots; ++i) p.first[i] = p.second[i] = kNoSquare;
  for (int i = 0; i < b.men; ++i) {
    const Man& m = b.man[i];
    int* squares = m.colour == first ? p.first : p.second;
    if (m.kind == kKing) {
      squares[kKingSlot] = m.square;
      continue;
    }
    int k = m.kind - 1;  // q r b n p
    if (used[m.colour][k] == 3) return false;
    squares[kKindSlot[k] + used[m.colour][k]++] = m.square;
  }
  p.side_to_move = b.side_to_move == first ? 0 : 1;
  p.en_passant = b.en_passant < 0 ? kNoEnPassant : b.en_passant;
  return true;
}

bool in_check(const TbBoard& b, int colour) {
  int king = -1;
  for (int i = 0; i < b.men; ++i)
    if (b.man[i].kind == kKing && b.man[i].colour == colour) king = b.man[i].square;
  for (int i = 0; i < b.men; ++i) {
    const Man& m = b.man[i];
    if (m.colour != colour && tablebase::piece_attacks(kLetter[m.kind], m.colour == 0, m.square, king, b.occupied))
      return true;
  }
  return false;
}

int legal_moves(const TbBoard& b, TbMove* moves) {
  TbMove pseudo[kMaxMoves];
  int n = 0, legal = 0;
  for (int i = 0; i < b.men; ++i)
    if (b.man[i].colour == b.side_to_move) man_moves(b, i, pseudo, n);
  for (int k = 0; k < n; ++k) {
    TbBoard child = make(b, pseudo[k]);
    if (!in_check(child, b.side_to_move)) moves[legal++] = pseudo[k];
  }
  return legal;
}

TbBoard make(const TbBoard& b, const TbMove& m) {
  TbBoard c = b;
  Man moved = b.man[m.man];
  int victim = -1;
  if (m.capture) {
    victim = at(b, m.to);
    if (victim < 0) victim = at(b, m.to + (moved.colour == 0 ? -8 : 8));  // en passant
  }
  int from = moved.square;
  c.man[m.man].square = m.to;
  if (m.promotion >= 0) c.man[m.man].kind = m.promotion;
  if (victim >= 0) {
    c.occupied &= ~(uint64_t{1} << b.man[victim].square);
    c.man[victim] = c.man[--c.men];
  }
  c.occupied = (c.occupied & ~(uint64_t{1} << from)) | uint64_t{1} << m.to;
  c.side_to_move = 1 - b.side_to_move;
  c.en_passant = -1;
  if (moved.kind == kPawn && (m.to - from == 16 || from - m.to == 16)) {
    for (int i = 0; i < c.men; ++i) {
      const Man& o = c.man[i];
      if (o.kind == kPawn && o.colour != moved.colour && rank64(o.square) == rank64(m.to) &&
          (file64(o.square) - file64(m.to) == 1 || file64(m.to) - file64(o.square) == 1))
        c.en_passant = (from + m.to) / 2;
    }
  }
  return c;
}

namespace {

bool pawn_beside(const TbBoard& b, int square, int colour) {
  for (int i = 0; i < b.men; ++i) {
    const Man& o = b.man[i];
    if (o.kind == kPawn && o.colour == colour && rank64(o.square) == rank64(square) &&
        (file64(o.square) - file64(square) == 1 || file64(square) - file64(o.square) == 1))
      return true;
  }
  return false;
}

// The board with man i moved back to `to`, and its en passant variants.
void add_unmove(const TbBoard& b, int i, int to, TbBoard* out, int& n) {
  TbBoard q = b;
  q.occupied = (q.occupied & ~(uint64_t{1} << b.man[i].square)) | uint64_t{1} << to;
  q.man[i].square = static_cast<int8_t>(to);
  q.side_to_move = 1 - b.side_to_move;
  q.en_passant = -1;
  out[n++] = q;
  // The other side may just have stepped a pawn two squares past ours.
  int stepped = b.side_to_move, dir = stepped == 0 ? 8 : -8;
  for (int k = 0; k < q.men; ++k) {
    const Man& p = q.man[k];
    if (p.kind != kPawn || p.colour != stepped || rank64(p.square) != (stepped == 0 ? 3 : 4)) continue;
    int passed = p.square - dir, origin = p.square - 2 * dir;
    if ((q.occupied >> passed & 1) || (q.occupied >> origin & 1) || !pawn_beside(q, p.square, q.side_to_move))
      continue;
    out[n] = q;
    out[n++].en_passant = passed;
  }
}

}  // namespace

int unmoves(const TbBoard& b, TbBoard* out) {
  int n = 0, mover = 1 - b.side_to_move;
  int dir = mover == 0 ? 8 : -8;
  if (b.en_passant >= 0) {
    int landed = b.en_passant + dir;
    for (int i = 0; i < b.men; ++i)
      if (b.man[i].square == landed) add_unmove(b, i, b.en_passant - dir, out, n);
    return n;
  }
  for (int i = 0; i < b.men; ++i) {
    const Man& m = b.man[i];
    if (m.colour != mover) continue;
    int r = rank64(m.square), f = file64(m.square);
    if (m.kind == kPawn) {
      int back = m.square - dir;
      if ((b.occupied >> back & 1) || rank64(back) == (mover == 0 ? 0 : 7)) continue;
      add_unmove(b, i, back, out, n);
      int start = back - dir;
      if (rank64(start) == (mover == 0 ? 1 : 6) && !(b.occupied >> start & 1) &&
          !pawn_beside(b, m.square, b.side_to_move))
        add_unmove(b, i, start, out, n);
      continue;
    }
    if (m.kind == kKing || m.kind == kKnight) {
      const int(*steps)[2] = m.kind == kKing ? kKingSteps : kKnightSteps;
      for (int k = 0; k < 8; ++k) {
        int tr = r + steps[k][0], tf = f + steps[k][1];
        if (tr >= 0 && tr <= 7 && tf >= 0 && tf <= 7 && !(b.occupied >> (8 * tr + tf) & 1))
          add_unmove(b, i, 8 * tr + tf, out, n);
      }
      continue;
    }
    int first = m.kind == kBishop ? 4 : 0, last = m.kind == kRook ? 4 : 8;
    for (int k = first; k < last; ++k)
      for (int tr = r + kKingSteps[k][0], tf = f + kKingSteps[k][1];
           tr >= 0 && tr <= 7 && tf >= 0 && tf <= 7 && !(b.occupied >> (8 * tr + tf) & 1);
           tr += kKingSteps[k][0], tf += kKingSteps[k][1])
        add_unmove(b, i, 8 * tr + tf, out, n);
  }
  return n;
}

}  // namespace ostrim::tools
