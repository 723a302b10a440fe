#include "board/keys.h"

#include <cstring>

#include "board/piece_types.h"

namespace ostrim {

HashKey key_storage[kKeyBlocks][128];

void draw_hash_keys() {
  std::memset(key_storage, 0, sizeof key_storage);
  uint32_t state = 0;
  auto draw = [&state]() -> uint32_t {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  };
  for (int type = 0; type < kPieceTypeCount; ++type) {
    int block = type < kWhitePawnType ? type : type - kWhitePawnType;
    int slot_offset = type < kWhitePawnType ? 0 : 8;
    for (int square = 0; square < 120; ++square) {
      if (!on_board(square)) continue;
      uint32_t a = draw();
      uint32_t b = draw();
      HashKey& key = key_storage[block][square + slot_offset];
      key.low = ((a & 0x7FFF) << 16) + b;
      key.high = static_cast<uint16_t>(draw());
    }
  }
  for (int type = 0; type < kPieceTypeCount; ++type) {
    int block = type < kWhitePawnType ? type : type - kWhitePawnType;
    int slot_offset = type < kWhitePawnType ? 0 : 8;
    piece_type_templates[type].keys = &key_storage[block][slot_offset];
  }
}

}  // namespace ostrim
