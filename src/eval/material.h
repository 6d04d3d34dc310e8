#ifndef VYN_EVAL_MATERIAL_H
#define VYN_EVAL_MATERIAL_H

#include "board/misc.h"
#include "board/position.h"
#include "board/types.h"
#include "eval/endgame.h"

namespace Material {

// What the evaluation derives from the piece counts alone.
struct Entry {
  Score imbalance_score() const { return make_score(imbalance, imbalance); }
  Phase game_phase() const { return gamePhase; }
  bool specialized_eval_exists() const { return specialEvaluator != nullptr; }
  Value evaluate(const Position& pos) const { return (*specialEvaluator)(pos); }

  // The scaling evaluator's factor when it has an opinion, else the default.
  ScaleFactor scale_factor(const Position& pos, Color c) const {
    const ScaleFactor sf = scalingEvaluator[c] ? (*scalingEvaluator[c])(pos) : SCALE_FACTOR_NONE;
    return sf != SCALE_FACTOR_NONE ? sf : ScaleFactor(scaleFactor[c]);
  }

  Key key;
  int16_t imbalance;
  uint8_t scaleFactor[COLOR_NB];
  EndgameBase<Value>* specialEvaluator;
  EndgameBase<ScaleFactor>* scalingEvaluator[COLOR_NB];
  Phase gamePhase;
};

typedef HashTable<Entry, 8192> Table;

// The entry of pos in the table of the thread that owns pos.
Entry* probe(const Position& pos);

}  // namespace Material

#endif
