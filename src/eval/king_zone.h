#pragma once
// The king zones the search tells apart: a king move from one zone to
// another changes what the evaluation's king terms see, so the search
// evaluates afresh after it.
#include <array>
#include <cstdint>

#include "board/types.h"

namespace ostrim {

enum KingZone : int8_t {
  kZoneCentreBack = 0,  // d and e files of the first two ranks of either side
  kZoneKingSide = 1,    // f to h files there: castled short
  kZoneQueenSide = 2,   // a to c files there: castled long
  kZoneOpen = 3,        // the middle four ranks
  kZoneHome = 4,        // e1 and e8: a step off them may give up castling
};

constexpr std::array<int8_t, 128> make_king_zones() {
  std::array<int8_t, 128> zones{};
  for (Square s = 0; s < 128; ++s) {
    int r = rank_of(s), f = file_of(s) & 7;
    if (r >= 2 && r <= 5) zones[s] = kZoneOpen;
    else if (f == 4 && (r == 0 || r == 7)) zones[s] = kZoneHome;
    else if (f <= 2) zones[s] = kZoneQueenSide;
    else if (f >= 5) zones[s] = kZoneKingSide;
    else zones[s] = kZoneCentreBack;
  }
  return zones;
}

inline constexpr std::array<int8_t, 128> kKingZones = make_king_zones();

constexpr int king_zone(Square s) { return kKingZones[s & 127]; }

}  // namespace ostrim
