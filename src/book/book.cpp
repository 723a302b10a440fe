#include "book/book.h"

#include <cerrno>

namespace ostrim::book {

// Not built yet: there is never a book.
bool open_book(const char*) {
  errno = ENOENT;
  return false;
}
void close_book() {}
Move book_move(const Position&, int) { return kNullMove; }

}  // namespace ostrim::book
