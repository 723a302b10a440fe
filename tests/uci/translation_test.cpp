// What the position and go requests become as engine commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/settings.h"
#include "engine/clock_guard.h"
#include "platform/sleep.h"
#include "support/output_capture.h"
#include "uci/command_loop.h"
#include "uci/engine_start.h"
#include "uci/handlers.h"
#include "uci/options.h"

namespace ostrim::uci {
namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> sent;
void capture_command(const char* command) { sent.emplace_back(command); }

class Translation : public ::testing::Test {
 protected:
  void SetUp() override {
    init_options(2);
    engine_started = true;  // no engine in this process
    command_sender = capture_command;
    sent.clear();
  }
  void TearDown() override { command_sender = deliver_command; }
  // The engine commands and the output lines of one input line.
  Lines commands(const std::string& line, Lines* output_lines = nullptr) {
    sent.clear();
    run_line(line.c_str());
    Lines out = output.take();
    if (output_lines != nullptr) *output_lines = out;
    return sent;
  }
  test::OutputCapture output;
};

const std::string kSetStart = std::string("setboard ") + kStartPosition;

TEST_F(Translation, GoBecomesThink) {
  struct Case {
    const char* go;
    const char* think;
  };
  const Case cases[] = {
      {"go", "think 0 6 0 0 0 0 0 0"},
      {"go wtime 9000 btime 8000 winc 2000 binc 1000", "think 0 6 9 8 0 2 1 0"},
      {"go wtime 60000 btime 60000", "think 0 6 60 60 0 0 0 0"},
      {"go wtime 999", "think 0 6 0 0 0 0 0 0"},
      {"go wtime -5000 btime -1", "think 0 6 0 0 0 0 0 0"},
      {"go wtime 6000 btime 7000 movestogo 12", "think 0 6 6 7 12 0 0 0"},
      {"go infinite", "think 2 1 60 60 0 0 0 0"},
      {"go depth 8", "think 0 0 8 8 0 0 0 0"},
      {"go depth 8 wtime 6000", "think 0 0 6 8 0 0 0 0"},
      {"go movetime 2500", "think 0 4 2500 2500 0 0 0 0"},
      {"go ponder wtime 6000 btime 7000", "think 1 6 6 7 0 0 0 0"},
      {"go foo 12 wtime 3000", "think 0 6 3 0 0 0 0 0"},  // unknown words are skipped
      {"go depth 8 depth 10", "think 0 0 10 10 0 0 0 0"},
  };
  for (const Case& c : cases) {
    Lines out;
    EXPECT_EQ(commands(c.go, &out), Lines{c.think}) << c.go;
    EXPECT_EQ(out, Lines{}) << c.go;
  }
}

TEST_F(Translation, UnsupportedAndMalformedGoReportsButStillThinks) {
  struct Case {
    const char* go;
    const char* think;
    Lines errors;
  };
  const Case cases[] = {
      {"go mate 3", "think 0 6 0 0 0 0 0 0", {"info string Error (unsupported option mate): go mate 3"}},
      {"go nodes 5000 depth 4",
       "think 0 0 4 4 0 0 0 0",
       {"info string Error (unsupported option nodes): go nodes 5000 depth 4"}},
      {"go searchmoves e2e4 d2d4",
       "think 0 6 0 0 0 0 0 0",
       {"info string Error (unsupported option searchmoves): go searchmoves e2e4 d2d4"}},
      {"go depth 6 wtime", "think 0 0 6 6 0 0 0 0", {"info string Error (missing argument): go depth 6 wtime"}},
      {"go depth -2", "think 0 6 0 0 0 0 0 0", {"info string Error (value out of range): go depth -2"}},
      {"go movetime 0", "think 0 6 0 0 0 0 0 0", {"info string Error (value out of range): go movetime 0"}},
      {"go winc -1000 movestogo -3",
       "think 0 6 0 0 0 0 0 0",
       {"info string Error (value out of range): go winc -1000 movestogo -3",
        "info string Error (value out of range): go winc -1000 movestogo -3"}},
  };
  for (const Case& c : cases) {
    Lines out;
    EXPECT_EQ(commands(c.go, &out), Lines{c.think}) << c.go;
    EXPECT_EQ(out, c.errors) << c.go;
  }
}

TEST_F(Translation, GoSetsTheContemptAndInfiniteClearsIt) {
  set_option("Contempt", "25");
  commands("go depth 5");
  EXPECT_EQ(settings.contempt, 25);
  commands("go infinite");
  EXPECT_EQ(settings.contempt, 0);
}

TEST_F(Translation, PositionBecomesSetboardAndMoves) {
  struct Case {
    const char* position;
    Lines commands;
  };
  const Case cases[] = {
      {"position startpos", {kSetStart}},
      {"position startpos moves e2e4 e7e5", {kSetStart, "move e2e4", "move e7e5"}},
      {"position startpos e2e4", {kSetStart}},  // no "moves": the rest is ignored
      {"position foo moves e2e4", {kSetStart, "move e2e4"}},
      {"position startpos moves", {kSetStart}},
      {"position fen 8/8/8/8/8/8/8/K6k w - - 12 40", {"setboard 8/8/8/8/8/8/8/K6k w - - 12 40"}},
      {"position fen 8/8/8/8/8/8/8/K6k b - - 3 9 moves a1a2",
       {"setboard 8/8/8/8/8/8/8/K6k b - - 3 9", "move a1a2"}},
      // EPD texts: the clock fields are filled in.
      {"position fen 8/8/8/8/8/8/8/K6k w - -", {"setboard 8/8/8/8/8/8/8/K6k w - - 0 1"}},
      {"position fen 8/8/8/8/8/8/8/K6k w - - moves a1b1",
       {"setboard 8/8/8/8/8/8/8/K6k w - - 0 1", "move a1b1"}},
      {"position fen 8/8/8/8/8/8/8/K6k w - - 7 moves a1b1",
       {"setboard 8/8/8/8/8/8/8/K6k w - - 7 1", "move a1b1"}},
      // Six fields and a seventh where "moves" belongs: the rest is ignored.
      {"position fen 8/8/8/8/8/8/8/K6k w - - 0 1 x moves a1b1", {"setboard 8/8/8/8/8/8/8/K6k w - - 0 1"}},
  };
  for (const Case& c : cases) {
    Lines out;
    EXPECT_EQ(commands(c.position, &out), c.commands) << c.position;
    EXPECT_EQ(out, Lines{}) << c.position;
  }
}

void slow_capture(const char* command) {
  if (std::string(command).rfind("move ", 0) == 0) platform::sleep_ms(20);
  capture_command(command);
}

// A GUI's clock runs while the engine replays a `position`; a `go` right
// after it is charged that time, one after an `isready` is not.
TEST_F(Translation, GoRightAfterPositionIsChargedTheReplay) {
  command_sender = slow_capture;
  commands("position startpos moves e2e4 e7e5");
  EXPECT_EQ(commands("go wtime 1030 btime 5000"), Lines{"think 0 6 0 4 0 0 0 0"});
  EXPECT_LE(take_noted_clock(kWhite, 0), 1030 - 40);

  commands("position startpos moves e2e4 e7e5");
  commands("isready");
  EXPECT_EQ(commands("go wtime 1030 btime 5000"), Lines{"think 0 6 1 5 0 0 0 0"});
  EXPECT_EQ(take_noted_clock(kWhite, 1), 1030);
}

TEST_F(Translation, ShortOrOverlongFenIsRefused) {
  std::string long_placement(250, '8');
  const std::string cases[] = {
      "position fen",
      "position fen 8/8/8/8/8/8/8/K6k",
      "position fen 8/8/8/8/8/8/8/K6k w -",
      "position fen 8/8/8/8/8/8/8/K6k w - moves a1b1",
      "position fen " + long_placement + " w - - 0 1",
  };
  for (const std::string& line : cases) {
    Lines out;
    EXPECT_EQ(commands(line, &out), Lines{"setboard - w - - 0 1"}) << line << ": a set-up the engine refuses";
    ASSERT_EQ(out.size(), 1u) << line;
    EXPECT_EQ(out[0].rfind("info string Error (", 0), 0u) << out[0];
    EXPECT_NE(out[0].find("): " + line), std::string::npos) << "the whole line as subject: " << out[0];
  }
}

TEST_F(Translation, StopAndPonderhit) {
  EXPECT_EQ(commands("stop"), Lines{"abort"});
  EXPECT_EQ(commands("ponderhit"), Lines{"stoppondering"});
  EXPECT_EQ(commands("stop now"), Lines{}) << "too many parameters: nothing sent";
}

TEST_F(Translation, PositionWithMoreThan512TokensIsRefused) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 600; ++i) line += " e2e4";
  Lines out;
  EXPECT_EQ(commands(line, &out), Lines{});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rfind("info string Error (too many tokens): position startpos moves e2e4", 0), 0u);
}

}  // namespace
}  // namespace ostrim::uci
