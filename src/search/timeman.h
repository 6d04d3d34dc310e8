#ifndef VYN_SEARCH_TIMEMAN_H
#define VYN_SEARCH_TIMEMAN_H

#include <cstdint>

#include "board/misc.h"
#include "board/types.h"
#include "search/search.h"

// The time budget of the running search: an optimum to aim for and a maximum
// never to exceed, in milliseconds, or in nodes when nodes count as time.
class TimeManagement {
 public:
  void init(Search::LimitsType& limits, Color us, int ply);
  int available() const { return int(optimumTime * unstablePvFactor * 1.016); }
  int optimum() const { return optimumTime; }
  int maximum() const { return maximumTime; }
  int elapsed() const;

  int64_t availableNodes = 0;
  TimePoint startTime = 0;
  int optimumTime = 0;
  int maximumTime = 0;
  double unstablePvFactor = 1.0;
};

extern TimeManagement Time;

#endif
