#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>
#include <thread>

#include "search/search_support.h"

using namespace search_support;

namespace {

class SearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { start_engine(); }

  void SetUp() override {
    set_option("VYN Corvastel Elo", "2900 World Elite");
    set_option("MultiPV", "1");
    set_option("Threads", "1");
    set_option("Show PV", "true");
    Search::clear();
  }
};

const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The deepest "info depth" line of a search; every such line must have the
// given form (the depth is its first group). The root's currmove lines, which
// a slow build reaches after three seconds, are left aside.
int deepest_info_depth(const std::string& out, const std::regex& form) {
  int deepest = 0;
  for (const std::string& line : lines_of(out)) {
    if (line.rfind("info depth", 0) != 0 || line.find(" currmove ") != std::string::npos)
      continue;
    std::smatch m;
    if (!std::regex_match(line, m, form)) {
      ADD_FAILURE() << "malformed: " << line;
      return -1;
    }
    deepest = std::max(deepest, std::stoi(m[1]));
  }
  return deepest;
}

// The one short line per depth of a weakened search.
const std::regex ShortInfo(
    "info depth (\\d+) score (cp -?\\d+|mate -?\\d+)( lowerbound| upperbound)? nodes \\d+ nps \\d+ time \\d+ "
    "pv [a-h][1-8][a-h][1-8][nbrq]?");

}  // namespace

TEST_F(SearchTest, FindsMatesAndEndsWithOneBestMove) {
  // A mate score at the root stops the search at once.
  const struct {
    const char* fen;
    const char* best;
  } cases[] = {
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "bestmove d1d8"},
      {"3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", "bestmove d8d1"},
      {"k7/8/1K6/8/8/8/8/7R w - - 0 1", "bestmove h1h8"},
      {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", "bestmove h5f7"},
  };

  for (const auto& c : cases) {
    const std::string out = run(c.fen, depth(12));
    EXPECT_EQ(count_prefix(out, "bestmove"), 1) << out;
    EXPECT_EQ(last_line(out).rfind(c.best, 0), 0u) << out;
    EXPECT_EQ(count_prefix(out, "info depth 12"), 0) << out;
  }
}

TEST_F(SearchTest, NoLegalMoveAnswersNoneWithoutSearching) {
  const struct {
    const char* fen;
    const char* info;
  } cases[] = {
      {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "info depth 0 score mate 0"},  // checkmated
      {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "info depth 0 score cp 0"},    // stalemate
  };

  for (const auto& c : cases) {
    const std::string out = run(c.fen, depth(5));
    EXPECT_EQ(out, std::string(c.info) + "\nbestmove (none)\n");
  }
}

TEST_F(SearchTest, DepthLimitIsObeyedAndInfoLinesAreWellFormed) {
  const std::string out = run(StartFen, depth(6));
  const std::regex info(
      "info depth (\\d+) seldepth \\d+ multipv 1 score (cp -?\\d+|mate -?\\d+)( lowerbound| upperbound)? "
      "nodes \\d+ nps \\d+( hashfull \\d+)? tbhits 0 time \\d+ pv( [a-h][1-8][a-h][1-8][nbrq]?)+");
  const int deepest = deepest_info_depth(out, info);
  EXPECT_EQ(deepest, 6);
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
  EXPECT_TRUE(std::regex_match(last_line(out), std::regex("bestmove [a-h][1-8][a-h][1-8]( ponder [a-h][1-8][a-h][1-8])?")))
      << last_line(out);
}

TEST_F(SearchTest, SearchmovesRestrictTheRoot) {
  Search::LimitsType limits = depth(5);
  Position pos;
  ASSERT_TRUE(pos.set(StartFen, false, nullptr));
  std::string a3 = "a2a3", h3 = "h2h3";
  limits.searchmoves = {UCI::to_move(pos, a3), UCI::to_move(pos, h3), UCI::to_move(pos, a3)};

  const std::string out = run(StartFen, limits);
  const std::string best = last_line(out);
  EXPECT_TRUE(best.rfind("bestmove a2a3", 0) == 0 || best.rfind("bestmove h2h3", 0) == 0) << best;
}

TEST_F(SearchTest, NodeLimitStopsTheSearch) {
  Search::LimitsType limits;
  limits.nodes = 20000;
  const std::string out = run(StartFen, limits);
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
  // The poll runs every 4096 calls, so the overshoot stays small.
  EXPECT_LT(Threads.nodes_searched(), 20000u + 20000u);
}

TEST_F(SearchTest, SeveralThreadsStopAtTheNodeLimit) {
  // The time check of a running helper sums the node counters of helpers
  // that are still being handed their root position.
  set_option("Threads", "4");
  ASSERT_EQ(Threads.size(), 4u);
  Search::LimitsType limits;
  limits.nodes = 30000;
  for (int i = 0; i < 3; ++i) {
    const std::string out = run(StartFen, limits);
    EXPECT_EQ(count_prefix(out, "bestmove"), 1);
    EXPECT_LT(Threads.nodes_searched(), 30000u + 60000u);
  }
  set_option("Threads", "1");
}

TEST_F(SearchTest, MultiPVPrintsOneLinePerLegalMoveAtMost) {
  set_option("MultiPV", "3");
  // Two legal moves only: the king's.
  const std::string out = run("k7/8/2K5/8/8/8/8/8 b - - 0 1", depth(4));
  bool sawTwo = false;
  for (const std::string& line : lines_of(out)) {
    EXPECT_EQ(line.find("multipv 3"), std::string::npos) << line;
    EXPECT_EQ(line.find("mate 0"), std::string::npos) << line;
    sawTwo |= line.find("multipv 2") != std::string::npos;
  }
  EXPECT_TRUE(sawTwo) << out;
}

TEST_F(SearchTest, BoundWordsDescribeEachLinesOwnScore) {
  const char* const kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
  const std::regex bound(" (lower|upper)bound ");

  // Each line ended inside its own window; the window searched last, whose
  // move the sort may put on any line, says nothing of the others.
  for (int multiPV = 2; multiPV <= 5; ++multiPV) {
    set_option("MultiPV", std::to_string(multiPV));
    Search::clear();
    int lines = 0;
    for (const std::string& line : lines_of(run(kiwipete, depth(9))))
      if (line.rfind("info depth", 0) == 0 && line.find(" multipv ") != std::string::npos) {
        ++lines;
        EXPECT_FALSE(std::regex_search(line, bound)) << "MultiPV " << multiPV << ": " << line;
      }
    EXPECT_GE(lines, 9 * multiPV);
  }

  // A single line's fail-high and fail-low reports, printed once three
  // seconds have passed (here 3000 nodes: nodes count as time), keep their
  // word; the line that ends each depth is exact.
  set_option("MultiPV", "1");
  set_option("nodestime", "1");
  Search::clear();
  const std::string out = run(kiwipete, depth(12));
  set_option("nodestime", "0");
  std::vector<std::pair<int, std::string>> lines;  // depth, line
  for (const std::string& line : lines_of(out))
    if (line.rfind("info depth", 0) == 0 && line.find(" multipv ") != std::string::npos)
      lines.emplace_back(std::stoi(line.substr(11)), line);
  int lower = 0, upper = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    lower += lines[i].second.find(" lowerbound ") != std::string::npos;
    upper += lines[i].second.find(" upperbound ") != std::string::npos;
    if (i + 1 == lines.size() || lines[i + 1].first != lines[i].first) {
      EXPECT_FALSE(std::regex_search(lines[i].second, bound)) << lines[i].second;
    }
  }
  EXPECT_GT(lower, 0) << out;
  EXPECT_GT(upper, 0) << out;
}

TEST_F(SearchTest, WeakLevelsCapDepthPrintOneShortLineAndUseOneThread) {
  set_option("Threads", "4");
  ASSERT_EQ(Threads.size(), 4u);  // the handler resizes the pool
  set_option("MultiPV", "3");
  set_option("VYN Corvastel Elo", "1000 Intermediate");

  Search::LimitsType limits;
  limits.movetime = 50;
  const std::string out = run(StartFen, limits);

  const int deepest = deepest_info_depth(out, ShortInfo);
  EXPECT_EQ(deepest, 5);
  EXPECT_EQ(int(Options["Threads"]), 1);
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
}

TEST_F(SearchTest, StrengthPauseEndsInsideTheClock) {
  // A slow weak personality with no overhead to spare: its pause reaches the
  // maximum, which is the whole clock, and must not sleep a step past it.
  set_option("VYN Corvastel Elo", "1000 Intermediate");
  set_option("Move Overhead", "0");
  set_option("Minimum Thinking Time", "500");
  Search::LimitsType limits;
  limits.time[COLOR_WHITE] = limits.time[COLOR_BLACK] = 50;
  limits.movestogo = 1;

  // A pause that waits until the limit has passed never answers inside it;
  // one that ends before it does, unless a loaded machine wakes it late
  // every time.
  bool inside = false;
  for (int i = 0; i < 20 && !inside; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 30", limits);
    inside = std::chrono::steady_clock::now() - start < std::chrono::milliseconds(50);
  }
  set_option("Move Overhead", "30");
  set_option("Minimum Thinking Time", "0");
  EXPECT_TRUE(inside);
}

TEST_F(SearchTest, OffLadderEloHasNoDepthCapButStopsEarly) {
  // 2875: a weak level's short lines, no cap at 2850's depth 18, and the top
  // levels' early stop once the clear advantage holds at depth 20.
  set_option("VYN Corvastel Elo", "2875");
  const std::string out = run("8/8/8/4k3/8/8/8/R3K3 w - - 0 1", depth(26));

  const int deepest = deepest_info_depth(out, ShortInfo);
  EXPECT_GE(deepest, 19) << out;
  EXPECT_LT(deepest, 26) << out;
  EXPECT_EQ(count_prefix(out, "info nodes"), 1) << out;
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
}

TEST_F(SearchTest, PonderingSearchAnswersOnlyAfterPonderhit) {
  // The weak level ends the search by itself after its pause; the answer
  // must still wait for the GUI.
  set_option("VYN Corvastel Elo", "500 Beginner");

  Position pos;
  ASSERT_TRUE(pos.set(StartFen, false, nullptr));
  Search::StateStackPtr states(new std::stack<StateInfo, std::deque<StateInfo>>);
  Search::LimitsType limits;
  limits.ponder = 1;
  limits.movetime = 20;
  limits.startTime = now();

  testing::internal::CaptureStdout();
  Threads.start_thinking(pos, limits, states);
  auto finished = std::async(std::launch::async, [] { Threads.main()->wait_for_search_finished(); });
  EXPECT_EQ(finished.wait_for(std::chrono::milliseconds(400)), std::future_status::timeout);

  Search::Limits.ponder = 0;  // what "ponderhit" does
  if (Search::Signals.stopOnPonderhit)
    Search::Signals.stop = true;
  Threads.main()->start_searching(true);
  finished.get();
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
  EXPECT_EQ(last_line(out).rfind("bestmove", 0), 0u);
}

TEST_F(SearchTest, InfiniteSearchWaitsForStopEvenAfterFindingMate) {
  Position pos;
  ASSERT_TRUE(pos.set("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", false, nullptr));
  Search::StateStackPtr states(new std::stack<StateInfo, std::deque<StateInfo>>);
  Search::LimitsType limits;
  limits.infinite = 1;
  limits.startTime = now();

  testing::internal::CaptureStdout();
  Threads.start_thinking(pos, limits, states);
  auto finished = std::async(std::launch::async, [] { Threads.main()->wait_for_search_finished(); });
  // The mate stops the search at once, but the answer waits for "stop".
  EXPECT_EQ(finished.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);

  Search::Signals.stop = true;  // what "stop" does
  Search::Signals.stopCommand = true;
  Threads.main()->start_searching(true);
  finished.get();
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
  EXPECT_EQ(last_line(out).rfind("bestmove d1d8", 0), 0u) << out;
}

TEST_F(SearchTest, SeveralThreadsAgreeOnAForcedMate) {
  set_option("Threads", "3");
  ASSERT_EQ(Threads.size(), 3u);
  const std::string out = run("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", depth(8));
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
  EXPECT_EQ(last_line(out).rfind("bestmove d1d8", 0), 0u) << out;
  set_option("Threads", "1");
  EXPECT_EQ(Threads.size(), 1u);
}

TEST_F(SearchTest, ShowPVOffPrintsNoInfoLines) {
  set_option("Show PV", "false");
  const std::string out = run(StartFen, depth(3));
  for (const std::string& line : lines_of(out))
    EXPECT_EQ(line.rfind("info depth", 0), std::string::npos) << line;
  EXPECT_EQ(count_prefix(out, "bestmove"), 1);
}
