#ifndef VYN_BOARD_MOVEGEN_H
#define VYN_BOARD_MOVEGEN_H

#include <cstddef>

#include "board/types.h"

class Position;

enum GenType {
  GEN_CAPTURES,
  GEN_QUIETS,
  GEN_QUIET_CHECKS,
  GEN_EVASIONS,
  GEN_PSEUDO_LEGAL,
  GEN_LEGAL
};

template <GenType>
ExtMove* generate(const Position& pos, ExtMove* moveList);

template <>
ExtMove* generate<GEN_QUIET_CHECKS>(const Position& pos, ExtMove* moveList);
template <>
ExtMove* generate<GEN_EVASIONS>(const Position& pos, ExtMove* moveList);
template <>
ExtMove* generate<GEN_LEGAL>(const Position& pos, ExtMove* moveList);

// The moves of one generation type, held in a fixed array.
template <GenType T>
struct MoveList {
  explicit MoveList(const Position& pos) : last(generate<T>(pos, moveList)) {}
  const ExtMove* begin() const { return moveList; }
  const ExtMove* end() const { return last; }
  size_t size() const { return size_t(last - moveList); }
  bool contains(Move move) const {
    for (const ExtMove* it = moveList; it != last; ++it)
      if (it->move == move)
        return true;
    return false;
  }

 private:
  ExtMove moveList[MAX_MOVES], *last;
};

#endif
