#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "board/misc.h"
#include "search/search.h"
#include "search/thread.h"
#include "search/timeman.h"
#include "uci/uci.h"

namespace {

class TimeManagementTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UCI::init(Options); }
  void TearDown() override { set_options(30, 0, 10, 0, false); }  // the defaults

  static void set_options(int overhead, int minimum, int slowMover, int nodestime, bool ponder) {
    Options["Move Overhead"] = std::to_string(overhead);
    Options["Minimum Thinking Time"] = std::to_string(minimum);
    Options["Slow Mover"] = std::to_string(slowMover);
    Options["nodestime"] = std::to_string(nodestime);
    Options["Ponder"] = std::string(ponder ? "true" : "false");
  }

  // The budget of one search; the opponent's clock must not matter.
  static TimeManagement budget(int time, int ply, int inc = 0, int movestogo = 0, Color us = COLOR_WHITE) {
    Search::LimitsType limits;
    limits.time[us] = time;
    limits.inc[us] = inc;
    limits.time[~us] = 1;
    limits.inc[~us] = 99999;
    limits.movestogo = movestogo;
    limits.startTime = 4242;
    TimeManagement tm;
    tm.unstablePvFactor = 3.0;
    tm.init(limits, us, ply);
    return tm;
  }
};

}  // namespace

TEST_F(TimeManagementTest, Budgets) {
  const struct {
    int time, inc, movestogo, slowMover, ply, overhead, minimum;
    bool ponder;
    int optimum, maximum;
  } cases[] = {
      {60000, 0, 0, 35, 20, 30, 0, false, 1696, 6244},
      {60000, 0, 0, 10, 20, 30, 0, false, 494, 1930},
      {60000, 0, 0, 35, 4, 30, 0, false, 1000, 3000},
      {60000, 1000, 0, 35, 40, 30, 0, false, 5615, 18138},
      {300000, 0, 40, 35, 30, 30, 0, false, 13712, 48211},
      {10000, 0, 0, 35, 60, 30, 0, false, 840, 2609},
      {10000, 0, 2, 1000, 30, 30, 0, false, 9007, 9646},  // a very slow mover near the control
      // The horizon is 60 moves: sudden death, 100 and 60 to go agree; 50 differs.
      {120000, 0, 0, 35, 30, 30, 0, false, 5449, 19161},
      {120000, 0, 100, 35, 30, 30, 0, false, 5449, 19161},
      {120000, 0, 60, 35, 30, 30, 0, false, 5449, 19161},
      {120000, 0, 50, 35, 30, 30, 0, false, 5450, 19161},
      // One move to go: the clock less three overheads, then the caps.
      {10000, 500, 1, 35, 20, 30, 0, false, 9910, 9910},
      {10000, 500, 1, 35, 11, 30, 0, false, 5000, 9910},
      {10000, 500, 1, 35, 10, 30, 0, false, 5000, 9910},
      {10000, 500, 1, 35, 9, 30, 0, false, 1000, 3000},
      {1000, 0, 1, 35, 30, 30, 40, false, 950, 950},
      // Caps at ply 0-9 and 10-11 even with a huge clock.
      {3600000, 60000, 0, 35, 0, 30, 0, false, 1000, 3000},
      {3600000, 60000, 0, 35, 11, 30, 0, false, 5000, 398960},
      // Ponder: a quarter more, then the caps; no clock: the minimum.
      {60000, 0, 0, 35, 20, 30, 0, true, 2120, 6244},
      {60000, 0, 0, 35, 4, 30, 0, true, 1000, 3000},
      // Our clock at 0, no time left after the overheads, or a negative
      // clock: nothing to spend, whatever the minimum.
      {0, 0, 0, 35, 30, 30, 100, true, 0, 0},
      {10000, 0, 0, 35, 20, 5000, 50, false, 0, 0},
      {-500, 0, 0, 35, 20, 30, 0, false, 0, 0},
  };
  for (const auto& c : cases)
    for (Color us : {COLOR_WHITE, COLOR_BLACK}) {
      set_options(c.overhead, c.minimum, c.slowMover, 0, c.ponder);
      const TimeManagement tm = budget(c.time, c.ply, c.inc, c.movestogo, us);
      EXPECT_EQ(tm.optimum(), c.optimum) << c.time << " ply " << c.ply;
      EXPECT_EQ(tm.maximum(), c.maximum) << c.time << " ply " << c.ply;
      EXPECT_EQ(tm.startTime, 4242);
      EXPECT_EQ(tm.available(), int(c.optimum * 1.016));  // the pv factor starts at 1
    }
}

// A minimum thinking time is kept in full while the clock holds it for every
// move to the horizon, and gives way to the clock where it does not.
TEST_F(TimeManagementTest, MinimumThinkingTimeFitsTheClock) {
  const struct {
    int time, inc, movestogo, ply;
  } longClocks[] = {{60000, 0, 0, 20}, {300000, 0, 0, 58}, {10000, 1000, 0, 30}, {40000, 0, 40, 30}};
  for (const auto& c : longClocks) {
    set_options(30, 0, 10, 0, false);
    const TimeManagement without = budget(c.time, c.ply, c.inc, c.movestogo);
    set_options(30, 500, 10, 0, false);
    const TimeManagement with = budget(c.time, c.ply, c.inc, c.movestogo);
    EXPECT_EQ(with.optimum(), without.optimum() + 500) << c.time;
    EXPECT_EQ(with.maximum(), without.maximum() + 500) << c.time;
  }

  const struct {
    int time, inc, movestogo;
  } shortClocks[] = {{20, 0, 0}, {50, 0, 0}, {200, 0, 0}, {500, 0, 0}, {1000, 0, 0},
                     {5000, 50, 0}, {400, 0, 1}, {300, 0, 3}, {20000, 0, 40}};
  for (const auto& c : shortClocks)
    for (int minimum : {200, 500, 5000}) {
      set_options(30, minimum, 10, 0, false);
      const TimeManagement tm = budget(c.time, 58, c.inc, c.movestogo);
      EXPECT_LE(tm.maximum(), std::max(c.time - 30, 0)) << c.time << " min " << minimum;
      if (c.time < 42 * 30 && !c.inc && !c.movestogo) {  // the clock can't pay the overheads
        EXPECT_EQ(tm.maximum(), 0) << c.time << " min " << minimum;
      }
    }

  // Without a clock the minimum is the whole budget, as before.
  set_options(30, 100, 10, 0, true);
  Search::LimitsType noClock;
  noClock.movetime = 1000;
  TimeManagement tm;
  tm.init(noClock, COLOR_WHITE, 30);
  EXPECT_EQ(tm.optimum(), 125);
  EXPECT_EQ(tm.maximum(), 100);
}

TEST_F(TimeManagementTest, ExtremeClocksStayInRange) {
  set_options(30, 0, 35, 0, true);
  // The quarter more of a whole 32-bit clock leaves 32 bits without wrapping.
  EXPECT_EQ(budget(INT_MAX, 30, 0, 1).optimum(), (int64_t(INT_MAX) - 90) * 5 / 4);
  const TimeManagement tm = budget(INT_MAX, 30, INT_MAX);
  EXPECT_GT(tm.optimum(), 0);
  EXPECT_GE(tm.maximum(), tm.optimum());
  EXPECT_GT(budget(60000, 100000).optimum(), 0);

  // A move count of 0 or less is no move count, not the whole clock.
  for (int movestogo : {-1, -3, INT_MIN})
    EXPECT_EQ(budget(120000, 30, 0, movestogo).maximum(), budget(120000, 30).maximum());

  // An unstable best move stretches a long budget without overflowing it.
  TimeManagement tm2 = budget(3600000, 20, 0, 1);
  tm2.unstablePvFactor = 3.0;
  EXPECT_EQ(tm2.available(), int64_t(tm2.optimum() * 3.0 * 1.016));
  tm2.optimumTime = INT64_MAX / 2;
  EXPECT_EQ(tm2.available(), INT64_MAX);
}

// Nodes as time: the first search of a game fixes the node budget; later
// searches spend it, whatever the GUI's clock says.
TEST_F(TimeManagementTest, NodesAsTime) {
  set_options(30, 0, 35, 1000, false);
  TimeManagement tm;
  Search::LimitsType first;
  first.time[COLOR_BLACK] = 60000;
  first.inc[COLOR_BLACK] = 7;
  tm.init(first, COLOR_BLACK, 30);
  EXPECT_EQ(tm.availableNodes, 60000000);
  EXPECT_EQ(first.time[COLOR_BLACK], 60000000);
  EXPECT_EQ(first.inc[COLOR_BLACK], 7000);
  EXPECT_EQ(first.npmsec, 1000);

  tm.availableNodes = 2500000;
  Search::LimitsType later;
  later.time[COLOR_BLACK] = 59000;
  tm.init(later, COLOR_BLACK, 4);
  EXPECT_EQ(later.time[COLOR_BLACK], 2500000);
  EXPECT_EQ(tm.optimum(), 1000);  // the caps count nodes
  EXPECT_EQ(tm.maximum(), 3000);

  // 10000 nodes per ms over five minutes is more than 32 bits hold.
  set_options(30, 0, 35, 10000, false);
  tm.availableNodes = 0;
  Search::LimitsType big;
  big.time[COLOR_WHITE] = big.inc[COLOR_WHITE] = 300000;
  tm.init(big, COLOR_WHITE, 30);
  EXPECT_EQ(tm.availableNodes, int64_t(3000000000));
  EXPECT_EQ(big.time[COLOR_WHITE], INT_MAX);
  EXPECT_EQ(big.inc[COLOR_WHITE], INT_MAX);
  EXPECT_GT(tm.optimum(), 0);
}

TEST_F(TimeManagementTest, ElapsedIsMillisecondsOrNodes) {
  const int saved = Search::Limits.npmsec;
  TimeManagement tm;
  tm.startTime = now() - 250;
  Search::Limits.npmsec = 0;
  EXPECT_GE(tm.elapsed(), 250);
  EXPECT_LT(tm.elapsed(), 5250);
  Search::Limits.npmsec = 1000;
  EXPECT_EQ(tm.elapsed(), int(Threads.nodes_searched()));
  Search::Limits.npmsec = saved;
}
