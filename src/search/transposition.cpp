#include "search/transposition.h"

#include <cstring>
#include <new>

#include "board/game_record.h"

namespace ostrim {

TranspositionTable transposition_table;

namespace {

uint64_t index_of(const HashKey& key) {
  uint32_t mixed = key.low ^ key.high;
  return mixed % static_cast<uint32_t>(transposition_table.count - 3);
}

int age_of(const TTEntry& e) { return (transposition_table.generation - tt_read(e.generation)) & 15; }

}  // namespace

bool allocate_table(uint64_t bytes) {
  uint64_t count = bytes / sizeof(TTEntry);
  if (count < 4) count = 4;
  TTEntry* entries = static_cast<TTEntry*>(::operator new(count * sizeof(TTEntry), std::nothrow));
  if (entries == nullptr) return false;
  ::operator delete(transposition_table.entries);
  transposition_table.entries = entries;
  transposition_table.count = count;
  transposition_table.generation = 0;
  clear_table();
  return true;
}

void clear_table() {
  std::memset(static_cast<void*>(transposition_table.entries), 0,
              transposition_table.count * sizeof(TTEntry));
}

TTEntry* find_entry(const HashKey& key) {
  if (transposition_table.entries == nullptr) return nullptr;
  TTEntry* window = transposition_table.entries + index_of(key);
  for (int i = 0; i < 4; ++i)
    if (entry_key_is(window[i], key)) return &window[i];
  return nullptr;
}

Probe probe_and_claim(const HashKey& key, int replacement_floor, int thread) {
  Probe probe;
  if (transposition_table.entries == nullptr) return probe;
  TTEntry* window = transposition_table.entries + index_of(key);
  for (;;) {
    TTEntry* taken = nullptr;
    TTEntry* remembered = nullptr;
    int best_value = 0;
    for (int i = 0; i < 4; ++i) {
      TTEntry& e = window[i];
      uint16_t owner = e.flags.load(std::memory_order_acquire) & ttflag::kOwnerMask;
      if ((tt_read(e.depth_key) == 0 && owner == 0) || entry_key_is(e, key)) {
        taken = &e;
        break;
      }
      if (owner != 0) continue;
      int value = 256 * age_of(e) - tt_read(e.depth_key);
      if (value > -replacement_floor && (remembered == nullptr || value > best_value)) {
        remembered = &e;
        best_value = value;
      }
    }
    if (taken == nullptr) taken = remembered;
    if (taken == nullptr) return probe;  // searched without the table

    uint16_t before = taken->flags.load(std::memory_order_acquire);
    uint16_t owner = before & ttflag::kOwnerMask;
    if (owner != 0 && owner != thread) {
      if (!entry_key_is(*taken, key)) continue;  // claimed by another thread meanwhile
      probe.entry = taken;                        // read only
      probe.flags_before = before;
      return probe;
    }
    if (owner == 0) {
      uint16_t claimed = static_cast<uint16_t>((before & ~ttflag::kOwnerMask) | thread);
      if (!taken->flags.compare_exchange_strong(before, claimed, std::memory_order_acq_rel)) continue;
    }
    tt_write(taken->generation, transposition_table.generation);
    if (!entry_key_is(*taken, key)) {
      tt_write(taken->depth_key, 0);
      tt_write(taken->key_low, key.low);
      tt_write(taken->key_high, key.high);
      tt_write(taken->move_to, kNullSquare);
    }
    probe.entry = taken;
    probe.held = true;
    probe.flags_before = before;
    return probe;
  }
}

void release_entry(TTEntry& e, uint16_t flags_before) {
  constexpr uint16_t kRestored = ttflag::kOnPath | ttflag::kOwnerMask;
  uint16_t now = e.flags.load(std::memory_order_relaxed);
  e.flags.store(static_cast<uint16_t>((now & ~kRestored) | (flags_before & kRestored)),
                std::memory_order_release);
}

void mark_game_history() {
  for (int i = key_history.length - 1; i >= 0; --i) {
    Probe probe = probe_and_claim(key_history.keys[i], kGameHistoryDepthKey, kEngineThread);
    if (!probe.held) continue;
    TTEntry& e = *probe.entry;
    uint16_t before = probe.flags_before;
    uint16_t mark = 0x2001;
    if (before & ttflag::kOnPath) {
      bool twice = (before & (ttflag::kSeenTwice | ttflag::kOnPath)) == (ttflag::kSeenTwice | ttflag::kOnPath);
      mark = twice ? 0x3801 : 0x3001;
    }
    e.depth_key = kGameHistoryDepthKey;
    e.score = 0;
    e.flags.store(mark, std::memory_order_release);
  }
}

void unmark_game_history() {
  for (int i = 0; i < key_history.length; ++i) {
    TTEntry* e = find_entry(key_history.keys[i]);
    if (e == nullptr || e->depth_key != kGameHistoryDepthKey) continue;
    e->key_low = 0;
    e->key_high = 0;
    e->score = 0;
    e->flags.store(0, std::memory_order_release);
    e->depth_key = 0;
    e->move_from = kNullSquare;
    e->move_to = kNullSquare;
  }
}

void new_search(bool bump_generation) {
  if (bump_generation) transposition_table.generation = (transposition_table.generation + 1) & 15;
  mark_game_history();
}

void end_search(bool stopped) {
  unmark_game_history();
  if (!stopped) return;
  constexpr uint16_t kLeftovers = ttflag::kOnPath | ttflag::kOwnerMask;
  for (uint64_t i = 0; i < transposition_table.count; ++i) {
    TTEntry& e = transposition_table.entries[i];
    uint16_t f = e.flags.load(std::memory_order_relaxed);
    if (f & kLeftovers) e.flags.store(static_cast<uint16_t>(f & ~kLeftovers), std::memory_order_relaxed);
  }
}

}  // namespace ostrim
