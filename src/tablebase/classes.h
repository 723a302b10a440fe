#pragma once
// The material classes the tablebases cover: one row per class, in the
// fixed order the index functions, the file names and the material lookup
// share.
#include <cstdint>

namespace ostrim::tablebase {

constexpr int kClassCount = 441;

// Row flags.
constexpr uint32_t kSymmetric = 1;   // one table serves both sides to move
constexpr uint32_t kWordEntries = 2; // 16-bit little-endian entries, else signed bytes
constexpr uint32_t kSplitTable = 4;  // stored in parts of 2^31 bytes

struct MaterialClass {
  const char* name;  // k, first side's pieces, k, second side's (order q r b n p)
  uint32_t flags;
};

extern const MaterialClass kClasses[kClassCount];

// Number of pieces of the kind ('q', 'r', 'b', 'n' or 'p') on the side
// (0 the first side in the name, 1 the second).
int class_piece_count(int row, int side, char kind);

// Kings included.
int class_men(int row);

// The row of the class name, -1 when there is none.
int find_class(const char* name);

}  // namespace ostrim::tablebase
