#include <gtest/gtest.h>

#include <string>

#include "support/board_fixture.h"

namespace ostrim {
namespace {

std::string text_of(Move m, int letter) {
  char t[kMoveTextSize];
  move_to_text(t, m, letter);
  return t;
}

std::string found(const char* fen, const char* text) {
  Position& p = testing::setup(fen);
  Move m = find_move(p, text);
  char t[kMoveTextSize];
  move_text_in(t, p, m);
  return t;
}

TEST(Notation, MatchAcceptsTheWrittenForms) {
  const char* start = testing::kStartFen;
  const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  const char* promote = "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1";
  struct Case {
    const char* fen;
    const char* text;
    const char* expected;  // "0000": no match
  };
  const Case cases[] = {
      {start, "e2e4", "e2e4"},  {start, "e4", "e2e4"},     {start, "e2-e4", "e2e4"},
      {start, "Ng1f3", "g1f3"}, {start, "Nf3", "g1f3"},    {start, "Ngf3", "g1f3"},
      {start, "N1f3", "g1f3"},  {start, "g1f3", "g1f3"},   {start, "Nf3+", "g1f3"},
      {start, "nf3", "0000"},   {start, "Pe4", "0000"},    {start, "e5", "0000"},
      {start, "", "0000"},      {start, "Nxf3", "g1f3"},   {start, "e2e4e2e4e2e4e2e4e2e4e2e4", "0000"},
      {castle, "O-O", "e1g1"},  {castle, "0-0-0", "e1c1"}, {castle, "O-O-O+", "e1c1"},
      {promote, "a7a8", "a7a8q"}, {promote, "a8q", "a7a8q"}, {promote, "a7a8N", "a7a8n"},
      {promote, "a7b8R", "a7b8r"}, {promote, "axb8=Q", "0000"}, {promote, "axb8Q", "a7b8q"},
      // Two knights can reach d2: the one earlier in White's list (set-up
      // reads from a8 towards h1, so f3's) is taken.
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nd2", "f3d2"},
      // A move that leaves the king attacked is not a move of the game.
      {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", "Nc3", "0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(found(c.fen, c.text), c.expected) << c.fen << " " << c.text;
}

TEST(Notation, MoveText) {
  EXPECT_EQ(text_of(make_move(make_square(4, 6), make_square(4, 7)), 'P'), "e7e8Q");
  EXPECT_EQ(text_of(make_move(make_square(4, 6), kWhitePromoteKnight + 4), 'P'), "e7e8N");
  EXPECT_EQ(text_of(make_move(make_square(1, 6), kWhitePromoteRook + 0), 'P'), "b7a8R");
  EXPECT_EQ(text_of(make_move(make_square(4, 1), kBlackPromoteBishop + 5), 'p'), "e2f1B");
  EXPECT_EQ(text_of(make_move(make_square(4, 1), make_square(4, 0)), 'p'), "e2e1Q");
  EXPECT_EQ(text_of(make_move(kE1, kG1), 'K'), "e1g1");
  EXPECT_EQ(text_of(make_move(make_square(3, 6), make_square(3, 7)), 'R'), "d7d8");
  EXPECT_EQ(text_of(kNullMove, 'E'), "0000");
  // Decoding of the under-promotion ranges.
  EXPECT_EQ(move_to(make_move(make_square(5, 6), 0xA5)), 117);
  EXPECT_EQ(move_to(make_move(make_square(5, 1), 0xD5)), 5);
  char t[kMoveTextSize];
  move_to_uci(t, make_move(make_square(4, 6), make_square(4, 7)), 'P');
  EXPECT_EQ(std::string(t), "e7e8q");
}

}  // namespace
}  // namespace ostrim
