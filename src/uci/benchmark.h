#ifndef VYN_UCI_BENCHMARK_H
#define VYN_UCI_BENCHMARK_H

#include <istream>

class Position;

// Searches (or counts the move trees of) a list of positions with fixed
// limits and reports time, nodes and speed on the error stream. The command
// is read and checked on the caller's thread; the positions are searched on
// a thread of their own, so the command loop can still answer "isready" and
// hear "stop" meanwhile. Returns once the first position is under way.
void benchmark(const Position& current, std::istream& is);

// Ends a running benchmark at once: the search under way stops, the positions
// left are skipped and the report covers what was searched (a perft leaves
// out the root move it was counting). Returns when the benchmark has ended.
void stop_benchmark();

// Returns when no benchmark runs.
void wait_benchmark();

#endif
