#pragma once
// How one table (a class and a side to move) numbers its positions.
//
// After the king pair, the pieces of the side to move form up to three
// groups (one per kind, in the order q r b n p); each group's squares are
// those the kind may take next to the other king (index_tables.h) less the
// own king's square, and like pieces count as a combination. The offset
// table gives each king pair the start of its run of group placements.
// When the side to move has only its king, the other side's pieces form
// the groups instead, kept only off the kings' squares (and pawns on ranks
// 2..7): kpk with Black to move has 84012 entries, not 1806 * 48.
//
// The other side's pieces follow as the less significant digits, group by
// group in the order q r b n p: a pawn takes ranks 2..7 less the squares of
// the pawns of the side to move; any other piece takes the squares no other
// man holds. En passant positions come after all others, numbered by king
// pair, capturing pawn (14 ways: d = file - 1 capturing to the left, file + 7
// to the right) and the remaining men: pawns on the 44 squares of ranks
// 2..7 that the two pawns, the passed square and the pawn's start leave,
// then the other pieces on the squares no man holds.
//
// The table ends at the last entry a legal position maps to: entries past
// it could only hold positions with the side not to move in check (kqk with
// White to move ends six entries early, the queen checking from the eighth
// rank).
#include <cstdint>

namespace ostrim::tablebase {

struct PieceGroup {
  int kind;   // PieceKind
  int count;  // like pieces, 1..3
  int rule;   // SquareRule: which squares the group may take
};

struct IndexLayout {
  bool pawns;       // any pawn in the class: the pawn king pairs and masks
  bool en_passant;  // both sides have pawns
  // The side to move has only its king: the other side's pieces take the
  // offset groups (under the free rules) and no digits follow.
  bool offset_other_side;
  int mover_groups;  // the offset groups
  PieceGroup mover[3];
  int other_groups;
  PieceGroup other[3];
  int mover_pawns, other_pawns;
  int mover_men, other_men;  // pieces besides the king
  const uint32_t* offsets;   // per king pair
  uint64_t placements;       // the offset table's total
  uint64_t other_span;       // the range of the other side's digits
  uint64_t ep_span;          // the range of the remaining men's digits in the en passant part
  uint64_t full_entries;     // every number the digits can form
  uint64_t entries;          // the table's size
};

// The layout of the row's table for the side to move; prepare_index_tables
// must have run.
const IndexLayout& index_layout(int row, int side);

// Trailing entries no legal position reaches, per row and side to move.
extern const uint32_t kTrailingIllegal[][2];

// The size the table's digits give less its illegal tail, found by reading
// the table backwards from its end (slow: for checking kTrailingIllegal).
uint64_t scan_table_entries(int row, int side);

// The king pair numbered `pair` (inverse of the king-pair tables).
void king_pair_squares(bool pawns, int pair, int& k1, int& k2);

}  // namespace ostrim::tablebase
