#ifndef VYN_EVAL_EVALUATE_H
#define VYN_EVAL_EVALUATE_H

#include <string>

#include "board/types.h"

class Position;

namespace Eval {

constexpr Value Tempo = Value(20);

void init();

// Static score from the side to move's view. The traced twin also records
// every term for trace().
template <bool DoTrace = false>
Value evaluate(const Position& pos);

std::string trace(const Position& pos);

// The king danger penalty of an attack-unit count; counts outside 0..399
// read the nearest end of the table.
Score king_danger(int units);

// Shrinks several positional terms below the top Elo level.
double strength_factor(int elo);

// Deterministic, position-dependent offset added below the top Elo level.
int noise(Key key, int elo);

}  // namespace Eval

#endif
