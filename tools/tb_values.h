#pragma once
// The stored value of a table entry and the distance it stands for.
//
// Distances are counted here in plies from the side to move's view: a win
// in n moves is 2n - 1 plies, being mated in n moves 2n plies (0: mated
// now). In memory a distance is an int16_t: 0 draw, p > 0 a win in p plies,
// -(p + 1) a loss in p plies.
//
// The stored signed byte is the exact inverse of the probe's reading: a win
// in n moves is 127 - n (126 mates in one), a win in 127 moves -128; a loss
// in n moves is n - 126 for n up to 125 (-1 is mated in 125) and -127 for
// 126. Mated now is -126, which the probe reads as 0: the search finds a
// mate on the board before it asks a table. 127 means no value; entries no
// legal position reaches hold 0.
#include <cstdint>

namespace ostrim::tools {

constexpr int16_t kDraw = 0;
constexpr int kLongestByteWin = 127;   // moves
constexpr int kLongestByteLoss = 126;  // moves

constexpr int16_t win_in_plies(int plies) { return static_cast<int16_t>(plies); }
constexpr int16_t loss_in_plies(int plies) { return static_cast<int16_t>(-plies - 1); }
constexpr bool is_win(int16_t v) { return v > 0; }
constexpr bool is_loss(int16_t v) { return v < 0; }
constexpr int plies_of(int16_t v) { return v > 0 ? v : -v - 1; }

// False when the distance is too long for a byte.
constexpr bool encode_byte(int16_t v, int8_t& byte) {
  if (v == kDraw) {
    byte = 0;
    return true;
  }
  if (is_win(v)) {
    int moves = (plies_of(v) + 1) / 2;
    if (moves > kLongestByteWin) return false;
    byte = static_cast<int8_t>(moves == 127 ? -128 : 127 - moves);
    return true;
  }
  int moves = plies_of(v) / 2;
  if (moves > kLongestByteLoss) return false;
  byte = static_cast<int8_t>(moves == 126 ? -127 : moves - 126);
  return true;
}

constexpr int16_t decode_byte(int8_t byte) {
  if (byte == 0 || byte == 127) return kDraw;
  if (byte > 0) return win_in_plies(2 * (127 - byte) - 1);
  if (byte == -128) return win_in_plies(2 * 127 - 1);
  if (byte == -127) return loss_in_plies(2 * 126);
  return loss_in_plies(2 * (byte + 126));
}

}  // namespace ostrim::tools
