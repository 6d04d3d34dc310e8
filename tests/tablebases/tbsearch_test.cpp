#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "search/search_support.h"
#include "tablebases/tb_support.h"

using namespace search_support;
using namespace tb_support;

namespace {

class TablebaseSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have_tables())
      GTEST_SKIP() << "Syzygy tables not found in " << SyzygyDir;
    start_engine();
    set_option("VYN Corvastel Elo", "2900 World Elite");
    set_option("Threads", "1");
    set_option("MultiPV", "1");
    set_option("Show PV", "true");
    Search::clear();
    // As the command loop sets it: the option's name in lower case.
    testing::internal::CaptureStdout();
    set_option("syzygypath", SyzygyDir);
    found = testing::internal::GetCapturedStdout();
  }
  void TearDown() override {
    testing::internal::CaptureStdout();
    set_option("syzygypath", "<empty>");
    testing::internal::GetCapturedStdout();
  }

  std::string found;
};

std::string best_move(const std::string& out) {
  std::smatch m;
  const std::string last = last_line(out);
  return std::regex_search(last, m, std::regex("^bestmove (\\S+)")) ? m[1].str() : "";
}

}  // namespace

TEST_F(TablebaseSearch, WonEndgameIsReportedFromTheTables) {
  EXPECT_EQ(found, "info string Found 35 tablebases.\n");
  EXPECT_EQ(Tablebases::MaxCardinality, 4);

  const std::string out = run("8/8/8/4k3/8/8/8/KQ6 w - - 0 1", depth(8));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex("score (cp|mate) (-?\\d+) .*tbhits (\\d+)"))) << out;
  EXPECT_TRUE(m[1] == "mate" || std::stoi(m[2]) >= 20000) << out;  // 31946 internal units
  EXPECT_GT(std::stoull(m[3]), 0u) << out;

  Position pos;
  ASSERT_TRUE(pos.set("8/8/8/4k3/8/8/8/KQ6 w - - 0 1", false, nullptr));
  std::string move = best_move(out);
  const Move best = UCI::to_move(pos, move);
  ASSERT_NE(best, MOVE_NONE) << out;
  StateInfo st;
  pos.do_move(best, st, pos.gives_check(best, CheckInfo(pos)));
  EXPECT_EQ(wdl(pos).value, -2) << out;
}

// The engine plays both sides; the winner must keep the win with every
// move and mate before the fifty-move count runs out.
TEST_F(TablebaseSearch, ConvertsWonEndgamesAgainstItself) {
  for (const char* start : {"8/8/8/4k3/8/8/8/KQ6 w - - 0 1", "8/8/3k4/8/8/8/8/KR6 w - - 0 1",
                            "8/8/4k3/8/4K3/8/4P3/8 w - - 0 1"}) {
    Position pos;
    ASSERT_TRUE(pos.set(start, false, nullptr));
    ASSERT_EQ(wdl(pos).value, 2) << start;
    const Color winner = pos.side_to_move();
    std::string fen = start;
    bool mated = false;

    for (int ply = 0; ply < 200 && !mated; ++ply) {
      ASSERT_TRUE(pos.set(fen, false, nullptr));
      ASSERT_LT(pos.rule50_count(), 100) << fen;
      std::string text = best_move(run(fen, depth(5)));
      const Move m = UCI::to_move(pos, text);
      ASSERT_NE(m, MOVE_NONE) << fen << " " << text;
      StateInfo st;
      pos.do_move(m, st, pos.gives_check(m, CheckInfo(pos)));
      if (winner != pos.side_to_move()) {
        const Probe p = wdl(pos);
        ASSERT_TRUE(p.success && p.value == -2) << fen << " " << text;
      }
      mated = pos.checkers() && MoveList<GEN_LEGAL>(pos).size() == 0;
      fen = pos.fen();
    }
    EXPECT_TRUE(mated) << start;
  }
}
