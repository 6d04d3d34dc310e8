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

  startTime = limits.startTime;
  unstablePvFactor = 1.0;
  optimumTime = maximumTime = std::max(limits.time[us], minThinkingTime);

  const int maxMTG = limits.movestogo ? std::min(limits.movestogo, MoveHorizon) : MoveHorizon;

  for (int hypMTG = 1; hypMTG <= maxMTG; ++hypMTG) {
    int64_t hypMyTime = int64_t(limits.time[us]) + int64_t(limits.inc[us]) * (hypMTG - 1)
                        - int64_t(moveOverhead) * (2 + std::min(hypMTG, 40));
    hypMyTime = std::max<int64_t>(hypMyTime, 0);

    const Ratios r = ratios(hypMTG, ply, slowMover);
    const int t1 = clamp_int(minThinkingTime + int64_t(double(hypMyTime) * r.optimum));
    const int t2 = clamp_int(minThinkingTime + int64_t(double(hypMyTime) * r.maximum));

    optimumTime = std::min(t1, optimumTime);
    maximumTime = std::min(t2, maximumTime);
  }

  if (int(Options["Ponder"]))
    optimumTime = clamp_int(int64_t(optimumTime) + optimumTime / 4);

  // Early moves are mostly known theory: keep them short.
  if (ply < 10) {
    optimumTime = std::min(optimumTime, 1000);
    maximumTime = std::min(maximumTime, 3000);
  } else if (ply < 12)
    optimumTime = std::min(optimumTime, 5000);
}

int TimeManagement::elapsed() const {
  if (Search::Limits.npmsec)
    return int(std::min<uint64_t>(Threads.nodes_searched(), INT_MAX));
  return clamp_int(now() - startTime);
}
