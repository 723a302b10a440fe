#include "eval/weights.h"

#include <atomic>

#include "common/settings.h"
#include "platform/sleep.h"

namespace ostrim {
namespace {

struct KindValues {
  int kind;
  int value;
  int second_value;
};
constexpr KindValues kBuiltIn[] = {
    {kKindPawn, 49, 87},    {kKindKnight, 228, 308}, {kKindBishop, 242, 319},
    {kKindRook, 350, 519},  {kKindQueen, 732, 995},
};
constexpr int kKingValue = 14000;

// Armed (1) at start; the winner of the exchange computes (2) and clears it (0).
constexpr int kDone = 0;
constexpr int kArmed = 1;
constexpr int kComputing = 2;
std::atomic<int> middlegame_switch{kArmed};
std::atomic<int> endgame_switch{kArmed};

// Other threads wait for the winner: the weights are read right after.
void run_once(std::atomic<int>& sw, void (*compute)(Board&), Board& b) {
  if (sw.load(std::memory_order_acquire) == kDone) return;
  int expected = kArmed;
  if (sw.compare_exchange_strong(expected, kComputing, std::memory_order_acq_rel)) {
    compute(b);
    sw.store(kDone, std::memory_order_release);
    return;
  }
  while (sw.load(std::memory_order_acquire) != kDone) platform::yield_thread();
}

int scaled_value(int kind, bool second) {
  for (const KindValues& k : kBuiltIn) {
    if (k.kind != kind) continue;
    int percent = kind == kKindPawn ? pct(settings.pawn_pct) : pct(settings.pieces_pct);
    return (second ? k.second_value : k.value) * percent / 100;
  }
  return kind == kKindKing ? kKingValue : 0;
}

// Both switches write the same values; the board's material is recounted
// so that make/unmake stay consistent with the values they subtract.
void set_piece_values(Board& b) {
  for (int i = 0; i < kPieceTypeCount; ++i) {
    PieceType& t = piece_type_templates[i];
    if (t.kind == kKindEmpty) continue;
    t.value = scaled_value(t.kind, false);
    t.second_value = scaled_value(t.kind, true);
    b.types[i].value = t.value;
    b.types[i].second_value = t.second_value;
  }
  int material = 0;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const PieceRecord& r = b.slots[slot];
    if (r.colour == kNoColour || !on_board(r.square)) continue;
    int kind = r.type->kind;
    if (kind >= kKindKnight && kind <= kKindQueen) material += r.type->value;
  }
  b.piece_material = material;

  int bishop = scaled_value(kKindBishop, false);
  int rook = scaled_value(kKindRook, false);
  int queen = scaled_value(kKindQueen, false);
  thresholds.switch_point = queen + bishop;
  thresholds.heavy_mark = 4 * bishop + 2 * queen + 1;
  thresholds.minor_rook_sum = 2 * (bishop + rook);
  thresholds.bishop = bishop;
}

void compute_middlegame(Board& b) { set_middlegame_weights(b); }
void compute_endgame(Board& b) { set_endgame_weights(b); }

}  // namespace

MaterialThresholds thresholds = {974, 2433, 1184, 242};

MiddlegameWeights middlegame_weights = {
    5, 5, 2, 2, 9, 4, 10, 12, 8, 8, 16,
    {0, 5, 5, 10, 41, 89, 153, 0},
    {0, 1, 1, 20, 49, 86, 137, 0},
    5, 7, 8,
};

EndgameWeights endgame_weights = {
    6, 1, 11, 23, 12, 13, 6, 15, 2,
    {0, 6, 6, 31, 79, 87, 132, 0},
    16, 10, 4,
};

void set_middlegame_weights(Board& b) {
  set_piece_values(b);
  const int s = pct(settings.pawn_structure_pct);
  const int e = pct(settings.endgame_king_pct);
  const int a = pct(settings.passed_pawn_pct);
  MiddlegameWeights& w = middlegame_weights;
  w.isolated_pawn = s / 20;
  w.half_open_file = s / 20;
  w.weak_pawn = s / 50;
  w.isolated_file = s / 50;
  w.attacked_pawn = 9 * s / 100;
  w.king_centre = e / 25;
  w.king_centre_active = e / 10;
  w.king_near_enemy_pawn = 12 * e / 100;
  w.king_near_own_pawn = 8 * e / 100;
  w.king_escort_passer = 8 * e / 100;
  w.king_block_passer = 16 * e / 100;
  const int with_queens[kRankTableSize] = {0,          a / 20,     a / 20,      a / 10,
                                           41 * a / 100, 89 * a / 100, 153 * a / 100, 0};
  const int without_queens[kRankTableSize] = {0,           a / 100,     a / 100,      a / 5,
                                              49 * a / 100, 86 * a / 100, 137 * a / 100, 0};
  for (int r = 0; r < kRankTableSize; ++r) {
    w.passed_with_queens[r] = with_queens[r];
    w.passed_without_queens[r] = without_queens[r];
  }
  w.passed_connected = a / 20;
  w.passed_protected = 7 * a / 100;
  w.passed_free = 8 * a / 100;
}

void set_endgame_weights(Board& b) {
  set_piece_values(b);
  const int s = pct(settings.pawn_structure_pct);
  const int e = pct(settings.endgame_king_pct);
  const int a = pct(settings.passed_pawn_pct);
  EndgameWeights& w = endgame_weights;
  w.isolated_pawn = 6 * s / 100;
  w.weak_pawn = s / 100;
  w.isolated_file = 11 * s / 100;
  w.attacked_pawn = 23 * s / 100;
  w.king_centre = 12 * e / 100;
  w.king_near_enemy_pawn = 13 * e / 100;
  w.king_near_own_pawn = 6 * e / 100;
  w.king_block_passer = 15 * e / 100;
  w.king_escort_passer = e / 50;
  const int passed[kRankTableSize] = {0,           6 * a / 100,  6 * a / 100,   31 * a / 100,
                                      79 * a / 100, 87 * a / 100, 132 * a / 100, 0};
  for (int r = 0; r < kRankTableSize; ++r) w.passed[r] = passed[r];
  w.passed_unstoppable = 16 * a / 100;
  w.passed_connected = a / 10;
  w.passed_free = a / 25;
}

void ensure_middlegame_weights(Board& b) { run_once(middlegame_switch, compute_middlegame, b); }
void ensure_endgame_weights(Board& b) { run_once(endgame_switch, compute_endgame, b); }

void rearm_weight_switches() {
  middlegame_switch.store(kArmed, std::memory_order_release);
  endgame_switch.store(kArmed, std::memory_order_release);
}

}  // namespace ostrim
