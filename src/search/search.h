#ifndef VYN_SEARCH_SEARCH_H
#define VYN_SEARCH_SEARCH_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <stack>
#include <vector>

#include "board/misc.h"
#include "board/position.h"
#include "board/types.h"
#include "search/perft.h"

namespace Search {

// One record per ply; the search keeps two spare records before the root.
struct Stack {
  Move* pv;
  int ply;
  Move currentMove;
  Move excludedMove;
  Move killers[2];
  Value staticEval;
  bool skipEarlyPruning;
  int moveCount;
};

struct RootMove {
  explicit RootMove(Move m) : pv(1, m) {}

  bool operator<(const RootMove& m) const { return m.score < score; }  // best first
  bool operator==(const Move& m) const { return pv[0] == m; }
  void insert_pv_in_tt(Position& pos);
  bool extract_ponder_from_tt(Position& pos);

  Value score = -VALUE_INFINITE;
  Value previousScore = -VALUE_INFINITE;
  // What score is: exact, or a bound from a window it failed. Travels with
  // the move through every sort, so each info line shows its own.
  Bound scoreBound = BOUND_EXACT;
  Bound previousBound = BOUND_EXACT;
  std::vector<Move> pv;
};

typedef std::vector<RootMove> RootMoves;

// The limits of one "go". The ponder flag changes during a search (ponderhit),
// so it is atomic.
struct LimitsType {
  LimitsType() = default;
  LimitsType(const LimitsType& other) { *this = other; }
  LimitsType& operator=(const LimitsType& other);

  bool use_time_management() const { return !(mate | movetime | depth | nodes | infinite); }
  // A game's clock governs the search: its move must fit in it.
  bool has_clock() const { return use_time_management() && (time[COLOR_WHITE] || time[COLOR_BLACK]); }

  std::vector<Move> searchmoves;
  int time[COLOR_NB] = {0, 0};
  int inc[COLOR_NB] = {0, 0};
  int npmsec = 0;
  int movestogo = 0;
  int depth = 0;
  int movetime = 0;
  int mate = 0;
  int infinite = 0;
  std::atomic<int> ponder{0};
  int64_t nodes = 0;
  TimePoint startTime = 0;
};

struct SignalsType {
  std::atomic<bool> stop{false};
  std::atomic<bool> stopOnPonderhit{false};
  // The GUI sent "stop" (or "quit"): a pondering or infinite search may answer.
  std::atomic<bool> stopCommand{false};
};

typedef std::unique_ptr<std::stack<StateInfo, std::deque<StateInfo>>> StateStackPtr;

extern SignalsType Signals;
extern LimitsType Limits;
extern StateStackPtr SetupStates;

void init();
void clear();

}  // namespace Search

#endif
