// The match tool's referee: the endings it judges on its own board, the
// SAN it writes, score adjudication, openings, and the faults of engines
// that answer wrongly (played by stub engines, never by real ones).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "match/game_rules.h"
#include "match/openings.h"
#include "match/pgn_writer.h"
#include "match/referee.h"
#include "match/words.h"

namespace ostrim::tools {
namespace {

TEST(MatchReferee, EndingsTheRulesDecide) {
  struct Case {
    const char* fen;
    const char* moves;
    const char* candidate;
    Ending ending;
    const char* san;
  };
  const Case cases[] = {
      {"", "f2f3 e7e5 g2g4", "d8h4", Ending::Checkmate, "Qh4#"},
      {"7k/5Q2/8/6K1/8/8/8/8 w - - 0 1", "", "g5g6", Ending::Stalemate, "Kg6"},
      // The start position a third time: after eight plies, not after four.
      {"", "g1f3 g8f6 f3g1", "f6g8", Ending::None, "Ng8"},
      {"", "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1", "f6g8", Ending::Repetition, "Ng8"},
      // The half-move clock of the set-up text counts.
      {"4k3/8/8/8/8/8/4P3/R3K3 w - - 98 60", "a1a2", "e8d7", Ending::FiftyMoves, "Kd7"},
      {"4k3/8/8/8/8/8/4P3/R3K3 w - - 98 60", "a1a2", "e8d8", Ending::FiftyMoves, "Kd8"},
      {"4k3/8/8/8/8/8/4P3/R3K3 w - - 98 60", "e2e4", "e8d8", Ending::None, "Kd8"},
      {"4k3/8/8/8/8/8/3n4/R3K3 b - - 0 1", "", "d2c4", Ending::None, "Nc4"},
      {"4k3/8/8/8/8/8/3n4/R3K3 b - - 0 1", "", "e8d7", Ending::None, "Kd7"},
      {"4k3/8/8/8/8/8/3n4/R3K3 w - - 0 1", "", "a1a8", Ending::None, "Ra8+"},
      {"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", "", "f1g3", Ending::InsufficientMaterial, "Ng3"},
      {"4k3/8/8/8/8/8/8/4KN1N w - - 0 1", "", "f1g3", Ending::None, "Nfg3"},
  };
  for (const Case& c : cases) {
    Verdict v = judge_game(c.fen, words(c.moves), c.candidate, "");
    EXPECT_TRUE(v.set_up && v.legal) << c.fen << " " << c.moves << " " << c.candidate;
    EXPECT_EQ(v.ending, c.ending) << c.fen << " " << c.moves << " " << c.candidate;
    EXPECT_EQ(v.san, c.san) << c.fen << " " << c.moves << " " << c.candidate;
  }
}

TEST(MatchReferee, SanOfSpecialMoves) {
  struct Case {
    const char* fen;
    const char* candidate;
    const char* san;
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "O-O"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", "O-O-O"},
      {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", "b8=Q+"},
      {"2r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7c8n", "bxc8=N"},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"},
      {"4k3/8/8/8/8/8/R6R/4K3 w - - 0 1", "a2d2", "Rad2"},
      {"4k3/8/8/R7/8/8/R7/4K3 w - - 0 1", "a2a4", "R2a4"},
  };
  for (const Case& c : cases) {
    Verdict v = judge_game(c.fen, {}, c.candidate, "");
    EXPECT_TRUE(v.legal) << c.fen << " " << c.candidate;
    EXPECT_EQ(v.san, c.san) << c.fen << " " << c.candidate;
  }
}

TEST(MatchReferee, MovesMustBeLegalAndWrittenAsTheProtocolWritesThem) {
  EXPECT_FALSE(judge_game("", {}, "e2e5", "").legal);
  EXPECT_FALSE(judge_game("", {}, "E2E4", "").legal);
  EXPECT_FALSE(judge_game("", {}, "Nf3", "").legal);  // SAN is not the protocol's
  EXPECT_FALSE(judge_game("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", {}, "b7b8", "").legal);
  EXPECT_FALSE(judge_game("4k3/8/8/8/8/8/8/r3K3 w - - 0 1", {}, "e1d1", "").legal);  // into check
  EXPECT_TRUE(judge_game("", {}, "e2e4", "e7e5").ponder_legal);
  EXPECT_FALSE(judge_game("", {}, "e2e4", "e2e4").ponder_legal);
  EXPECT_FALSE(judge_game("", {"e2e4", "e2e4"}, "", "").set_up);
  EXPECT_FALSE(judge_game("8/8/8/8/8/8/8/8 w - - 0 1", {}, "", "").set_up);
}

// Long games are sent from their last capture or pawn move.
TEST(MatchReferee, SetUpTextAfterTheLastIrreversibleMove) {
  struct Case {
    const char* fen;
    const char* moves;
    const char* reset_fen;
    std::size_t reset_ply;
  };
  const Case cases[] = {
      {"", "e2e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 1},
      {"", "e2e4 e7e5 g1f3", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", 2},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1b1 h8h1 b1b2", "r3k3/8/8/8/8/8/8/1R2K2r w q - 0 2", 2},
      {"", "g1f3", "", 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> moves = words(c.moves);
    std::string last = moves.back();
    moves.pop_back();
    Verdict v = judge_game(c.fen, moves, last, "");
    EXPECT_EQ(v.reset_fen, c.reset_fen) << c.moves;
    EXPECT_EQ(v.reset_ply, c.reset_ply) << c.moves;
    if (!v.reset_fen.empty()) {
      EXPECT_TRUE(judge_game(v.reset_fen, {}, "", "").set_up) << v.reset_fen;
    }
  }
}

TEST(MatchReferee, ScoreAdjudication) {
  auto plies = [](std::vector<int> scores) {
    std::vector<PlyRecord> moves(scores.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
      moves[i].scored = true;
      moves[i].score = scores[i];
    }
    return moves;
  };
  Adjudication resign;
  resign.resign_moves = 2;
  resign.resign_score = 500;
  Adjudication draw;
  draw.draw_from_move = 30;
  draw.draw_moves = 2;
  draw.draw_score = 10;
  struct Case {
    std::vector<PlyRecord> moves;
    bool white_to_move;
    int full_move;
    const Adjudication& rules;
    const char* result;
  };
  // Scores are the mover's, oldest first; with White to move, the last ply was Black's.
  const Case cases[] = {
      {plies({-600, 600, -700, 650}), true, 20, resign, "0-1"},   // White behind, Black ahead
      {plies({-600, 600, -700, 650}), false, 20, resign, "1-0"},  // the same with the colours turned
      {plies({-600, 600, -700, 400}), true, 20, resign, ""},      // one score short of agreement
      {plies({-600, 600, -400, 650}), true, 20, resign, ""},
      {plies({600, -600}), true, 20, resign, ""},                 // too few moves
      {plies({kMateScore - 3, -600, 700, -650}), true, 20, resign, "1-0"},
      {plies({5, -3, 0, 10}), true, 30, draw, "1/2-1/2"},
      {plies({5, -3, 0, 11}), true, 30, draw, ""},
      {plies({5, -3, 0, 10}), true, 29, draw, ""},                // before the move number
  };
  for (const Case& c : cases) {
    EXPECT_EQ(adjudicate_by_score(c.moves, c.white_to_move, c.full_move, c.rules), c.result)
        << &c - cases;
  }
  std::vector<PlyRecord> unscored = plies({-600, 600, -700, 650});
  unscored[1].scored = false;
  EXPECT_EQ(adjudicate_by_score(unscored, true, 20, resign), "");
  std::vector<PlyRecord> booked = plies({5, -3, 0, 10});
  booked[0].book = true;
  EXPECT_EQ(adjudicate_by_score(booked, true, 30, draw), "");
}

TEST(MatchReferee, OpeningsFromEpdAndPgnLines) {
  EXPECT_EQ(fen_of_epd_line("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 bm e5; id \"x\";"),
            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  EXPECT_EQ(fen_of_epd_line("8/8/8/8/8/8/8/K1k5 w - - 12 40"), "8/8/8/8/8/8/8/K1k5 w - - 12 40");
  EXPECT_EQ(fen_of_epd_line("8/8/8 w"), "");
  std::vector<std::string> protocol;
  std::string why;
  ASSERT_TRUE(moves_in_protocol_text("", {"e4", "e5", "Nf3", "Nc6", "Bc4", "Nf6", "O-O"}, protocol, why)) << why;
  EXPECT_EQ(protocol, words("e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1"));
  EXPECT_FALSE(moves_in_protocol_text("", {"e4", "e4"}, protocol, why));
}

TEST(MatchReferee, PgnMoveNumbersAndComments) {
  GameReport r;
  r.result = "0-1";
  r.reason = "illegal move";
  r.failure = "White: played an illegal move e1e3 | position fen ...";
  r.moves.resize(3);
  r.moves[0] = {"g8f6", "Nf6", true};
  r.moves[1] = {"e2e4", "e4", false, true, 31, 0, 12, 520};
  r.moves[2] = {"f6e4", "Nxe4", false, true, kMateScore - 2, 2, 20, 1000};
  GameHeader h;
  Opening o{"rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1", {"g8f6"}};
  std::string pgn = game_pgn(h, o, r);
  EXPECT_NE(pgn.find("\n1... Nf6 {book} 2. e4 {+0.31/12 0.520s} Nxe4 {+M2/20 1.000s}\n"
                     "{illegal move: White: played an illegal move e1e3} 0-1\n"),
            std::string::npos)
      << pgn;
  EXPECT_NE(pgn.find("[SetUp \"1\"]"), std::string::npos);
  EXPECT_EQ(pgn_time_control({10000, 100, 0, 0}), "10+0.1");
  EXPECT_EQ(pgn_time_control({60000, 0, 40, 0}), "40/60+0");
  EXPECT_EQ(pgn_time_control({0, 0, 0, 500}), "1/0.5");
}

// A stub engine: answers the handshake, and to "go" does what it is told.
void make_stub(Player& p, const std::string& on_go) {
  p.config.command = "/bin/sh";
  p.config.arguments = {"-c",
                        "while read -r line; do case \"$line\" in uci) echo 'id name Stub'; echo uciok;; "
                        "isready) echo readyok;; go*) " + on_go + ";; quit) exit 0;; esac; done"};
}

TEST(MatchReferee, FaultsLoseTheGame) {
  struct Case {
    const char* on_go;
    Fault fault;
  };
  const Case cases[] = {
      {"echo 'bestmove e2e5'", Fault::IllegalMove},
      {"echo 'bestmove'", Fault::IllegalMove},
      {"exit 3", Fault::Crash},
  };
  for (const Case& c : cases) {
    Player white, black;
    make_stub(white, c.on_go);
    make_stub(black, "echo 'bestmove e7e5'");
    std::string why;
    ASSERT_TRUE(start_player(white, why) && start_player(black, why)) << why;
    EXPECT_EQ(white.id_name, "Stub");
    GameReport r = play_game(white, black, Opening{}, TimeControl{}, Adjudication{});
    EXPECT_EQ(r.result, "0-1") << c.on_go;
    EXPECT_EQ(r.fault, c.fault) << c.on_go;
    EXPECT_TRUE(r.fault_by_white) << c.on_go;
    // A crashed engine is started again for the next game.
    EXPECT_TRUE(ready_player(white, why)) << c.on_go << ": " << why;
    stop_player(white);
    stop_player(black);
  }
}

TEST(MatchReferee, EachGameAfterTheFirstIsAnnouncedWithUcinewgame) {
  // This stub answers a later isready only after a ucinewgame; without one
  // the referee would have to start it again, under a new process id.
  Player p;
  p.config.command = "/bin/sh";
  p.config.arguments = {"-c",
                        "while read -r line; do case \"$line\" in uci) echo uciok;; ucinewgame) fresh=1;; "
                        "isready) if [ -z \"$seen\" ] || [ -n \"$fresh\" ]; then echo readyok; fi; "
                        "seen=1; fresh=;; quit) exit 0;; esac; done"};
  std::string why;
  ASSERT_TRUE(start_player(p, why)) << why;
  const auto first = p.process.pid;
  EXPECT_TRUE(ready_player(p, why)) << why;
  EXPECT_EQ(p.process.pid, first);
  stop_player(p);
}

}  // namespace
}  // namespace ostrim::tools
