#include "engine/engine_thread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/keys.h"
#include "common/engine_flags.h"
#include "support/output_capture.h"

namespace ostrim {
namespace {

using Lines = std::vector<std::string>;

class EngineCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool mailbox = (create_mailbox(), true);
    (void)mailbox;
    flags.stop.store(0);
    set_engine_state(EngineState::Idle);
    position_valid.store(true);
  }
  Lines run(const std::string& command, bool poll) {
    run_engine_command(command.c_str(), poll);
    return output.take();
  }
  test::OutputCapture output;
};

TEST_F(EngineCommands, WrongWordsAndCountsAreInternalErrors) {
  struct Case {
    const char* command;
    const char* error;
  };
  const Case cases[] = {
      {"frobnicate", "internal error #3"},
      {"Move e2e4", "internal error #3"},  // words are case-sensitive
      {"setboard a b c", "internal error #1"},
      {"setboard 8/8/8/8/8/8/8/8 w - - 0 1 extra", "internal error #2"},
      {"think 0 6 0 0 0 0 0", "internal error #1"},
      {"think 0 6 0 0 0 0 0 0 0", "internal error #2"},
      {"move", "internal error #1"},
      {"move e2e4 e7e5", "internal error #2"},
      {"abort now", "internal error #2"},
      {"stoppondering x", "internal error #2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.command, false), Lines{std::string("info string Error (") + c.error + "): " + c.command});
    EXPECT_EQ(flags.stop.load(), 0) << c.command;
  }
  EXPECT_EQ(run("", false), Lines{});
  EXPECT_EQ(run("   ", true), Lines{});
}

TEST_F(EngineCommands, SetboardMoveAndAbortStopARunningSearch) {
  for (const char* command : {"setboard 8/8/8/8/8/8/8/8 w - - 0 1", "move e2e4", "abort"}) {
    flags.stop.store(0);
    set_engine_state(EngineState::Pondering);
    EXPECT_EQ(run(command, true), Lines{}) << command;
    EXPECT_EQ(flags.stop.load(), 1) << command;
    EXPECT_EQ(engine_state(), EngineState::Thinking) << command;
  }
}

TEST_F(EngineCommands, ThinkDuringASearchIsDropped) {
  set_engine_state(EngineState::Thinking);
  EXPECT_EQ(run("think 0 6 60 60 0 0 0 0", true), Lines{});
  EXPECT_EQ(flags.stop.load(), 0);
  EXPECT_EQ(engine_state(), EngineState::Thinking);
}

TEST_F(EngineCommands, StopponderingTurnsPonderingIntoThinkingOnly) {
  set_engine_state(EngineState::Pondering);
  EXPECT_EQ(run("stoppondering", true), Lines{});
  EXPECT_EQ(engine_state(), EngineState::Thinking);
  EXPECT_EQ(flags.stop.load(), 0);
  set_engine_state(EngineState::Idle);
  EXPECT_EQ(run("stoppondering", false), Lines{});
  EXPECT_EQ(engine_state(), EngineState::Idle);
}

TEST_F(EngineCommands, IdleAbortDoesNothing) {
  EXPECT_EQ(run("abort", false), Lines{});
  EXPECT_EQ(flags.stop.load(), 0);
}

TEST_F(EngineCommands, AnInvalidPositionRefusesMovesAndThinks) {
  position_valid.store(false);
  EXPECT_EQ(run("move e2e4", false), Lines{"Illegal move: e2e4"});
  EXPECT_EQ(run("think 0 0 3 3 0 0 0 0", false), Lines{"info string No search: the last position was refused"})
      << "no search, but an answer";
}

TEST_F(EngineCommands, SetboardRefusesAnIllegalOrOverlongText) {
  EXPECT_EQ(run("setboard xyz w - - 0 1", false), Lines{"info string Illegal position"});
  EXPECT_FALSE(position_valid.load());
  position_valid.store(true);
  std::string placement(300, '8');
  EXPECT_EQ(run("setboard " + placement + " w - - 0 1", false), Lines{"info string Illegal position"});
  EXPECT_FALSE(position_valid.load());
  EXPECT_EQ(run("move e2e4", false), Lines{"Illegal move: e2e4"});
}

TEST_F(EngineCommands, SetboardAndMovesPlayTheGame) {
  draw_hash_keys();
  EXPECT_EQ(run("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false), Lines{});
  EXPECT_TRUE(position_valid.load());
  EXPECT_EQ(run("move e2e4", false), Lines{});
  EXPECT_EQ(root_position.side, kBlack);
  EXPECT_EQ(run("move e2e4", false), Lines{"Illegal move: e2e4"});
  EXPECT_EQ(run("move e7e5", false), Lines{});
  EXPECT_EQ(root_position.side, kWhite);
  EXPECT_EQ(run("setboard xyz w - - 0 1", false), Lines{"info string Illegal position"});
  EXPECT_EQ(run("setboard 8/8/8/8/8/8/8/K6k b - - 0 1", false), Lines{});
  EXPECT_TRUE(position_valid.load()) << "a valid set-up makes the position valid again";
}

TEST(EngineHash, MegabytesBecomeBytesWithinTheRange) {
  EXPECT_EQ(hash_bytes(19), 19u << 20);
  EXPECT_EQ(hash_bytes(4096), 4096ull << 20) << "no 32-bit wrap to 0";
  EXPECT_EQ(hash_bytes(100000), 4096ull << 20);
  EXPECT_EQ(hash_bytes(0), 0u);
  EXPECT_EQ(hash_bytes(-5), 0u);
}

}  // namespace
}  // namespace ostrim
