#ifndef VYN_SEARCH_PERFT_H
#define VYN_SEARCH_PERFT_H

#include <cstdint>

#include "board/types.h"

class Position;

namespace Search {

// Leaf count of the legal move tree; the root instance prints each root
// move's count.
template <bool Root>
uint64_t perft(Position& pos, Depth depth);

}  // namespace Search

#endif
