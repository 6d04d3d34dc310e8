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
  // Saturated: a huge clock or an unstable best move cannot overflow it.
  int64_t available() const;
  int64_t optimum() const { return optimumTime; }
  int64_t maximum() const { return maximumTime; }
  int64_t elapsed() const;

  int64_t availableNodes = 0;
  TimePoint startTime = 0;
  int64_t optimumTime = 0;
  int64_t maximumTime = 0;
  double unstablePvFactor = 1.0;
};

extern TimeManagement Time;

#endif
