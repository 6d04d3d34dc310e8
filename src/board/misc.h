#ifndef VYN_BOARD_MISC_H
#define VYN_BOARD_MISC_H

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "board/types.h"

const std::string engine_info(bool toUci = false);
// A hint to start loading a hash entry that will be read soon.
inline void prefetch(const void* addr) { __builtin_prefetch(addr, 0, 3); }
void start_logger(bool b);

void dbg_hit_on(bool b);
void dbg_hit_on(bool c, bool b);
void dbg_mean_of(int v);
void dbg_print();

// Milliseconds of the steady clock.
typedef std::chrono::milliseconds::rep TimePoint;

inline TimePoint now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

enum SyncCout { SYNC_COUT_LOCK, SYNC_COUT_UNLOCK };
std::ostream& operator<<(std::ostream&, SyncCout);

#define sync_cout std::cout << SYNC_COUT_LOCK
#define sync_endl std::endl << SYNC_COUT_UNLOCK

// xorshift64*: the magic search and the Zobrist keys depend on its exact output.
class PRNG {
  uint64_t s;

  uint64_t rand64() {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s * 2685821657736338717ULL;
  }

 public:
  // A zero state would stay zero for ever.
  explicit PRNG(uint64_t seed) : s(seed ? seed : 1) {}

  template <typename T>
  T rand() { return T(rand64()); }

  // Sparse candidates for the magic search: AND of three draws.
  template <typename T>
  T sparse_rand() { return T(rand64() & rand64() & rand64()); }

  // Uniform-enough choice among n, from the low 32 bits of one draw.
  unsigned pick(unsigned n) { return n ? unsigned(uint32_t(rand64())) % n : 0; }
};

// A fixed-size per-thread cache indexed by the low bits of a key. Every slot
// starts with a key that cannot map to it, so a never-written slot always
// misses (a pawnless position has pawn key 0).
template <class Entry, int Size>
class HashTable {
  static_assert((Size & (Size - 1)) == 0, "Size must be a power of two");

 public:
  HashTable() : table(Size) {
    for (int i = 0; i < Size; ++i)
      table[i].key = Key(i + 1);
  }
  Entry* operator[](Key key) { return &table[uint32_t(key) & (Size - 1)]; }

 private:
  std::vector<Entry> table;
};

#endif
