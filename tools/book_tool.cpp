// ostrim-tool book: build an opening book from PGN, and list what a book
// holds for a position.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"
#include "book/book.h"
#include "book_build.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

constexpr const char* kUsage =
    "usage: ostrim-tool book build <games.pgn> <book.bin> [--max-ply N] [--min-games K]\n"
    "       ostrim-tool book probe <book.bin> [\"<FEN>\"]\n";

// Every record of the position, highest weight first; a record whose move
// the position does not have is marked, since the engine never plays it.
int run_book_probe(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  draw_hash_keys();
  const char* fen = argc == 3 ? argv[2] : nullptr;
  if (setup_position(fen) != 0) {
    std::fprintf(stderr, "book probe: illegal position: %s\n", fen);
    return 2;
  }
  if (!book::open_book(argv[1])) {
    std::fprintf(stderr, "book probe: %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  book::BookEntry entries[book::kMaxBookEntries];
  int count = book::book_entries(root_position.key, entries);
  book::close_book();
  std::stable_sort(entries, entries + count,
                   [](const book::BookEntry& a, const book::BookEntry& b) { return a.weight > b.weight; });
  for (int i = 0; i < count; ++i) {
    if (is_legal_move(root_position, entries[i].move)) {
      char text[kMoveTextSize];
      move_text_in(text, root_position, entries[i].move);
      std::printf("%s %d\n", text, entries[i].weight);
    } else {
      std::printf("0x%04x %d not a legal move here\n", entries[i].move, entries[i].weight);
    }
  }
  if (count == 0) std::fprintf(stderr, "book probe: the position is not in the book\n");
  return count == 0 ? 1 : 0;
}

int run_book(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return run_book_build(argc - 1, argv + 1);
  if (argc >= 2 && std::strcmp(argv[1], "probe") == 0) return run_book_probe(argc - 1, argv + 1);
  std::fputs(kUsage, stderr);
  return 2;
}

const bool registered = register_tool(
    {"book", "build <games.pgn> <book.bin> [--max-ply N] [--min-games K] | probe <book.bin> [\"<FEN>\"]",
     "builds an opening book from the games of a PGN file; lists a position's book moves", run_book});

}  // namespace
}  // namespace ostrim::tools
