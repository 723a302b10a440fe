#pragma once
// The board: piece records linked in per-side lists, a 0x88 square array
// with margins, the piece types, and the per-ply position record.
#include <cstdint>

#include "board/eval_state.h"
#include "board/keys.h"
#include "board/piece_types.h"
#include "board/types.h"

namespace ostrim {

struct Board;
struct Position;
struct TTEntry;
struct EvalSnapshot;

struct PieceRecord {
  PieceRecord* next;
  PieceRecord* prev;
  int32_t square;      // +8 while captured; the null square when not in play
  int32_t score;       // table entry at its square plus its type's bonus
  int32_t colour;      // 0: not in use
  PieceType* type;
  Board* board;
};

struct SideList {
  PieceRecord head;            // head.next is the side's first piece
  Board* board;
  SideList* opponent;
  Colour colour;
  int32_t pawn_files[12];      // pawns per file, files -2..9 (use pawns_on_file)
  uint32_t root_mask;          // clears this side's root mark
  uint32_t cannot_win;         // this side's cannot-win bit
  Move threat_answers[128];    // older answer for square s at [s], newer at [s + 8]
};

inline int32_t& pawns_on_file(SideList& side, int file) { return side.pawn_files[file + 2]; }

// Slots of the piece records: 1..16 Black (k q r r b b n n p*8), 17 empty,
// 18..33 White (P*8 N N B B R R Q K).
constexpr int kBlackKingSlot = 1;
constexpr int kBlackRookSlots[2] = {3, 4};
constexpr int kBlackPawnSlot = 9;   // first of eight
constexpr int kEmptySlot = 17;
constexpr int kWhitePawnSlot = 18;  // first of eight
constexpr int kWhiteRookSlots[2] = {30, 31};
constexpr int kWhiteKingSlot = 33;
constexpr int kSlotCount = 33;

constexpr int kSquareArraySize = 384;  // square indices -128..255
constexpr int kSquareArrayOffset = 128;

struct Board {
  PieceRecord header;                      // empty squares and list ends point here
  PieceRecord slots[kSlotCount + 1];       // slots[1..33]; slots[0] is unused
  PieceRecord sentinel;                    // every off-board square
  PieceRecord* square_array[kSquareArraySize];
  SideList* lists[3];                      // by colour + 1
  PieceRecord* enemy_kings[3];             // by colour + 1: the opponent's king
  int32_t piece_material;                  // knights, bishops, rooks, queens of both sides
  int32_t piece_count;                     // every piece on the board, kings and pawns too
  SideList white;
  SideList black;
  PieceType types[kPieceTypeCount];
  uint64_t nodes;                          // moves made on this board

  // Search bookkeeping.
  int32_t thread_number;                   // 1 for the engine thread, 2 + slot for workers
  int32_t epoch;                           // this thread's copy of the search epoch
  Position* root;
  Board* task_giver;                       // the owner that handed this thread its task
  Position* active_split;                  // the node at which this thread hands off moves
  int32_t held_entries;                    // transposition table entries this thread holds

  // This thread's stack of evaluation snapshots (owned by the evaluation;
  // a board clone keeps the destination's own).
  EvalSnapshot* snapshots;
  int32_t snapshot_depth;

  EvalState eval;
};

inline PieceRecord*& piece_at(Board& b, Square s) { return b.square_array[s + kSquareArrayOffset]; }
inline PieceRecord* piece_at(const Board& b, Square s) {
  return b.square_array[s + kSquareArrayOffset];
}
inline bool is_empty(const Board& b, Square s) { return piece_at(b, s) == &b.header; }
inline SideList& side_list(Board& b, Colour c) { return *b.lists[c + 1]; }
inline PieceRecord* king_of(Board& b, Colour c) { return b.enemy_kings[1 - c]; }
inline PieceRecord* enemy_king(Board& b, Colour c) { return b.enemy_kings[c + 1]; }

constexpr int kMoveStackSize = 30;

struct Position {
  Move stack[kMoveStackSize];   // the generator's buffer and the candidate stack

  uint32_t status;              // status:: bits
  uint32_t flags;               // moveflag:: bits
  int32_t score;                // incremental score, side to move's view
  int32_t previous_score;       // the moved piece's score before the move
  int32_t futility_base;
  int32_t floor;                // the score of being mated at this ply
  PieceRecord* captured;        // the board header when nothing was captured
  PieceRecord* cursor;          // the piece whose moves were generated last
  PieceRecord* designated;      // first piece to generate; the header for none
  HashKey key;
  Square ep_square;             // valid with moveflag::kEnPassant
  Colour side;
  Colour opponent;
  int32_t repetition;           // consecutive reversing plies; 6 is threefold
  int32_t halfmove;             // plies since the last capture or pawn move
  uint8_t threat_source;        // square of the threatening piece
  uint8_t threatened_square;
  Move refutation;              // to-byte set to the null square by make
  Move move;                    // the move that led here
  int32_t threat_kind;          // 0..4
  int32_t legal_count;          // moves of this node searched or pruned
  Move killers[2];              // for the children: newer, older
  Position* parent;
  SideList* side_list;
  Move* stack_top;
  Board* board;

  // Search bookkeeping, owned by the node search.
  int32_t entry_beta;
  int32_t expected;
  int32_t best_so_far;
  uint16_t bound_flags;
  uint16_t entry_flags;         // the table entry's flag word before the claim
  Move best_move;
  Move pending_threat;          // the second move slot
  uint8_t hash_move;
  TTEntry* entry;               // the held table entry, if any
};

// Empties the stack and puts the cursor on the side's list head.
inline void reset_generation(Position& p) {
  p.stack_top = p.stack;
  p.cursor = &p.side_list->head;
}

inline bool has_refutation(const Position& p) { return (p.refutation >> 8) != kNullSquare; }

// The fields every record of the other side to move takes from p: a child
// made by a move, or a record where p's side passes.
inline void begin_reply(Position& c, Position& p) {
  c.status = p.status;
  c.flags = 0;
  c.board = p.board;
  c.side = p.opponent;
  c.opponent = p.side;
  c.side_list = p.side_list->opponent;
  c.parent = &p;
}

// A new record for the board: the first killer is the null move.
void construct_position(Position& p, Board& b);

// Copies everything but the move stack; the copy's stack is empty.
void copy_position(Position& to, const Position& from);

// Copies the 13 templates into the board, links the types, records and
// lists, and clears the search bookkeeping.
void init_board(Board& b);

// The key of the board's placement from scratch, with the side to move.
HashKey compute_key(const Board& b, Colour side_to_move);

// Clones the board and a position on it onto another board: every pointer
// is moved to the destination, which keeps its own thread number.
void clone_board(Board& to, Position& to_position, const Board& from, const Position& from_position);

}  // namespace ostrim
