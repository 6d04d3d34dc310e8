#ifndef VYN_TALK_TALK_H
#define VYN_TALK_TALK_H

#include <cstdint>
#include <string>

#include "board/types.h"
#include "search/search.h"

class Position;

// The engine's remarks on its games, printed as "info string" lines.
namespace Talk {

// The commentary step after a search: rootPos is the main search thread's
// root position, rootMoves the best thread's root moves.
void on_search_end(const Position& rootPos, const Search::RootMoves& rootMoves, bool infinite);

// Forgets the current game (welcome, mate announcement, remark counters).
void reset();

// A phrase index of a group not said yet in that language; remembered in the
// phrase memory file.
int get_unused_phrase_index(const std::string& key, int count, bool italian);

std::string get_talk_message(Value v, bool mate, bool italian, uint64_t seed);
std::string get_farewell_message(bool italian);

}  // namespace Talk

#endif
