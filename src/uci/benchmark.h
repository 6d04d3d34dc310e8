#ifndef VYN_UCI_BENCHMARK_H
#define VYN_UCI_BENCHMARK_H

#include <istream>

class Position;

// Searches (or counts the move trees of) a list of positions with fixed
// limits and reports time, nodes and speed on the error stream.
void benchmark(const Position& current, std::istream& is);

#endif
