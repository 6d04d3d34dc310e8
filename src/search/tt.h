#ifndef VYN_SEARCH_TT_H
#define VYN_SEARCH_TT_H

#include <cstddef>
#include <cstdint>

#include "board/misc.h"
#include "board/types.h"

// One slot: 10 bytes, three to a 32-byte cluster.
struct TTEntry {
  Move move() const { return Move(move16); }
  Value value() const { return Value(value16); }
  Value eval() const { return Value(eval16); }
  Depth depth() const { return Depth(depth8); }
  Bound bound() const { return Bound(genBound8 & 0x3); }

  void save(Key k, Value v, Bound b, Depth d, Move m, Value ev, uint8_t g);

 private:
  friend class TranspositionTable;

  uint16_t key16;
  uint16_t move16;
  int16_t value16;
  int16_t eval16;
  uint8_t genBound8;
  int8_t depth8;
};

// Shared by every search thread without locks; it must only be resized or
// cleared while no search runs.
class TranspositionTable {
  static constexpr int CacheLineSize = 64;
  static constexpr int ClusterSize = 3;

  struct Cluster {
    TTEntry entry[ClusterSize];
    char padding[2];
  };

  static_assert(sizeof(TTEntry) == 10, "TTEntry must be 10 bytes");
  static_assert(CacheLineSize % sizeof(Cluster) == 0, "Cluster size incorrect");

 public:
  ~TranspositionTable();
  void new_search() { generation8 += 4; }  // low two bits hold the bound
  uint8_t generation() const { return generation8; }
  TTEntry* probe(const Key key, bool& found) const;
  int hashfull() const;
  void resize(size_t mbSize);
  void clear();
  size_t cluster_count() const { return clusterCount; }

  // Only for prefetching; null before the first resize.
  TTEntry* first_entry(const Key key) const {
    return table ? &table[size_t(key) & (clusterCount - 1)].entry[0] : nullptr;
  }

 private:
  size_t clusterCount = 0;
  Cluster* table = nullptr;  // from the platform's large blocks, cache line aligned
  uint8_t generation8 = 0;
};

extern TranspositionTable TT;

// Mate scores are stored relative to the node, not to the root; "no value"
// stays "no value" both ways.
inline Value value_to_tt(Value v, int ply) {
  return v == VALUE_NONE                ? VALUE_NONE
         : v >= VALUE_MATE_IN_MAX_PLY   ? v + ply
         : v <= VALUE_MATED_IN_MAX_PLY  ? v - ply
                                        : v;
}

inline Value value_from_tt(Value v, int ply) {
  return v == VALUE_NONE                ? VALUE_NONE
         : v >= VALUE_MATE_IN_MAX_PLY   ? v - ply
         : v <= VALUE_MATED_IN_MAX_PLY  ? v + ply
                                        : v;
}

#endif
