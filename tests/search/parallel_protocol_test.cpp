// The parallel search through the protocol: Threads changed between
// searches, a stop and a quit in the middle of a search on four threads.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/engine_process.h"

namespace ostrim::test {
namespace {

std::string bestmove_within(EngineProcess& engine, int timeout_ms) {
  std::string line;
  while (read_line(engine, line, timeout_ms)) {
    if (line.rfind("bestmove ", 0) == 0) return line;
  }
  return "";
}

TEST(ParallelProtocol, ThreadsChangeBetweenSearchesAndStopOrQuitEndThem) {
  EngineProcess engine;
  ASSERT_TRUE(start_quiet_engine(engine));
  const char* position = "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2QKB1R w KQ - 0 8";
  for (const char* threads : {"4", "2", "1", "3"}) {
    ASSERT_TRUE(send_line(engine, std::string("setoption name Threads value ") + threads));
    ASSERT_TRUE(send_line(engine, position));
    ASSERT_TRUE(send_line(engine, "go infinite"));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_TRUE(send_line(engine, "stop"));
    std::string answer = bestmove_within(engine, 5000);
    EXPECT_EQ(answer.size() >= 13 && answer != "bestmove 0000", true) << threads << " threads: " << answer;
  }
  ASSERT_TRUE(send_line(engine, "setoption name Threads value 2"));
  ASSERT_TRUE(send_line(engine, "go depth 11"));
  EXPECT_NE(bestmove_within(engine, 60000), "");
  ASSERT_TRUE(send_line(engine, "go infinite"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(send_line(engine, "quit"));
  EXPECT_EQ(wait_exit(engine), 1);
}

}  // namespace
}  // namespace ostrim::test
