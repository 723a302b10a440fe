#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

using testing::generated_move;
using testing::setup;

// Everything make/unmake may touch, for comparison.
struct BoardImage {
  PieceRecord* squares[kSquareArraySize];
  struct Record {
    PieceRecord* next;
    PieceRecord* prev;
    int square, score, colour;
    PieceType* type;
  } records[kSlotCount + 1];
  int counts[kPieceTypeCount];
  int material, piece_count;
  int pawn_files[2][12];

  explicit BoardImage(const Board& b) {
    std::memcpy(squares, b.square_array, sizeof squares);
    for (int i = 1; i <= kSlotCount; ++i) {
      const PieceRecord& r = b.slots[i];
      records[i] = {r.next, r.prev, r.square, r.score, r.colour, r.type};
    }
    for (int i = 0; i < kPieceTypeCount; ++i) counts[i] = b.types[i].count;
    material = b.piece_material;
    piece_count = b.piece_count;
    std::memcpy(pawn_files[0], b.white.pawn_files, sizeof pawn_files[0]);
    std::memcpy(pawn_files[1], b.black.pawn_files, sizeof pawn_files[1]);
  }
  bool operator==(const BoardImage& o) const {
    for (int i = 1; i <= kSlotCount; ++i) {
      const Record& a = records[i];
      const Record& b = o.records[i];
      if (a.next != b.next || a.prev != b.prev || a.square != b.square || a.score != b.score ||
          a.colour != b.colour || a.type != b.type) {
        return false;
      }
    }

    return std::memcmp(squares, o.squares, sizeof squares) == 0 &&
           std::memcmp(counts, o.counts, sizeof counts) == 0 && material == o.material &&
           piece_count == o.piece_count && std::memcmp(pawn_files, o.pawn_files, sizeof pawn_files) == 0;
  }
};

// The counts a position should have, from its lists.
void expect_counts_match_board(Board& b) {
  int counts[kPieceTypeCount] = {};
  int pawns[2][8] = {};
  int material = 0;
  int pieces = 0;
  for (SideList* list : {&b.white, &b.black}) {
    for (PieceRecord* r = list->head.next; r != &b.header; r = r->next) {
      ASSERT_EQ(piece_at(b, r->square), r);
      ++counts[r->type->index];
      ++pieces;
      if (r->type->kind == kKindPawn)
        ++pawns[colour_index(r->colour)][file_of(r->square)];
      else if (r->type->kind != kKindKing)
        material += r->type->value;
    }
  }
  for (int i = 0; i < kPieceTypeCount; ++i) EXPECT_EQ(b.types[i].count, counts[i]) << i;
  for (int f = 0; f < 8; ++f) {
    EXPECT_EQ(pawns_on_file(b.white, f), pawns[0][f]);
    EXPECT_EQ(pawns_on_file(b.black, f), pawns[1][f]);
  }
  EXPECT_EQ(b.piece_material, material);
  EXPECT_EQ(b.piece_count, pieces);
}

// Piece scores as the evaluation leaves them (table entry plus bonus, rooks
// re-scored), so that unmake has something exact to restore.
void score_pieces(Board& b) {
  for (SideList* list : {&b.white, &b.black})
    for (PieceRecord* r = list->head.next; r != &b.header; r = r->next)
      r->score = r->type->kind == kKindRook ? r->score + rescore_rook(*r) : r->type->table[r->square] + r->type->bonus;
}

void walk(Position& p, int depth) {
  if (depth == 0) return;
  Board& b = *p.board;
  const BoardImage before(b);
  Position child;
  construct_position(child, b);
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    make_full_move(p, m, child);
    if ((child.status & status::kTerminal) == 0) {
      HashKey fresh = compute_key(b, child.side);
      ASSERT_TRUE(same_key(child.key, fresh)) << "move " << std::hex << m;
      expect_counts_match_board(b);
      if (!attacked_by(b, child.side, king_of(b, p.side)->square)) walk(child, depth - 1);
    }
    unmake_move(child);
    ASSERT_TRUE(BoardImage(b) == before) << "unmake of " << std::hex << m;
  }
}

// Along whole trees the incremental key equals the key from scratch, the
// counts match the board, and unmake restores everything.
TEST(MakeMove, KeysCountsAndUnmakeAlongPerftTrees) {
  const char* fens[] = {
      testing::kStartFen,
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
      "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
  };
  for (const char* fen : fens) {
    SCOPED_TRACE(fen);
    Position& root = setup(fen);
    score_pieces(main_board);
    walk(root, 3);
  }
}

struct MakeCase {
  const char* fen;
  std::vector<const char*> moves;
};

Position* play(std::vector<Position>& line, Position& root, const std::vector<const char*>& moves) {
  line.resize(moves.size() + 1);
  Position* p = &root;
  for (std::size_t i = 0; i < moves.size(); ++i) {
    Move m = generated_move(*p, moves[i]);
    EXPECT_NE(m, kNullMove) << moves[i];
    if (m == kNullMove) return p;
    construct_position(line[i], *root.board);
    make_full_move(*p, m, line[i]);
    p = &line[i];
  }
  return p;
}

TEST(MakeMove, KingCaptureIsTerminal) {
  Position& root = setup("4k3/8/8/8/8/8/4q3/3K4 w - - 0 1");
  std::vector<Position> line;
  // White steps into the queen's line; Black takes the king.
  Position* p = play(line, root, {"d1c2", "e2c2"});
  EXPECT_EQ(p->score, -kScoreInfinite);
  EXPECT_TRUE(p->status & status::kTerminal);
  unmake_move(line[1]);
  unmake_move(line[0]);
  EXPECT_EQ(piece_at(main_board, kD1)->type->index, kWhiteKingType);
  EXPECT_EQ(main_board.types[kWhiteKingType].count, 1);
}

TEST(MakeMove, RepetitionCounter) {
  struct Case {
    const char* fen;
    std::vector<const char*> moves;
    int repetition;
    bool terminal;
  };
  const Case cases[] = {
      // The knight dance: the eighth reversing ply makes a threefold repetition.
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       {"e2e4", "e7e5", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"}, 6, true},
      // Two reversing plies only count once the half-move clock reaches 3.
      {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", {"a1a2", "e8d8", "a2a1"}, 1, false},
      // Returning to a square inside the opponent's last path does not count.
      {"4k3/8/8/8/8/4K3/8/r1B5 w - - 0 1", {"c1d2", "a1h1", "d2c1"}, 0, false},
  };
  for (const Case& c : cases) {
    Position& root = setup(c.fen);
    std::vector<Position> line;
    Position* p = play(line, root, c.moves);
    EXPECT_EQ(p->repetition, c.repetition) << c.fen;
    EXPECT_EQ((p->status & status::kTerminal) != 0, c.terminal) << c.fen;
    if (c.terminal) {
      EXPECT_EQ(p->score, 0);
    }
  }
}

TEST(MakeMove, HundredthReversibleMoveSetsOnlySideToMoveCannotWin) {
  Position& root = setup("r3k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  root.halfmove = 99;
  std::vector<Position> line;
  Position* p = play(line, root, {"a1a2"});
  EXPECT_EQ(p->halfmove, 100);
  EXPECT_EQ(p->status & status::kNoWinner, status::kBlackCannotWin);
}

TEST(MakeMove, EnPassantCastlingAndPromotionKeepKeysAndCounts) {
  struct Case {
    const char* fen;
    std::vector<const char*> moves;
  };
  const Case cases[] = {
      {"4k3/8/8/8/4p3/8/3P4/4K3 w - - 0 1", {"d2d4", "e4d3"}},       // en passant
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {"e1g1", "e8c8"}},    // both castlings
      {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", {"a7b8q"}},               // capturing promotion
      {"4k3/8/8/8/8/8/1p6/R3K3 b Q - 0 1", {"b2a1n"}},              // under-promotion capture
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    Position& root = setup(c.fen);
    score_pieces(main_board);
    const BoardImage before(main_board);
    std::vector<Position> line;
    Position* p = play(line, root, c.moves);
    EXPECT_TRUE(same_key(p->key, compute_key(main_board, p->side)));
    expect_counts_match_board(main_board);
    for (std::size_t i = c.moves.size(); i-- > 0;) unmake_move(line[i]);
    EXPECT_TRUE(BoardImage(main_board) == before);
  }
}

TEST(MakeMove, FlagsAndRights) {
  // A double step always sets the en passant square.
  Position& root = setup("4k3/8/8/8/8/8/P7/4K3 w - - 0 1");
  std::vector<Position> line;
  Position* p = play(line, root, {"a2a4"});
  EXPECT_TRUE(p->flags & moveflag::kEnPassant);
  EXPECT_EQ(p->ep_square, make_square(0, 2));

  // Castling clears both of the mover's rights and moves the rook.
  Position& r2 = setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  p = play(line, r2, {"e1g1"});
  EXPECT_EQ(p->status & status::kAllCastling, status::kBlackCastling);
  EXPECT_EQ(piece_at(main_board, kF1)->type->index, kWhiteRookType);
  EXPECT_TRUE(is_empty(main_board, kH1));

  // Capturing the rook on h8 takes Black's king-side right.
  Position& r3 = setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  p = play(line, r3, {"h1h8"});
  EXPECT_EQ(p->status & status::kBlackCastling, status::kBlackQueenSide);
  EXPECT_EQ(p->status & status::kWhiteCastling, status::kWhiteQueenSide);
}

}  // namespace
}  // namespace ostrim
