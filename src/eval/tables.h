#ifndef VYN_EVAL_TABLES_H
#define VYN_EVAL_TABLES_H

#include "eval/endgame.h"
#include "eval/material.h"
#include "eval/pawns.h"

// The evaluation's per-thread caches. A search thread owns one; a position
// points at the one that serves it.
struct EvalTables {
  Material::Table materialTable;
  Pawns::Table pawnsTable;
  Endgames endgames;
};

#endif
