#include "search/perft.h"

#include <iostream>

#include "board/misc.h"
#include "board/movegen.h"
#include "board/position.h"
#include "uci/uci.h"

namespace Search {

template <bool Root>
uint64_t perft(Position& pos, Depth depth, const std::atomic<bool>* abort) {
  StateInfo st;
  uint64_t cnt, nodes = 0;
  const CheckInfo ci(pos);
  const bool leaf = (depth == 2 * DEPTH_ONE_PLY);

  for (const auto& m : MoveList<GEN_LEGAL>(pos)) {
    if (Root && depth <= DEPTH_ONE_PLY)
      cnt = 1;
    else {
      pos.do_move(m, st, pos.gives_check(m, ci));
      cnt = leaf ? MoveList<GEN_LEGAL>(pos).size() : perft<false>(pos, depth - DEPTH_ONE_PLY, abort);
      pos.undo_move(m);
    }

    // A count cut short is no count: at the root it would read as final.
    if (abort && abort->load(std::memory_order_relaxed))
      break;

    nodes += cnt;

    if (Root)
      sync_cout << UCI::move(m, pos.is_chess960()) << ": " << cnt << sync_endl;
  }

  return nodes;
}

template uint64_t perft<true>(Position&, Depth, const std::atomic<bool>*);
template uint64_t perft<false>(Position&, Depth, const std::atomic<bool>*);

}  // namespace Search
