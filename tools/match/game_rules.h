#pragma once
// The rules of a game between engines, judged on the project's own board:
// legal moves, their SAN, and the endings that need no engine's word.
// The board is the process's one main board, so every call takes a lock
// and replays the game from its set-up: games on other threads may have
// used the board in between.
#include <string>
#include <vector>

namespace ostrim::tools {

enum class Ending { None, Checkmate, Stalemate, FiftyMoves, Repetition, InsufficientMaterial };

// "checkmate", "stalemate", "fifty moves" ...; "" for none.
const char* ending_text(Ending ending);

struct Verdict {
  bool set_up = true;       // the set-up text and the earlier moves were accepted
  bool legal = true;        // the candidate is a legal move (true when none was given)
  bool ponder_legal = true; // the ponder move is legal after the candidate (or none given)
  std::string san;          // the candidate in SAN, with + or #
  bool white_to_move = true;  // after the candidate
  int full_move = 1;        // the move number after the candidate
  Ending ending = Ending::None;  // of the position after the candidate
  // The position after the last capture or pawn move (with the candidate),
  // from which the game's later moves follow: its set-up text and the
  // number of moves before it. No repetition reaches back past it.
  std::string reset_fen;
  std::size_t reset_ply = 0;
};

// Replays `moves` (protocol texts) from the set-up text (empty: the start
// position), then plays the candidate (empty: none) and judges the
// position it leads to. The candidate must be written exactly as the
// protocol writes it.
Verdict judge_game(const std::string& fen, const std::vector<std::string>& moves, const std::string& candidate,
                   const std::string& ponder);

// The protocol texts of moves written in SAN or coordinates, played from
// the set-up text; false, with why set, when one of them is not legal.
bool moves_in_protocol_text(const std::string& fen, const std::vector<std::string>& written,
                            std::vector<std::string>& protocol, std::string& why);

}  // namespace ostrim::tools
