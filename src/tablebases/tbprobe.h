#ifndef VYN_TABLEBASES_TBPROBE_H
#define VYN_TABLEBASES_TBPROBE_H

#include <atomic>
#include <cstdint>
#include <string>

#include "board/types.h"
#include "search/search.h"

class Position;

namespace Tablebases {

// The largest piece count among the loaded tables (0: none loaded).
extern int MaxCardinality;

// Search-wide settings and results, set per search by the search driver.
extern int Cardinality;
extern std::atomic<uint64_t> Hits;
extern bool RootInTB;
extern bool UseRule50;
extern Depth ProbeDepth;
extern Value Score;

void init(const std::string& paths);

// Win/draw/loss (-2..2) and distance to zero of a position; *success is 0
// when the position could not be probed.
int probe_wdl(Position& pos, int* success);
int probe_dtz(Position& pos, int* success);

// Keep only the root moves that preserve the tablebase result; false when a
// probe failed.
bool root_probe(Position& pos, Search::RootMoves& rootMoves, Value& score);
bool root_probe_wdl(Position& pos, Search::RootMoves& rootMoves, Value& score);

}  // namespace Tablebases

#endif
