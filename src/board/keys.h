#pragma once
// 48-bit position keys: a 32-bit low word (bit 31 = Black to move) and a
// 16-bit high word, drawn once from a fixed generator.
#include <cstdint>

namespace ostrim {

struct HashKey {
  uint32_t low = 0;
  uint16_t high = 0;
};
static_assert(sizeof(HashKey) == 8, "a key occupies 6 bytes of an 8-byte slot");

constexpr uint32_t kBlackToMoveBit = 0x80000000u;

inline void xor_key(HashKey& key, const HashKey& slot) {
  key.low ^= slot.low;
  key.high ^= slot.high;
}
inline bool same_key(const HashKey& a, const HashKey& b) {
  return a.low == b.low && a.high == b.high;
}

// 7 blocks of 128 slots. Types 0..6 use block = index, slot = square; types
// 7..12 use block = index - 7, slot = square + 8.
constexpr int kKeyBlocks = 7;
extern HashKey key_storage[kKeyBlocks][128];

// Clears the storage and draws every key from the generator seeded with 0,
// type by type and square by square; identical from run to run.
void draw_hash_keys();

}  // namespace ostrim
