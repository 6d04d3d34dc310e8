#ifndef VYN_SEARCH_PERFT_H
#define VYN_SEARCH_PERFT_H

#include <atomic>
#include <cstdint>

#include "board/types.h"

class Position;

namespace Search {

// Leaf count of the legal move tree; the root instance prints each root
// move's count. Once abort is raised the count ends early with the root
// moves counted in full.
template <bool Root>
uint64_t perft(Position& pos, Depth depth, const std::atomic<bool>* abort = nullptr);

}  // namespace Search

#endif
