#ifndef VYN_SEARCH_MOVEPICK_H
#define VYN_SEARCH_MOVEPICK_H

#include <cstdlib>
#include <cstring>

#include "board/movegen.h"
#include "board/position.h"
#include "board/types.h"
#include "search/search.h"

// A [piece][to-square] table: history values, counter moves, or rows of the
// counter-move history.
template <typename T, bool CM = false>
struct Stats {
  static const Value Max = Value(1 << 28);

  const T* operator[](Piece pc) const { return table[pc]; }
  T* operator[](Piece pc) { return table[pc]; }
  void clear() { std::memset(static_cast<void*>(table), 0, sizeof(table)); }

  void update(Piece pc, Square to, Move m) { table[pc][to] = m; }

  // Bonuses of 324 or more would let an entry run away, so they are ignored.
  void update(Piece pc, Square to, Value v) {
    if (std::abs(int(v)) >= 324)
      return;

    table[pc][to] -= table[pc][to] * std::abs(int(v)) / (CM ? 512 : 324);
    table[pc][to] += int(v) * (CM ? 64 : 32);
  }

 private:
  T table[PIECE_NB][SQUARE_NB];
};

typedef Stats<Move> MoveStats;
typedef Stats<Value, false> HistoryStats;
typedef Stats<Value, true> CounterMoveStats;
typedef Stats<CounterMoveStats> CounterMoveHistoryStats;

enum PickStage {
  PICK_MAIN_TT_MOVE, PICK_GOOD_CAPTURES, PICK_KILLERS, PICK_GOOD_QUIETS, PICK_BAD_QUIETS, PICK_BAD_CAPTURES,
  PICK_EVASION_TT_MOVE, PICK_EVASIONS,
  PICK_QS_CHECKS_TT_MOVE, PICK_QS_CAPTURES_1, PICK_QS_CHECKS,
  PICK_QS_TT_MOVE, PICK_QS_CAPTURES_2,
  PICK_PROBCUT_TT_MOVE, PICK_PROBCUT_CAPTURES,
  PICK_RECAPTURE_START, PICK_RECAPTURES,
  PICK_STOP
};

// Hands out the moves of a node one at a time, best first, generating them
// stage by stage so a cut-off spares the rest. Legality is the caller's test.
class MovePicker {
 public:
  MovePicker(const MovePicker&) = delete;
  MovePicker& operator=(const MovePicker&) = delete;

  MovePicker(const Position&, Move, Depth, const HistoryStats&, Square);
  MovePicker(const Position&, Move, const HistoryStats&, Value);
  MovePicker(const Position&, Move, Depth, const HistoryStats&, const CounterMoveStats&, Move, Search::Stack*);

  Move next_move();

 private:
  template <GenType>
  void score();
  void generate_next_stage();
  ExtMove* begin() { return moves; }
  ExtMove* end() { return endMoves; }

  const Position& pos;
  const HistoryStats& history;
  const CounterMoveStats* counterMoveHistory;
  Search::Stack* ss;
  Move counterMove;
  Depth depth;
  Move ttMove;
  ExtMove killers[3];
  Square recaptureSquare;
  Value threshold;
  int stage;
  ExtMove *endQuiets, *endBadCaptures;
  ExtMove moves[MAX_MOVES], *cur, *endMoves;
};

#endif
