#ifndef VYN_TALK_PHRASES_H
#define VYN_TALK_PHRASES_H

// Internal to the commentary: the phrase tables, and a way for tests to make
// the phrase memory read its file again.

#include <cstdint>
#include <string>
#include <vector>

namespace Talk {

// The phrases of a group ("wel", "dra", "far", "win", "adv", "eq", "dis",
// "los", "mat", "gmq") in index order: a score group's own phrases, then the
// thirty built from its prefix and the shared fragments. Empty for any other
// key.
const std::vector<std::string>& phrases(const std::string& group, bool italian);

// Drops the phrase memory of this run, so the next pick reads the file of the
// current working directory again. The engine itself never calls it.
void forget_phrase_memory();

// Restarts the remark generator from a given state (tests use a fixed one).
void seed_remarks(uint64_t s);

}  // namespace Talk

#endif
