// Protocol transcripts: the engine as a GUI sees it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "support/engine_process.h"

namespace ostrim::test {
namespace {

using Lines = std::vector<std::string>;

// What the engine prints for the lines, up to the readyok of an isready
// sent after them.
Lines answer(EngineProcess& engine, const Lines& input) {
  for (const std::string& line : input) EXPECT_TRUE(send_line(engine, line));
  bool ready = false;
  Lines out = lines_before_ready(engine, ready);
  EXPECT_TRUE(ready) << "no readyok after " << (input.empty() ? "" : input.back());
  return out;
}

// What the lines make the main thread and the engine thread print, in
// either order, once the engine has run every command they sent: a last
// illegal move is answered only after them.
Lines answer_from_engine(EngineProcess& engine, const Lines& input) {
  for (const std::string& line : input) EXPECT_TRUE(send_line(engine, line));
  EXPECT_TRUE(send_line(engine, "position fen sync w - - 0 1 moves sync"));
  bool found = false;
  Lines out = read_until(engine, "Illegal move: sync", found);
  EXPECT_TRUE(found);
  EXPECT_FALSE(out.empty());
  if (!out.empty()) out.pop_back();  // the sync position's own refusal
  std::sort(out.begin(), out.end());
  return out;
}

Lines uci_listing(EngineProcess& engine) {
  EXPECT_TRUE(send_line(engine, "uci"));
  bool found = false;
  Lines lines = read_until(engine, "uciok", found);
  EXPECT_TRUE(found);
  return lines;
}

Lines option_lines(const Lines& listing) {
  Lines options;
  for (const std::string& l : listing)
    if (l.rfind("option name ", 0) == 0) options.push_back(l);
  return options;
}

TEST(Protocol, UciIdentifiesAndListsThirtyOptions) {
  EngineProcess engine;
  ASSERT_TRUE(start_engine(engine));
  Lines listing = uci_listing(engine);
  ASSERT_GE(listing.size(), 3u);
  EXPECT_EQ(listing[0], "id name Ostrim 2010 win64 UCI");
  EXPECT_EQ(listing[1].rfind("id author ", 0), 0u);
  EXPECT_EQ(listing[2].rfind("id ", 0), 0u);
  Lines options = option_lines(listing);
  EXPECT_EQ(options.size(), 30u);
  EXPECT_EQ(listing.size(), 33u) << "three id lines, then only options";
  int processors = platform::usable_processor_count();
  EXPECT_EQ(options.front(), "option name Hash type spin default 19 min 4 max 4096");
  if (std::getenv("OSTRIM_TEST_THREADS") == nullptr) {  // else the helper has set Threads already
    EXPECT_EQ(options.back(), "option name Threads type spin default " + std::to_string(processors) +
                                  " min 1 max " + std::to_string(processors));
  }
  EXPECT_EQ(options[9], "option name Tablebases_path type string default C:\\TBs");
  EXPECT_EQ(options[6], "option name Contempt type spin default 15 min -500 max 500");
}

TEST(Protocol, SetoptionChangesTheListedDefault) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  EXPECT_EQ(answer(engine, {"setoption name hash value 64", "setoption name CONTEMPT value -20",
                            "setoption name Foo value 1", "setoption name Hash value 2 extra"}),
            (Lines{"info string Error (too many parameters): setoption name Hash value 2 extra"}));
  Lines options = option_lines(uci_listing(engine));
  ASSERT_EQ(options.size(), 30u) << "an unknown name adds nothing";
  EXPECT_EQ(options[0], "option name Hash type spin default 64 min 4 max 4096");
  EXPECT_EQ(options[6], "option name Contempt type spin default -20 min -500 max 500");
  EXPECT_EQ(options[2], "option name OwnBook type check default false");
  EXPECT_EQ(answer_from_engine(engine, {"setoption name Hash value 2", "setoption name Hash value 8"}), Lines{})
      << "a started engine takes a new Hash quietly";
  EXPECT_EQ(option_lines(uci_listing(engine))[0], "option name Hash type spin default 8 min 4 max 4096");
}

TEST(Protocol, ErrorLines) {
  struct Case {
    std::string input;
    Lines output;
  };
  std::string long_token(3000, 'x');
  const Case cases[] = {
      {"QUIT", {"info string Error (Unknown command): QUIT"}},
      {"Go", {"info string Error (Unknown command): Go"}},
      {"foo bar", {"info string Error (Unknown command): foo"}},
      {"go\tinfinite", {"info string Error (Unknown command): go\tinfinite"}},
      {"uci extra", {"info string Error (too many parameters): uci extra"}},
      {"isready now", {"info string Error (too many parameters): isready now"}},
      {"setoption name", {"info string Error (too few parameters): setoption name"}},
      {"position", {"info string Error (too few parameters): position"}},
      {"setoption name Hash value",
       {"info string Error (expected setoption name <id> value <x>): setoption name Hash value"}},
      {"setoption name Clear Hash",
       {"info string Error (expected setoption name <id> value <x>): setoption name Clear Hash"}},
      {"setoption Hash value 64",
       {"info string Error (expected setoption name <id> value <x>): setoption Hash value 64"}},
      {"setoption name Hash VALUE 64",
       {"info string Error (expected setoption name <id> value <x>): setoption name Hash VALUE 64"}},
      {long_token, {"info string Error (Unknown command): " + long_token.substr(0, 2047 - 37)}},
      {"debug on", {}},
      {"debug", {}},
      {"debug a b c d e", {}},
      {"", {}},
      {"      ", {}},
      {"stop", {}},
      {"ponderhit", {}},
  };
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  for (const Case& c : cases) EXPECT_EQ(answer(engine, {c.input}), c.output) << "input '" << c.input << "'";
}

TEST(Protocol, OutputLinesAreCutAt2047Characters) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  std::string line = "uci " + std::string(3990, 'y');
  Lines out = answer(engine, {line});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].size(), 2047u);
  EXPECT_EQ(out[0].rfind("info string Error (too many parameters): uci yyy", 0), 0u);
}

TEST(Protocol, OverlongLinesArriveInPieces) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  // 3999 characters make one line; the rest is read as a line of its own.
  std::string line = std::string(3999, ' ') + "isready";
  ASSERT_TRUE(send_line(engine, line));
  std::string reply;
  ASSERT_TRUE(read_line(engine, reply));
  EXPECT_EQ(reply, "readyok");
}

TEST(Protocol, CarriageReturnLineEndsAreAccepted) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  ASSERT_TRUE(send_bytes(engine, "   isready   \r\nstop\r\n"));
  std::string reply;
  ASSERT_TRUE(read_line(engine, reply));
  EXPECT_EQ(reply, "readyok");
  ASSERT_TRUE(send_bytes(engine, "go\r infinite\n"));
  EXPECT_EQ(answer(engine, {}), Lines{"info string Error (Unknown command): go\r"})
      << "a carriage return without a line feed after it stays in the token";
}

TEST(Protocol, QuitAndEndOfInputExitWithStatusOne) {
  {
    EngineProcess engine;
    ASSERT_TRUE(start_quiet_engine(engine));
    ASSERT_TRUE(send_line(engine, "quit"));
    EXPECT_EQ(wait_exit(engine), 1);
  }
  {
    EngineProcess engine;
    ASSERT_TRUE(start_engine(engine));
    close_input(engine);
    EXPECT_EQ(wait_exit(engine), 1) << "end of input before the engine started";
  }
  {
    EngineProcess engine;
    ASSERT_TRUE(start_quiet_engine(engine));
    answer(engine, {"position startpos moves e2e4", "go infinite"});
    close_input(engine);
    EXPECT_EQ(wait_exit(engine), 1) << "end of input with the engine thread running";
  }
}

TEST(Protocol, MissingBookFileTurnsOwnBookOff) {
  EngineProcess engine;
  ASSERT_TRUE(start_engine(engine));
  Lines out = answer(engine, {"setoption name Book_file value /nonexistent/ostrim-book.bin"});
  EXPECT_EQ(out, (Lines{std::strerror(ENOENT), ""}));  // the text, then an empty line
  EXPECT_EQ(option_lines(uci_listing(engine))[2], "option name OwnBook type check default false");
  EXPECT_EQ(answer(engine, {"setoption name Book_file value /nonexistent/other.bin"}), Lines{})
      << "with OwnBook off nothing is opened";
}

TEST(Protocol, AnArgumentStartsTheEngineBeforeInput) {
  // With OwnBook on, the start tries the default book, which is not there.
  EngineProcess engine;
  ASSERT_TRUE(start_engine(engine, {"run"}));
  std::string line;
  ASSERT_TRUE(read_line(engine, line));
  EXPECT_EQ(line, std::strerror(ENOENT));
  Lines listing = option_lines(uci_listing(engine));
  EXPECT_EQ(listing[2], "option name OwnBook type check default false");
}

TEST(Protocol, WithoutAnArgumentTheEngineStartsAtFirstUse) {
  for (const char* first : {"isready", "stop", "position startpos", "go depth 3"}) {
    EngineProcess engine;
    ASSERT_TRUE(start_engine(engine));
    ASSERT_TRUE(send_line(engine, "uci"));
    bool found = false;
    EXPECT_EQ(read_until(engine, "uciok", found).size(), 33u) << "nothing started by uci";
    ASSERT_TRUE(send_line(engine, first));
    std::string line;
    ASSERT_TRUE(read_line(engine, line)) << first;
    EXPECT_EQ(line, std::strerror(ENOENT)) << "the start opens the book, for " << first;
    bool ready = false;
    lines_before_ready(engine, ready);
    EXPECT_TRUE(ready) << first;
  }
}

TEST(Protocol, IllegalPositionsAndMoves) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  EXPECT_EQ(answer_from_engine(engine, {"position fen xyz w - - 0 1 moves e2e4", "go depth 3"}),
            (Lines{"Illegal move: e2e4", "bestmove 0000", "info string Illegal position",
                   "info string No search: the last position was refused"}))
      << "no search after an illegal position, but an answer: the interface must not wait for ever";
  std::string long_move(2100, 'e');
  Lines out = answer_from_engine(engine, {"position fen xyz w - - 0 1 moves " + long_move + " e2e4"});
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "Illegal move: e2e4") << "the moves after a refused one still go";
  EXPECT_EQ(out[1], ("Illegal move: " + long_move).substr(0, 2047)) << "handed over cut, and refused";
  EXPECT_EQ(out[2].rfind("info string Error (engine command too long): move eee", 0), 0u);
  EXPECT_EQ(out[3], "info string Illegal position");
}

TEST(Protocol, APositionTheFrontEndRefusesIsNotSearched) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  for (const std::string& position : {std::string("position fen 8/8/8/8 w"),
                                      "position fen " + std::string(300, 'p') + " w - - 0 1"}) {
    Lines out = answer_from_engine(engine, {"position startpos moves e2e4", position, "go depth 3"});
    ASSERT_EQ(out.size(), 4u) << position;
    EXPECT_EQ(out[0], "bestmove 0000") << "not a move for the position before";
    EXPECT_EQ(out[1].rfind("info string Error (", 0), 0u) << out[1];
    EXPECT_EQ(out[2], "info string Illegal position");
    EXPECT_EQ(out[3], "info string No search: the last position was refused");
  }
}

TEST(Protocol, PositionsAndMovesReachTheGame) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  EXPECT_EQ(answer_from_engine(engine, {"position startpos moves e2e4 e7e5 g1f3"}), Lines{});
  EXPECT_EQ(answer_from_engine(engine, {"position startpos moves e2e4 e2e4 e7e5 e7e5"}),
            (Lines{"Illegal move: e2e4", "Illegal move: e7e5"}))
      << "an illegal move is refused and the next one played";
  EXPECT_EQ(answer_from_engine(engine, {"position fen 4k3/8/8/8/8/8/4P3/4K3 w - - moves e2e4 e8d7"}), Lines{})
      << "four FEN fields are enough";
  EXPECT_EQ(answer_from_engine(engine, {"position fen 4k3/8/8/8/8/8/4P3/4K3 b - -"}), Lines{});
}

// The lines up to a bestmove, which goes into `bestmove` (empty if none came).
Lines until_bestmove(EngineProcess& engine, std::string& bestmove, int timeout_ms = 20000) {
  Lines lines;
  bestmove.clear();
  std::string line;
  while (read_line(engine, line, timeout_ms)) {
    if (line.rfind("bestmove", 0) == 0) {
      bestmove = line;
      break;
    }
    lines.push_back(line);
  }
  return lines;
}

// Whether a bestmove line leaves rank 7 or 8: a Black move just after 1. e4.
bool black_move_after_e4(const std::string& bestmove) {
  return bestmove.size() >= 13 && bestmove != "bestmove 0000" && (bestmove[10] == '7' || bestmove[10] == '8');
}

TEST(Protocol, GamesArePlayedOnPastADraw) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  const std::string repetition = "info string result 1/2-1/2 draw by repetition";
  const std::string shuffle = "position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8";
  EXPECT_EQ(answer_from_engine(engine, {shuffle}), Lines{repetition});
  ASSERT_TRUE(send_line(engine, shuffle + " e2e4"));
  ASSERT_TRUE(send_line(engine, "go depth 3"));
  std::string bestmove;
  Lines out = until_bestmove(engine, bestmove);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], repetition) << "the draw is announced, and the next move played";
  for (const std::string& l : out) EXPECT_EQ(l.rfind("Illegal", 0), std::string::npos) << l;
  EXPECT_TRUE(black_move_after_e4(bestmove)) << "Black is to move after e2e4: " << bestmove;
}

TEST(Protocol, ARefusedMoveIsAnsweredWithTheNullMoveUntilTheNextPosition) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  const std::string no_search = "info string No search: a move of the last position was refused";
  ASSERT_TRUE(send_line(engine, "position startpos moves e2e4 e7e5 e7e5 g1f3"));
  Lines expected = {"Illegal move: e7e5", no_search};
  std::string bestmove;
  for (const char* go : {"go depth 3", "go wtime 3000 btime 3000", "go movetime 200"}) {
    ASSERT_TRUE(send_line(engine, go));
    EXPECT_EQ(until_bestmove(engine, bestmove), expected) << go;
    EXPECT_EQ(bestmove, "bestmove 0000") << go;
    expected = {no_search};
  }
  // Infinite and ponder searches answer only when told, as ever.
  for (const char* ending : {"stop", "ponderhit"}) {
    ASSERT_TRUE(send_line(engine, std::string(ending) == "stop" ? "go infinite" : "go ponder wtime 3000 btime 3000"));
    std::string line;
    ASSERT_TRUE(read_line(engine, line));
    EXPECT_EQ(line, no_search);
    EXPECT_FALSE(read_line(engine, line, 300)) << "no answer before " << ending << ": " << line;
    ASSERT_TRUE(send_line(engine, ending));
    EXPECT_EQ(until_bestmove(engine, bestmove), Lines{}) << ending;
    EXPECT_EQ(bestmove, "bestmove 0000") << ending;
  }
  // A new position is searched again.
  ASSERT_TRUE(send_line(engine, "position startpos moves e2e4"));
  ASSERT_TRUE(send_line(engine, "go depth 3"));
  until_bestmove(engine, bestmove);
  EXPECT_TRUE(black_move_after_e4(bestmove)) << bestmove;
}

TEST(Protocol, GameMovesPrintNothingAfterASearch) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  for (const char* depth : {"2", "3"}) {
    ASSERT_TRUE(send_line(engine, "position startpos"));
    ASSERT_TRUE(send_line(engine, std::string("go depth ") + depth));
    std::string bestmove;
    until_bestmove(engine, bestmove);
    ASSERT_FALSE(bestmove.empty());
    EXPECT_EQ(answer_from_engine(engine, {"position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5"}), Lines{})
        << "after go depth " << depth;
  }
}

TEST(Protocol, AbsurdPercentagesAreClamped) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  for (const char* value : {"2147483647", "-2147483648", "99999"}) {
    for (const char* name : {"Minimum_threat_value_(pct)", "Bad_move_threshold_(pct)", "Score_drop_threshold_(pct)",
                             "Pawn_value_(pct)", "King_safety_value_(pct)", "Mobility_value_(pct)"})
      ASSERT_TRUE(send_line(engine, std::string("setoption name ") + name + " value " + value));
    ASSERT_TRUE(send_line(engine, "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2QKB1R w KQ - 0 8"));
    ASSERT_TRUE(send_line(engine, "go depth 6"));
    std::string bestmove;
    until_bestmove(engine, bestmove, 60000);
    EXPECT_EQ(bestmove.rfind("bestmove ", 0), 0u) << value;
    EXPECT_NE(bestmove, "bestmove 0000") << value;
  }
}

}  // namespace
}  // namespace ostrim::test
