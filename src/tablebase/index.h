#pragma once
// The index functions: a position of a material class, reduced by the
// board's symmetries, to its entry number in the class's table.
#include <cstdint>

namespace ostrim::tablebase {

// Piece-square array of one side: squares in 0..63 (8 * rank + file);
// entries 0..2 pawns, 3..5 knights, 6..8 bishops, 9..11 rooks, 12..14
// queens, 15 the king. Entries beyond the pieces present are unset.
constexpr int kPieceSlots = 16;
constexpr int kKingSlot = 15;
constexpr int kNoEnPassant = 127;

// (first side's squares, second side's squares, en passant square in 0..63
// or kNoEnPassant, colour-exchange flag 0 or 1) -> entry number.
using IndexFunction = uint64_t (*)(const int* first, const int* second, int en_passant, int exchange);

// Builds the shared rank, count and offset tables; later calls do nothing.
void prepare_index_tables();

// The class's function and table size for the side to move (0 White,
// 1 Black). A row without tables (kk) has none and size 0.
IndexFunction index_function(int row, int side);
uint64_t table_entries(int row, int side);

}  // namespace ostrim::tablebase
