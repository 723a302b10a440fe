#pragma once
// The opening book: a sorted file of 12-byte records keyed by position key.
#include <cstdint>

#include "board/board.h"

namespace ostrim::book {

// Record layout, little-endian: key low word, key high word, two reserved
// bytes, move, signed weight. Sorted by the first six bytes as a byte string.
constexpr int kRecordSize = 12;
constexpr int kKeyBytes = 6;
constexpr int kMoveOffset = 8;
constexpr int kWeightOffset = 10;
// The most records one position may have; the lookup collects no more.
constexpr int kMaxBookEntries = 100;

struct BookEntry {
  Move move;
  int16_t weight;
};

// Closes the current book and opens the file; false (with errno set) when it
// cannot be opened.
bool open_book(const char* path);
// Forgets the book.
void close_book();
// A legal move of p from the book, or the null move. threshold: selectivity x 10.
Move book_move(const Position& p, int threshold);

// The run of records with the key, as the lookup collects it: the record the
// binary search hit, then its neighbours backwards, then forwards. The count.
int book_entries(const HashKey& key, BookEntry entries[kMaxBookEntries]);

// The six key bytes as the file stores them.
void key_bytes(const HashKey& key, uint8_t out[kKeyBytes]);

// The random state; opening a book seeds it from the clock. For tests.
void seed_book_random(uint32_t state);
uint32_t book_random_state();

}  // namespace ostrim::book
