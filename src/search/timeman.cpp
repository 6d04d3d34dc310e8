#include "search/timeman.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "search/thread.h"
#include "uci/uci.h"

TimeManagement Time;

namespace {

const int MoveHorizon = 60;
const double MaxRatio = 4.0;    // how far one move may exceed its share
const double StealRatio = 0.8;  // how much of the later moves' time it may take

int clamp_int(int64_t v) { return int(std::max<int64_t>(INT_MIN, std::min<int64_t>(INT_MAX, v))); }

// A double as a 64-bit integer, truncated toward zero; beyond the range (or
// not a number) it saturates instead of being undefined.
int64_t saturate(double v) {
  if (std::isnan(v))
    return 0;
  if (v <= -9.2e18)
    return INT64_MIN;
  return v < 9.2e18 ? int64_t(v) : INT64_MAX;
}

// Weight of the move at this game ply: near 1 in the opening, falling towards
// 0 after ply 40, never exactly 0.
double importance(double ply) { return std::pow(1 + std::exp((ply - 40) / 4.5), -0.6) + DBL_MIN; }

struct Ratios {
  double optimum, maximum;
};

Ratios ratios(int movesToGo, int ply, int slowMover) {
  const double thisMove = importance(ply) * slowMover / 100;
  double others = 0;
  for (int i = 1; i < movesToGo; ++i)
    others += importance(ply + 2.0 * i);

  return {thisMove / (thisMove + others),
          std::min(MaxRatio * thisMove / (MaxRatio * thisMove + others),
                   (thisMove + StealRatio * others) / (thisMove + others))};
}

}  // namespace

// The budget is the tightest over every hypothetical number of moves left
// until the horizon, each guessing what the clock will be then.
void TimeManagement::init(Search::LimitsType& limits, Color us, int ply) {
  const int minThinkingTime = Options["Minimum Thinking Time"];
  const int moveOverhead = Options["Move Overhead"];
  const int slowMover = Options["Slow Mover"];
  const int npmsec = Options["nodestime"];

  // Nodes as time: the game's node budget is fixed by the first search and
  // then only spent, whatever the GUI's clock says.
  if (npmsec) {
    if (!availableNodes)
      availableNodes = int64_t(npmsec) * limits.time[us];

    limits.time[us] = clamp_int(availableNodes);
    limits.inc[us] = clamp_int(int64_t(limits.inc[us]) * npmsec);
    limits.npmsec = npmsec;
  }

  // A game's node budget may exceed 32 bits; the clock copy above is only
  // what the GUI can be shown.
  const int64_t myTime = npmsec ? availableNodes : int64_t(limits.time[us]);

  startTime = limits.startTime;
  unstablePvFactor = 1.0;
  optimumTime = maximumTime = std::max<int64_t>(myTime, minThinkingTime);

  // A move count of 0 or less is no move count: the whole clock is never
  // one move's.
  const bool clock = limits.has_clock();
  const int maxMTG = limits.movestogo > 0 ? std::min(limits.movestogo, MoveHorizon) : MoveHorizon;

  for (int hypMTG = 1; hypMTG <= maxMTG; ++hypMTG) {
    int64_t hypMyTime = myTime + int64_t(limits.inc[us]) * (hypMTG - 1)
                        - int64_t(moveOverhead) * (2 + std::min(hypMTG, 40));
    hypMyTime = std::max<int64_t>(hypMyTime, 0);

    // On a clock, each of these moves gets the minimum thinking time only
    // as far as the clock holds it for all of them: otherwise a slow
    // personality would lose the game on time.
    const int64_t minimum = clock ? std::min<int64_t>(minThinkingTime, hypMyTime / hypMTG) : minThinkingTime;

    const Ratios r = ratios(hypMTG, ply, slowMover);
    const int64_t t1 = minimum + saturate(double(hypMyTime) * r.optimum);
    const int64_t t2 = minimum + saturate(double(hypMyTime) * r.maximum);

    optimumTime = std::min(t1, optimumTime);
    maximumTime = std::min(t2, maximumTime);
  }

  if (int(Options["Ponder"]))
    optimumTime += optimumTime / 4;

  // Early moves are mostly known theory: keep them short.
  if (ply < 10) {
    optimumTime = std::min<int64_t>(optimumTime, 1000);
    maximumTime = std::min<int64_t>(maximumTime, 3000);
  } else if (ply < 12)
    optimumTime = std::min<int64_t>(optimumTime, 5000);

  // Whatever the minimum says, the search never runs past what the clock
  // holds after the overhead.
  if (clock)
    maximumTime = std::min(maximumTime, std::max<int64_t>(myTime - moveOverhead, 0));
}

int64_t TimeManagement::available() const { return saturate(optimumTime * unstablePvFactor * 1.016); }

int64_t TimeManagement::elapsed() const {
  if (Search::Limits.npmsec)
    return int64_t(std::min<uint64_t>(Threads.nodes_searched(), INT64_MAX));
  return now() - startTime;
}
