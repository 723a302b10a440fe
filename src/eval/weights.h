#pragma once
// Derived weights: the integers the percentage options scale. Piece values
// and most weights are fixed by the first evaluation of each branch; the
// settings read on every call (no progress, space, king safety, mobility)
// are not held here.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

constexpr int kRankTableSize = 8;  // by rank from the pawn's own side; 0 and 7 unused

struct MaterialThresholds {
  int32_t switch_point;    // queen + bishop: at most this goes to the endgame evaluator
  int32_t heavy_mark;      // 4 bishops + 2 queens + 1
  int32_t minor_rook_sum;  // 2 (bishop + rook)
  int32_t bishop;          // piece material of a lone bishop (single-pawn recogniser)
};

struct MiddlegameWeights {
  int32_t isolated_pawn;       // S/20: T1
  int32_t half_open_file;      // S/20: raise of A, T1 (and twice of T2) on a half-open file
  int32_t weak_pawn;           // S/50: A
  int32_t isolated_file;       // S/50: T2 is twice this (four times with king activity)
  int32_t attacked_pawn;       // 9 S/100: control of a pawn no enemy pawn attacks
  int32_t king_centre;         // E/25
  int32_t king_centre_active;  // E/10
  int32_t king_near_enemy_pawn;  // 12 E/100
  int32_t king_near_own_pawn;    // 8 E/100
  int32_t king_escort_passer;    // 8 E/100, second copy
  int32_t king_block_passer;     // 16 E/100
  int32_t passed_with_queens[kRankTableSize];
  int32_t passed_without_queens[kRankTableSize];
  int32_t passed_connected;  // A/20
  int32_t passed_protected;  // 7 A/100
  int32_t passed_free;       // 8 A/100
};

struct EndgameWeights {
  int32_t isolated_pawn;   // 6 S/100
  int32_t weak_pawn;       // S/100
  int32_t isolated_file;   // 11 S/100
  int32_t attacked_pawn;   // 23 S/100
  int32_t king_centre;           // 12 E/100
  int32_t king_near_enemy_pawn;  // 13 E/100
  int32_t king_near_own_pawn;    // 6 E/100
  int32_t king_block_passer;     // 15 E/100
  int32_t king_escort_passer;    // E/50
  int32_t passed[kRankTableSize];
  int32_t passed_unstoppable;  // 16 A/100
  int32_t passed_connected;    // A/10
  int32_t passed_free;         // A/25
};

extern MaterialThresholds thresholds;
extern MiddlegameWeights middlegame_weights;
extern EndgameWeights endgame_weights;

// Recompute the group from the pct settings and write the piece values into
// the templates and into b (whose piece material is recounted).
void set_middlegame_weights(Board& b);
void set_endgame_weights(Board& b);

// The one-shot switches: the first caller of each computes its group.
void ensure_middlegame_weights(Board& b);
void ensure_endgame_weights(Board& b);

// Arms both switches again, as at program start. For tests that need the
// weights of other pct settings.
void rearm_weight_switches();

// A percentage setting as the evaluation uses it. The option table stores
// any number unchecked; beyond this band the 32-bit arithmetic of the
// terms would overflow, so values outside it count as its nearest end.
constexpr int32_t kPctLowest = 0;
constexpr int32_t kPctHighest = 1000;
constexpr int32_t pct(int32_t setting) {
  return setting < kPctLowest ? kPctLowest : setting > kPctHighest ? kPctHighest : setting;
}

// Piece material at or above which the middlegame evaluator runs (plus one).
inline int32_t endgame_threshold() { return thresholds.switch_point; }
// The piece material (other than 0) at which the single-pawn recogniser runs.
inline int32_t single_pawn_draw_material() { return thresholds.bishop; }

}  // namespace ostrim
