#ifndef VYN_BOOK_BOOK_H
#define VYN_BOOK_BOOK_H

#include <cstdint>
#include <string>
#include <vector>

// A text book of move sequences from the start position, matched against
// the moves played so far.
namespace Book {

extern std::vector<std::vector<std::string>> bookLines;
extern bool isLoaded;

// Replaces the book by the file at path; true when it holds at least one line.
bool load(const std::string& path);

// The next book move after the blank-separated moves, or "" when there is none
// or ply has reached depth.
std::string getMove(const std::string& moves, int ply, int depth, int variety);

// Restarts the move choice from a given state; otherwise the first draw seeds
// it from the clock.
void seed(uint64_t s);

}  // namespace Book

#endif
