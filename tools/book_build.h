#pragma once
// ostrim-tool book build: an opening book from the games of a PGN file.

namespace ostrim::tools {

// argv[0] is "build"; then <games.pgn> <book.bin> [--max-ply N] [--min-games K].
int run_book_build(int argc, char** argv);

}  // namespace ostrim::tools
