#pragma once
// The engine's vocabulary: 0x88 squares, colours, the 16-bit move code and
// the named flag bits of the position record.
#include <cstdint>

namespace ostrim {

// ---- Squares: 16 * rank + file; on the board when (square & 0x88) == 0.
using Square = int;
constexpr Square kNullSquare = 12;  // no square; also the null move's halves

constexpr bool on_board(Square s) { return (s & 0x88) == 0; }
constexpr int file_of(Square s) { return s & 15; }
constexpr int rank_of(Square s) { return s >> 4; }
constexpr Square make_square(int file, int rank) { return 16 * rank + file; }

constexpr Square kA1 = 0, kB1 = 1, kC1 = 2, kD1 = 3, kE1 = 4, kF1 = 5, kG1 = 6, kH1 = 7;
constexpr Square kA8 = 112, kB8 = 113, kC8 = 114, kD8 = 115, kE8 = 116, kF8 = 117, kG8 = 118,
                 kH8 = 119;

// ---- Colours.
using Colour = int;
constexpr Colour kWhite = 1;
constexpr Colour kBlack = -1;
constexpr Colour kNoColour = 0;
// 0 for White, 1 for Black: the index of per-colour arrays.
constexpr int colour_index(Colour c) { return c > 0 ? 0 : 1; }

// ---- Moves: low byte from-square, high byte (signed) to-square or an
// under-promotion code whose low four bits are the to-file.
using Move = std::uint16_t;
constexpr Move kNullMove = 0x0C0C;

constexpr Move make_move(Square from, int to_code) {
  return static_cast<Move>((from & 0xFF) | ((to_code & 0xFF) << 8));
}
constexpr Square move_from(Move m) { return m & 0xFF; }
// The high byte as a signed value: a square, or negative for an under-promotion.
constexpr int move_to_code(Move m) { return static_cast<std::int8_t>(m >> 8); }
constexpr bool is_underpromotion(Move m) { return move_to_code(m) < 0; }
// The destination square, also for an under-promotion code.
constexpr Square move_to(Move m) {
  int code = move_to_code(m);
  if (code >= 0) return code;
  return code < -64 ? 112 + (code & 15) : (code & 15);
}

// Under-promotion codes (unsigned high bytes; add the to-file).
constexpr int kWhitePromoteRook = 0x80;
constexpr int kWhitePromoteBishop = 0x90;
constexpr int kWhitePromoteKnight = 0xA0;
constexpr int kBlackPromoteKnight = 0xD0;
constexpr int kBlackPromoteBishop = 0xE0;
constexpr int kBlackPromoteRook = 0xF0;

// ---- Piece kinds (the `kind` field) and attack bits.
constexpr int kKindEmpty = 6;
constexpr int kKindPawn = 7;
constexpr int kKindKnight = 8;
constexpr int kKindBishop = 9;
constexpr int kKindRook = 10;
constexpr int kKindQueen = 11;
constexpr int kKindKing = 12;

// The kind an under-promotion code makes: rook, bishop or knight.
constexpr int underpromotion_kind(int code) {
  if (code >= -16 || code < -112) return kKindRook;
  if (code >= -32 || code < -96) return kKindBishop;
  return kKindKnight;
}

constexpr int kAttackKing = 1;
constexpr int kAttackQueen = 2;
constexpr int kAttackRook = 4;
constexpr int kAttackBishop = 8;
constexpr int kAttackKnight = 16;
constexpr int kAttackWhitePawn = 32;
constexpr int kAttackBlackPawn = 64;
constexpr int kAttackSliders = kAttackQueen | kAttackRook | kAttackBishop;

// ---- Piece type indices, in their fixed order k q r b n p E P N B R Q K.
constexpr int kBlackKingType = 0;
constexpr int kBlackQueenType = 1;
constexpr int kBlackRookType = 2;
constexpr int kBlackBishopType = 3;
constexpr int kBlackKnightType = 4;
constexpr int kBlackPawnType = 5;
constexpr int kEmptyType = 6;
constexpr int kWhitePawnType = 7;
constexpr int kWhiteKnightType = 8;
constexpr int kWhiteBishopType = 9;
constexpr int kWhiteRookType = 10;
constexpr int kWhiteQueenType = 11;
constexpr int kWhiteKingType = 12;
constexpr int kPieceTypeCount = 13;

// ---- Position status flags.
namespace status {
constexpr uint32_t kWhiteKingSide = 2;
constexpr uint32_t kBlackKingSide = 4;
constexpr uint32_t kWhiteQueenSide = 8;
constexpr uint32_t kBlackQueenSide = 16;
constexpr uint32_t kWhiteCastling = kWhiteKingSide | kWhiteQueenSide;
constexpr uint32_t kBlackCastling = kBlackKingSide | kBlackQueenSide;
constexpr uint32_t kAllCastling = kWhiteCastling | kBlackCastling;
constexpr uint32_t kWhiteCannotWin = 32;
constexpr uint32_t kBlackCannotWin = 64;
constexpr uint32_t kNoWinner = kWhiteCannotWin | kBlackCannotWin;
constexpr uint32_t kEvasionExtended = 0x80;    // a check evasion extended below depth 1
constexpr uint32_t kThreatRecord = 0x100;      // a threat or pre-search record
constexpr uint32_t kAdjustmentPending = 0x400; // no-progress adjustment pending
constexpr uint32_t kTerminal = 0x800;          // the score is final
constexpr uint32_t kWhiteRootMark = 0x1000;    // quiescence allowances
constexpr uint32_t kBlackRootMark = 0x2000;
constexpr uint32_t kRootMarks = kWhiteRootMark | kBlackRootMark;
}  // namespace status

// ---- Position move flags.
namespace moveflag {
constexpr uint32_t kSpecial = 0x1;            // castling, promotion or en passant
constexpr uint32_t kRefutationPressure = 0x2;
constexpr uint32_t kEnPassant = 0x4;          // the en passant square is valid
constexpr uint32_t kThreatPending = 0x8;      // a first piece is designated
constexpr uint32_t kNoFrontierPruning = 0x20;
constexpr uint32_t kBadMove = 0x40;
constexpr uint32_t kMateThreat = 0x80;
constexpr uint32_t kNarrowFilter = 0x100;
constexpr uint32_t kReduced = 0x200;          // null window at alpha
constexpr uint32_t kExtended = 0x400;
constexpr uint32_t kNoThreat = 0x800;         // threat test done, none found
constexpr uint32_t kNoPieceMaterial = 0x1000; // pure pawn ending reached
constexpr uint32_t kWorkerNode = 0x2000;
}  // namespace moveflag

// ---- Scores.
constexpr int kScoreInfinite = 9999;
constexpr int ScoreInfinite = kScoreInfinite;
constexpr int kMateScore = 9900;   // |score| at or above: a mate score in the search
constexpr int kRootFloor = -9998;  // being mated at the root

}  // namespace ostrim
