#pragma once
// The opening book: a sorted file of 12-byte records keyed by position key.
#include "board/board.h"

namespace ostrim::book {

// Closes the current book and opens the file; false (with errno set) when it
// cannot be opened.
bool open_book(const char* path);
// Forgets the book.
void close_book();
// A book move for the position, or the null move. threshold: selectivity x 10.
Move book_move(const Position& p, int threshold);

}  // namespace ostrim::book
