#pragma once
// The material lookup: the counts of White's pawns, knights, bishops, rooks
// and queens, then Black's, lead to the registry row of that material (+row)
// or of its colour-exchanged twin (-row). Ten levels, at most four pieces
// besides the kings in all.
#include <cstdint>

namespace ostrim::tablebase {

constexpr int kMaterialLevels = 10;
constexpr int kMostPieces = 4;  // besides the two kings
constexpr int32_t kNoTable = 0;

// Per level: White P N B R Q, then Black P N B R Q.
using MaterialCounts = int[kMaterialLevels];

// Builds the tree on first use; later calls do nothing.
void build_material_tree();

// Clears every leaf.
void clear_material_tree();

// The leaf of the counts, kNoTable when none or beyond the tree.
int32_t find_material(const MaterialCounts& counts);

// Stores the value in the leaf; false when the counts lie beyond the tree.
bool store_material(const MaterialCounts& counts, int32_t value);

}  // namespace ostrim::tablebase
