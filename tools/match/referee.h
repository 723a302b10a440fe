#pragma once
// A referee for engine games through the protocol, as a GUI plays them:
// it starts the engines, keeps the clocks, checks every answer with the
// project's own move generator and adjudicates the end of the game.
#include <string>
#include <utility>
#include <vector>

#include "platform/child_process.h"

namespace ostrim::tools {

struct TimeControl {
  int base_ms = 10000;       // each side's clock at the start (and per period)
  int increment_ms = 100;
  int moves_per_period = 0;  // 0: the whole game; else base_ms more every so many moves
  int movetime_ms = 0;       // set: a fixed time per move instead of clocks
};

struct EngineConfig {
  std::string name;  // empty: the name the engine gives itself
  std::string command;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> options;  // sent in this order
};

struct Player {
  EngineConfig config;
  platform::ChildProcess process;
  std::string id_name;               // from "id name"
  std::vector<std::string> warnings; // options the engine does not list
  bool needs_restart = false;        // it crashed or hung in the last game
};

// How a game may end besides the rules, and how strictly answers are read.
struct Adjudication {
  int resign_moves = 0;    // 0: off; else both engines agree this many moves
  int resign_score = 0;    //   that the side to lose is this far behind
  int draw_from_move = 0;  // draw adjudication from this move number on,
  int draw_moves = 0;      //   0: off; else both engines' scores stay
  int draw_score = 0;      //   within this much of 0 for so many moves each
  int max_plies = 0;       // 0: no cap; else a draw after so many plies of play
  int time_margin_ms = 0;  // a move this late is still in time
  int hang_grace_ms = 5000;  // no answer this long past the clock: hung
  bool strict = false;     // any line but info/bestmove, or an illegal ponder move, is a fault
};

enum class Fault { None, TimeForfeit, IllegalMove, Crash, Hung, Protocol };

const char* fault_text(Fault fault);

struct PlyRecord {
  std::string move;  // protocol text
  std::string san;
  bool book = false;   // part of the opening
  bool scored = false;
  int score = 0;       // centipawns from the mover's view; mates as below
  int mate = 0;        // moves to mate as the engine printed it, 0 for none
  int depth = 0;
  int ms = 0;
};

// Mate scores for adjudication: this less the moves to mate.
constexpr int kMateScore = 100000;

struct Opening {
  std::string fen;                  // empty: the start position
  std::vector<std::string> moves;   // protocol texts played from it
};

struct GameReport {
  std::string result = "*";  // "1-0", "0-1", "1/2-1/2"; "*" when the game could not be played
  std::string reason;        // "checkmate", "time forfeit" ...
  std::string failure;       // the fault in detail; empty when none
  Fault fault = Fault::None;
  bool fault_by_white = false;
  std::vector<PlyRecord> moves;  // the opening's too
  int least_clock_ms = 1 << 30;       // the smallest clock left after a move (clocks)
  int largest_overrun_ms = -1 << 30;  // answer time minus the fixed time (movetime)
  int longest_answer_ms = 0;
};

// Starts (or restarts) the engine: uci, its options, isready. False, with
// why set, when it does not answer as it should.
bool start_player(Player& player, std::string& why);

// Makes a started player ready for a game, restarting it when it ended or
// is marked for restart.
bool ready_player(Player& player, std::string& why);

// Sends quit and ends the process.
void stop_player(Player& player);

// Plays one game between two ready players.
GameReport play_game(Player& white, Player& black, const Opening& opening, const TimeControl& control,
                     const Adjudication& rules);

// The result the engines' scores call for, judged after each move: "1-0",
// "0-1", "1/2-1/2", or "" for none. `full_move` is the number of the move
// about to be played, by White when white_to_move.
std::string adjudicate_by_score(const std::vector<PlyRecord>& moves, bool white_to_move, int full_move,
                                const Adjudication& rules);

}  // namespace ostrim::tools
