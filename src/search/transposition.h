#pragma once
// The transposition table: scores, bounds and best moves of searched
// positions, repetition marks for the game and for every thread's path, and
// an owner mark so that only the thread holding an entry writes it.
#include <atomic>
#include <cstdint>

#include "board/board.h"

namespace ostrim {

namespace ttflag {
constexpr uint16_t kOwnerMask = 0x00FF;
constexpr uint16_t kSeenTwice = 0x1000;    // with kOnPath: a second game occurrence
constexpr uint16_t kSeenThrice = 0x0800;   // with both above: a third one or more
constexpr uint16_t kOccurrences = 0x3800;
constexpr uint16_t kOnPath = 0x2000;
constexpr uint16_t kUpperBound = 0x4000;
constexpr uint16_t kLowerBound = 0x8000;
constexpr uint16_t kExact = kUpperBound | kLowerBound;
}  // namespace ttflag

constexpr uint8_t kGameHistoryDepthKey = 255;
constexpr int kEngineThread = 1;  // also the owner of the game-history marks

struct TTEntry {
  uint32_t key_low;
  uint16_t key_high;
  int16_t score;
  std::atomic<uint16_t> flags;
  uint8_t move_from;
  uint8_t move_to;     // the null square: no move
  uint8_t depth_key;   // 2 x depth (+1 with a threat pending); 0 nothing; 255 game history
  uint8_t generation;
};
static_assert(sizeof(TTEntry) == 16, "entries are 16 bytes");

// Any search thread reads an entry while the thread holding it may write
// it: every field is read and written whole (a plain move on this hardware).
template <class T>
inline T tt_read(const T& field) {
  return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <class T, class V>
inline void tt_write(T& field, V value) {
  std::atomic_ref<T>(field).store(static_cast<T>(value), std::memory_order_relaxed);
}

inline Move entry_move(const TTEntry& e) {
  return static_cast<Move>(tt_read(e.move_from) | (tt_read(e.move_to) << 8));
}
inline bool entry_has_move(const TTEntry& e) { return tt_read(e.move_to) != kNullSquare; }
inline bool entry_key_is(const TTEntry& e, const HashKey& k) {
  return tt_read(e.key_low) == k.low && tt_read(e.key_high) == k.high;
}

struct TranspositionTable {
  TTEntry* entries = nullptr;
  uint64_t count = 0;     // N
  int8_t generation = 0;  // 0..15
};

extern TranspositionTable transposition_table;

// Replaces the table by a cleared one of bytes / 16 entries (at least 4).
// False when the memory cannot be had; the old table then stays.
bool allocate_table(uint64_t bytes);
void clear_table();

// The first of the key's four slots holding the key, or none.
TTEntry* find_entry(const HashKey& key);

// What a probe found: an entry this thread now holds, an entry another
// thread holds for the same key (read only), or nothing.
struct Probe {
  TTEntry* entry = nullptr;
  bool held = false;
  uint16_t flags_before = 0;  // the flag word before the claim
};

Probe probe_and_claim(const HashKey& key, int replacement_floor, int thread);

// Gives the entry back: the owner byte and the on-path bit return to what
// they were before the claim.
void release_entry(TTEntry& e, uint16_t flags_before);

// Before a search: optionally ages the table, then marks the game's positions.
void new_search(bool bump_generation);
// After a search: removes the game-history marks; after a stopped search
// also every leftover owner byte and on-path bit.
void end_search(bool stopped);
// Marks every position of the game's key history, newest first.
void mark_game_history();
void unmark_game_history();

}  // namespace ostrim
