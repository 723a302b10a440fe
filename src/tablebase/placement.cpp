#include "tablebase/placement.h"

#include "tablebase/classes.h"
#include "tablebase/index_tables.h"

namespace ostrim::tablebase {

namespace {

// Pieces per row, side and kind, read once from the class names.
const int (&piece_counts(int row))[2][kKindCount] {
  static int counts[kClassCount][2][kKindCount];
  static bool counted = false;
  if (!counted) {
    for (int r = 0; r < kClassCount; ++r)
      for (int side = 0; side < 2; ++side)
        for (int kind = 0; kind < kKindCount; ++kind) counts[r][side][kind] = class_piece_count(r, side, kKindLetter[kind]);
    counted = true;
  }
  return counts[row];
}

template <typename Visit>
void for_each_man(int row, const Placement& p, Visit visit) {
  const int(&counts)[2][kKindCount] = piece_counts(row);
  for (int side = 0; side < 2; ++side) {
    const int* squares = side == 0 ? p.first : p.second;
    visit(side, 'k', squares[kKingSlot]);
    for (int kind = 0; kind < kKindCount; ++kind)
      for (int i = 0; i < counts[side][kind]; ++i) visit(side, kKindLetter[kind], squares[kKindSlot[kind] + i]);
  }
}

bool ray_attacks(int from, int to, uint64_t occupied, bool straight, bool diagonal) {
  int dr = rank64(to) - rank64(from), df = file64(to) - file64(from);
  bool is_straight = dr == 0 || df == 0;
  bool is_diagonal = dr == df || dr == -df;
  if (from == to || !((straight && is_straight) || (diagonal && is_diagonal))) return false;
  int step = 8 * ((dr > 0) - (dr < 0)) + ((df > 0) - (df < 0));
  for (int s = from + step; s != to; s += step)
    if (occupied >> s & 1) return false;
  return true;
}

}  // namespace

uint64_t occupied_squares(int row, const Placement& p) {
  uint64_t occupied = 0;
  for_each_man(row, p, [&](int, char, int s) { occupied |= uint64_t{1} << s; });
  return occupied;
}

bool piece_attacks(char kind, bool white, int from, int to, uint64_t occupied) {
  int adr = rank64(to) - rank64(from), adf = file64(to) - file64(from);
  switch (kind) {
    case 'k': return from != to && king_distance(from, to) == 1;
    case 'n': return adr * adf == 2 || adr * adf == -2;
    case 'p': return adr == (white ? 1 : -1) && (adf == 1 || adf == -1);
    case 'b': return ray_attacks(from, to, occupied, false, true);
    case 'r': return ray_attacks(from, to, occupied, true, false);
    default: return ray_attacks(from, to, occupied, true, true);
  }
}

bool side_attacks(int row, const Placement& p, int by_side, int square, uint64_t occupied) {
  bool found = false;
  for_each_man(row, p, [&](int side, char kind, int s) {
    if (side == by_side && !found) found = piece_attacks(kind, side == 0, s, square, occupied);
  });
  return found;
}

bool legal_placement(int row, const Placement& p) {
  uint64_t occupied = 0;
  bool sound = true;
  for_each_man(row, p, [&](int, char kind, int s) {
    if (s < 0 || s > 63 || (occupied >> s & 1)) sound = false;
    else occupied |= uint64_t{1} << s;
    if (kind == 'p' && (rank64(s) == 0 || rank64(s) == 7)) sound = false;
  });
  if (!sound || king_distance(p.first[kKingSlot], p.second[kKingSlot]) < 2) return false;
  int mover = p.side_to_move;
  const int* waiting = mover == 0 ? p.second : p.first;
  if (side_attacks(row, p, mover, waiting[kKingSlot], occupied)) return false;
  if (p.en_passant == kNoEnPassant) return true;
  // The waiting side's pawn stepped from `origin` over e to `landed`.
  int e = p.en_passant, forward = mover == 0 ? 8 : -8;
  if (rank64(e) != (mover == 0 ? 5 : 2)) return false;
  int landed = e - forward, origin = e + forward;
  if ((occupied >> e & 1) || (occupied >> origin & 1)) return false;
  const int* mover_squares = mover == 0 ? p.first : p.second;
  bool pushed = false, beside = false;
  for (int i = 0; i < piece_counts(row)[1 - mover][kPawnKind]; ++i) pushed |= waiting[i] == landed;
  for (int i = 0; i < piece_counts(row)[mover][kPawnKind]; ++i) {
    int s = mover_squares[i];
    beside |= rank64(s) == rank64(landed) && (file64(s) - file64(landed) == 1 || file64(landed) - file64(s) == 1);
  }
  return pushed && beside;
}

}  // namespace ostrim::tablebase
