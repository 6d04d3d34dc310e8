#include "tablebases/tbprobe.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "board/misc.h"
#include "board/movegen.h"
#include "board/position.h"
#include "platform/mapped_file.h"
#include "tablebases/tbformat.h"

namespace Tablebases {

int MaxCardinality = 0;

namespace {

constexpr int WDL_LOSS = -2;
constexpr int WDL_WIN = 2;

// Indexed by WDL result + 2.
constexpr int wdl_to_dtz[5] = {-1, -101, 0, 101, 1};
constexpr int wdl_to_map[5] = {1, 3, 0, 2, 0};
constexpr uint8_t pa_flags[5] = {8, 0, 0, 0, 4};
constexpr Value wdl_to_Value[5] = {Value(-VALUE_MATE + MAX_PLY + 1), Value(-2), VALUE_DRAW, Value(2),
                                   Value(VALUE_MATE - MAX_PLY - 1)};

constexpr char pchr[] = "KQRBNP";

enum LoadState : uint8_t { UNLOADED, READY, FAILED };
enum LoadResult { LOADED, MISSING, CORRUPT };

// A mapped file with its decoders.
struct Table {
  Platform::MappedFile file;
  TableLayout layout;
};

// A registered material signature. Its WDL file is mapped at the first probe,
// its DTZ file through the cache.
struct Entry {
  std::string name;
  Key key = 0;   // white = the pieces before the 'v'
  Key key2 = 0;  // colours swapped
  Material material;
  std::atomic<uint8_t> state{UNLOADED};
  Table wdl;
  bool dtzFailed = false;  // guarded by DTZMutex
};

constexpr int TBHASHBITS = 10;
constexpr int HSHMAX = 5;
constexpr size_t CANDIDATES = 510;
constexpr int DTZ_ENTRIES = 64;

struct HashSlot {
  Key key;
  Entry* ptr;
};

struct DTZSlot {
  Key key1 = 0, key2 = 0;
  const Entry* owner = nullptr;
  std::unique_ptr<Table> table;  // null when the file is missing or refused
};

std::vector<std::string> Paths;
std::vector<std::unique_ptr<Entry>> Entries;
HashSlot TBHash[1 << TBHASHBITS][HSHMAX];
std::mutex TBMutex;  // first mapping of WDL files

DTZSlot DTZTable[DTZ_ENTRIES];  // most recently used first
std::mutex DTZMutex;            // the DTZ cache and everything probing it

std::string find_file(const std::string& fileName) {
  for (const std::string& dir : Paths) {
    const std::string path = dir + Platform::DirSeparator + fileName;
    if (Platform::is_nonempty_file(path))
      return path;
  }
  return std::string();
}

Entry* lookup(Key key) {
  for (const HashSlot& slot : TBHash[key >> (64 - TBHASHBITS)])
    if (slot.ptr && slot.key == key)
      return slot.ptr;
  return nullptr;
}

bool hash_has_room(Key key, int needed) {
  int free = 0;
  for (const HashSlot& slot : TBHash[key >> (64 - TBHASHBITS)])
    free += !slot.ptr;
  return free >= needed;
}

void hash_insert(Key key, Entry* e) {
  for (HashSlot& slot : TBHash[key >> (64 - TBHASHBITS)])
    if (!slot.ptr) {
      slot = {key, e};
      return;
    }
}

void register_table(const std::string& name) {
  Material m;
  int colour = 0;
  for (char ch : name) {
    const char* p = std::strchr("PNBRQK", ch);
    if (ch == 'v')
      colour = 8;
    else if (ch && p)
      ++m.counts[int(p - "PNBRQK") + 1 + colour];
  }

  Key key = 0, key2 = 0;
  for (int pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt) {
    for (int n = 0; n < m.counts[pt]; ++n) {
      key ^= Zobrist::psq[COLOR_WHITE][pt][n];
      key2 ^= Zobrist::psq[COLOR_BLACK][pt][n];
    }
    for (int n = 0; n < m.counts[pt + 8]; ++n) {
      key ^= Zobrist::psq[COLOR_BLACK][pt][n];
      key2 ^= Zobrist::psq[COLOR_WHITE][pt][n];
    }
  }

  int unique = 0;
  for (int c : m.counts) {
    m.num += c;
    unique += c == 1;
  }
  m.symmetric = key == key2;
  m.hasPawns = m.counts[PIECE_WHITE_PAWN] + m.counts[PIECE_BLACK_PAWN] > 0;
  m.encType = unique >= 3 ? 0 : 2;

  if (m.hasPawns) {
    // The colour with fewer pawns, but at least one, leads.
    int p0 = m.counts[PIECE_WHITE_PAWN], p1 = m.counts[PIECE_BLACK_PAWN];
    if (p1 > 0 && (p0 == 0 || p1 < p0))
      std::swap(p0, p1);
    m.pawns[0] = uint8_t(p0);
    m.pawns[1] = uint8_t(p1);
  }

  // A full bucket is reported and the table left out; play goes on.
  const bool sameBucket = key2 != key && (key2 >> (64 - TBHASHBITS)) == (key >> (64 - TBHASHBITS));
  if (!hash_has_room(key, sameBucket ? 2 : 1) || (key2 != key && !hash_has_room(key2, 1))) {
    sync_cout << "HSHMAX too low!" << sync_endl;
    return;
  }

  auto e = std::make_unique<Entry>();
  e->name = name;
  e->key = key;
  e->key2 = key2;
  e->material = m;
  hash_insert(key, e.get());
  if (key2 != key)
    hash_insert(key2, e.get());

  MaxCardinality = std::max(MaxCardinality, m.num);
  Entries.push_back(std::move(e));
}

void try_name(const std::string& name) {
  if (!find_file(name + ".rtbw").empty())
    register_table(name);
}

LoadResult load_table(Table& t, const Entry& e, bool wdl) {
  const char* suffix = wdl ? ".rtbw" : ".rtbz";
  const std::string path = find_file(e.name + suffix);
  if (path.empty())
    return MISSING;

  if (!t.file.open(path)) {
    sync_cout << "Could not map " << e.name << suffix << ", error = " << t.file.error() << "." << sync_endl;
    return MISSING;
  }

  const uint8_t* magic = wdl ? WDL_MAGIC : DTZ_MAGIC;
  if (t.file.size() < 5 || std::memcmp(t.file.data(), magic, 4) != 0
      || !setup_table(t.layout, e.material, t.file.data(), t.file.size(), wdl)) {
    t.layout = TableLayout();
    t.file.close();
    return CORRUPT;
  }
  return LOADED;
}

// Maps and sets up a WDL file once; later probes see the published state.
bool ensure_loaded(Entry& e) {
  uint8_t st = e.state.load(std::memory_order_acquire);
  if (st == UNLOADED) {
    std::lock_guard<std::mutex> lock(TBMutex);
    st = e.state.load(std::memory_order_relaxed);
    if (st == UNLOADED) {
      const LoadResult r = load_table(e.wdl, e, true);
      if (r == MISSING)
        sync_cout << "Could not find " << e.name << ".rtbw" << sync_endl;
      else if (r == CORRUPT)
        sync_cout << "Corrupted table." << sync_endl;
      st = r == LOADED ? READY : FAILED;
      e.state.store(st, std::memory_order_release);
    }
  }
  return st == READY;
}

// How a position maps onto its table: colour flip for piece codes, vertical
// mirror for squares, and the stored side to move wanted.
struct Orientation {
  int cmirror, mirror, bside;
};

Orientation orient(const Position& pos, const Entry& e, Key key) {
  const bool whiteToMove = pos.side_to_move() == COLOR_WHITE;
  if (e.material.symmetric)
    return whiteToMove ? Orientation{0, 0, 0} : Orientation{8, 0x38, 0};
  if (key != e.key)
    return Orientation{8, 0x38, whiteToMove};
  return Orientation{0, 0, !whiteToMove};
}

// Fills squares from slot i on, following a piece list. False when the
// position's pieces do not fit the list.
bool fill_squares(const Position& pos, const uint8_t* pieces, int num, const Orientation& o, int* sq, int i) {
  while (i < num) {
    const Piece pc = Piece(pieces[i] ^ o.cmirror);
    Bitboard bb = pos.pieces(color_of(pc), type_of(pc));
    if (!bb)
      return false;
    do {
      if (i >= num)
        return false;
      sq[i++] = pop_lsb(&bb) ^ o.mirror;
    } while (bb);
  }
  return true;
}

// Reads a table at the position: the stored value, or -1. For a DTZ table,
// *fileOut receives the section read and a side mismatch gives -2.
int read_table(const Position& pos, const Entry& e, const TableLayout& t, const Orientation& o, bool wdl,
               const FileData** fileOut) {
  const Material& m = e.material;
  int sq[TBPIECES + 2];
  const SideData* sd;
  uint64_t idx;

  if (!m.hasPawns) {
    const FileData& fd = t.files[0];
    *fileOut = &fd;
    if (!wdl && (fd.flags & 1) != o.bside && !m.symmetric)
      return -2;
    sd = &fd.side[wdl ? o.bside : 0];
    if (!fill_squares(pos, sd->pieces, m.num, o, sq, 0))
      return -1;
    idx = encode_piece(m.encType, m.num, sd->norm, sq, sd->factor);
  } else {
    const Piece lead = Piece(t.files[0].side[0].pieces[0] ^ o.cmirror);
    Bitboard bb = pos.pieces(color_of(lead), type_of(lead));
    if (popcount(bb) != m.pawns[0])
      return -1;
    for (int i = 0; bb; ++i)
      sq[i] = pop_lsb(&bb) ^ o.mirror;

    const FileData& fd = t.files[pawn_file(m.pawns[0], sq)];
    *fileOut = &fd;
    if (!wdl && (fd.flags & 1) != o.bside)
      return -2;
    sd = &fd.side[wdl ? o.bside : 0];
    if (!fill_squares(pos, sd->pieces, m.num, o, sq, m.pawns[0]))
      return -1;
    idx = encode_pawn(m.pawns, m.num, sd->norm, sq, sd->factor);
  }

  return idx == UINT64_MAX ? -1 : decompress_pairs(*sd->precomp, idx);
}

int probe_wdl_table(Position& pos, int* success) {
  const Key key = pos.material_key();
  if (key == (Zobrist::psq[COLOR_WHITE][PIECE_TYPE_KING][0] ^ Zobrist::psq[COLOR_BLACK][PIECE_TYPE_KING][0]))
    return 0;

  Entry* e = lookup(key);
  if (!e || popcount(pos.pieces()) != e->material.num || !ensure_loaded(*e)) {
    *success = 0;
    return 0;
  }

  const FileData* fd;
  const int v = read_table(pos, *e, e->wdl.layout, orient(pos, *e, key), true, &fd);
  if (v < 0 || v > 4) {
    *success = 0;
    return 0;
  }
  return v - 2;
}

// The cache slot of a DTZ table, loading it when needed; null when the
// material has no usable table.
const DTZSlot* dtz_slot(Key key) {
  if (DTZTable[0].owner && (DTZTable[0].key1 == key || DTZTable[0].key2 == key))
    return &DTZTable[0];

  for (int i = 1; i < DTZ_ENTRIES; ++i)
    if (DTZTable[i].owner && (DTZTable[i].key1 == key || DTZTable[i].key2 == key)) {
      std::rotate(DTZTable, DTZTable + i, DTZTable + i + 1);
      return &DTZTable[0];
    }

  Entry* e = lookup(key);
  if (!e || e->dtzFailed)
    return nullptr;

  // The least recently used table leaves.
  DTZTable[DTZ_ENTRIES - 1] = DTZSlot();
  std::rotate(DTZTable, DTZTable + DTZ_ENTRIES - 1, DTZTable + DTZ_ENTRIES);

  DTZSlot& slot = DTZTable[0];
  slot.key1 = e->key;
  slot.key2 = e->key2;
  slot.owner = e;
  auto t = std::make_unique<Table>();
  const LoadResult r = load_table(*t, *e, false);
  if (r == LOADED)
    slot.table = std::move(t);
  else {
    e->dtzFailed = true;
    if (r == CORRUPT)
      sync_cout << "Corrupted table." << sync_endl;
  }
  return &slot;
}

// Distance to zero from the table; *success -1 when the table stores the
// other side to move.
int probe_dtz_table(const Position& pos, int wdl, int* success) {
  const Key key = pos.material_key();
  const DTZSlot* slot = dtz_slot(key);
  if (!slot || !slot->table || popcount(pos.pieces()) != slot->owner->material.num) {
    *success = 0;
    return 0;
  }

  const Entry& e = *slot->owner;
  const TableLayout& t = slot->table->layout;
  const FileData* fd = nullptr;
  int v = read_table(pos, e, t, orient(pos, e, key), false, &fd);
  if (v == -2) {
    *success = -1;
    return 0;
  }
  if (v < 0) {
    *success = 0;
    return 0;
  }

  if (fd->flags & 2) {
    const int k = wdl_to_map[wdl + 2];
    if (v >= fd->mapLen[k]) {
      *success = 0;
      return 0;
    }
    v = t.map[fd->mapIdx[k] + v];
  }
  if (!(fd->flags & pa_flags[wdl + 2]) || (wdl & 1))
    v *= 2;
  return v;
}

bool probeable(const Position& pos) {
  return popcount(pos.pieces()) <= MaxCardinality && !pos.castling_rights();
}

void do_move(Position& pos, Move m, StateInfo& st, const CheckInfo& ci) {
  pos.do_move(m, st, pos.gives_check(m, ci));
}

// Captures only, or all evasions in check. The generator gives queen
// promotions only: the under-promotions of captures are added.
ExtMove* capture_moves(const Position& pos, ExtMove* list, size_t capacity) {
  if (pos.checkers())
    return generate<GEN_EVASIONS>(pos, list);

  ExtMove* end = generate<GEN_CAPTURES>(pos, list);
  for (ExtMove* m = list, *last = end; m < last; ++m)
    if (move_type(m->move) == MOVE_TYPE_PROMOTION && !pos.empty(move_to(m->move))
        && size_t(end - list) + 3 <= capacity)
      for (PieceType pt : {PIECE_TYPE_ROOK, PIECE_TYPE_BISHOP, PIECE_TYPE_KNIGHT})
        (end++)->move = make<MOVE_TYPE_PROMOTION>(move_from(m->move), move_to(m->move), pt);
  return end;
}

constexpr size_t CAPTURE_LIST = MAX_MOVES + 64;

// Resolves captures by a small alpha-beta search before reading the table.
int probe_ab(Position& pos, int alpha, int beta, int* success) {
  ExtMove moves[CAPTURE_LIST];
  const ExtMove* end = capture_moves(pos, moves, CAPTURE_LIST);
  const CheckInfo ci(pos);
  StateInfo st;

  for (const ExtMove* m = moves; m < end; ++m) {
    if (!pos.capture(m->move) || move_type(m->move) == MOVE_TYPE_EN_PASSANT || !pos.legal(m->move, ci.pinned))
      continue;
    do_move(pos, m->move, st, ci);
    const int v = -probe_ab(pos, -beta, -alpha, success);
    pos.undo_move(m->move);
    if (*success == 0)
      return 0;
    if (v > alpha) {
      if (v >= beta) {
        *success = 2;
        return v;
      }
      alpha = v;
    }
  }

  const int v = probe_wdl_table(pos, success);
  if (*success == 0)
    return 0;
  if (alpha >= v) {
    *success = 1 + (alpha > 0);
    return alpha;
  }
  *success = 1;
  return v;
}

// Whether the side to move has a legal move other than en passant captures,
// given the capture (or evasion) list already generated.
bool has_other_legal_move(const Position& pos, const ExtMove* moves, const ExtMove* end, const CheckInfo& ci) {
  for (const ExtMove* m = moves; m < end; ++m)
    if (move_type(m->move) != MOVE_TYPE_EN_PASSANT && pos.legal(m->move, ci.pinned))
      return true;
  if (pos.checkers())
    return false;
  for (const ExtMove& m : MoveList<GEN_QUIETS>(pos))
    if (pos.legal(m.move, ci.pinned))
      return true;
  return false;
}

// The best value of the legal en passant captures, -3 when there is none;
// the list and its end are handed back for the no-other-move test.
int best_ep_capture(Position& pos, ExtMove* moves, const ExtMove** endOut, int* success) {
  const ExtMove* end = pos.checkers() ? generate<GEN_EVASIONS>(pos, moves) : generate<GEN_CAPTURES>(pos, moves);
  *endOut = end;
  const CheckInfo ci(pos);
  StateInfo st;
  int best = -3;

  for (const ExtMove* m = moves; m < end; ++m) {
    if (move_type(m->move) != MOVE_TYPE_EN_PASSANT || !pos.legal(m->move, ci.pinned))
      continue;
    do_move(pos, m->move, st, ci);
    const int v = -probe_ab(pos, -2, 2, success);
    pos.undo_move(m->move);
    if (*success == 0)
      return 0;
    best = std::max(best, v);
  }
  return best;
}

int wdl_probe(Position& pos, int* success) {
  *success = 1;
  int v = probe_ab(pos, -2, 2, success);

  if (pos.ep_square() == SQUARE_NONE)
    return *success ? v : 0;
  if (*success == 0)
    return 0;

  ExtMove moves[MAX_MOVES];
  const ExtMove* end;
  const int epv = best_ep_capture(pos, moves, &end, success);
  if (*success == 0)
    return 0;

  if (epv > -3) {
    if (epv >= v)
      v = epv;
    else if (v == 0 && !has_other_legal_move(pos, moves, end, CheckInfo(pos)))
      v = epv;
  }
  return v;
}

int dtz_probe(Position& pos, int* success, int depth);

int dtz_probe_no_ep(Position& pos, int* success, int depth) {
  *success = 1;
  const int wdl = probe_ab(pos, -2, 2, success);
  if (*success == 0 || wdl == 0)
    return 0;
  if (*success == 2)
    return wdl == WDL_WIN ? 1 : 101;

  ExtMove moves[MAX_MOVES];
  const ExtMove* end =
      pos.checkers() ? generate<GEN_EVASIONS>(pos, moves) : generate<GEN_PSEUDO_LEGAL>(pos, moves);
  const CheckInfo ci(pos);
  StateInfo st;

  if (wdl > 0) {
    // A pawn move that keeps the win zeroes the count at once.
    for (const ExtMove* m = moves; m < end; ++m) {
      if (type_of(pos.moved_piece(m->move)) != PIECE_TYPE_PAWN || pos.capture(m->move)
          || !pos.legal(m->move, ci.pinned))
        continue;
      do_move(pos, m->move, st, ci);
      const int v = -probe_ab(pos, -2, -wdl + 1, success);
      pos.undo_move(m->move);
      if (*success == 0)
        return 0;
      if (v == wdl)
        return wdl == WDL_WIN ? 1 : 101;
    }
  }

  const int dtz = 1 + probe_dtz_table(pos, wdl, success);
  if (*success == 0)
    return 0;
  if (*success > 0) {
    const int d = (wdl & 1) ? dtz + 100 : dtz;
    return wdl > 0 ? d : -d;
  }

  // The table stores the other side to move: one ply of search. A correct
  // table never needs this twice in a row.
  if (depth > 0) {
    *success = 0;
    return 0;
  }

  if (wdl > 0) {
    int best = 0xFFFF;
    for (const ExtMove* m = moves; m < end; ++m) {
      if (pos.capture(m->move) || type_of(pos.moved_piece(m->move)) == PIECE_TYPE_PAWN
          || !pos.legal(m->move, ci.pinned))
        continue;
      do_move(pos, m->move, st, ci);
      const int v = -dtz_probe(pos, success, depth + 1);
      pos.undo_move(m->move);
      if (*success == 0)
        return 0;
      if (v > 0 && v + 1 < best)
        best = v + 1;
    }
    // A win with no winning move: the tables disagree.
    *success = best == 0xFFFF ? 0 : 1;
    return best == 0xFFFF ? 0 : best;
  }

  int best = -1;
  for (const ExtMove* m = moves; m < end; ++m) {
    if (!pos.legal(m->move, ci.pinned))
      continue;
    do_move(pos, m->move, st, ci);
    int v;
    if (pos.rule50_count() == 0) {
      if (wdl == WDL_LOSS)
        v = -1;
      else
        v = probe_ab(pos, 1, 2, success) == 2 ? 0 : -101;
    } else
      v = -dtz_probe(pos, success, depth + 1) - 1;
    pos.undo_move(m->move);
    if (*success == 0)
      return 0;
    best = std::min(best, v);
  }
  *success = 1;  // also when mated: no child has set it
  return best;
}

int dtz_probe(Position& pos, int* success, int depth) {
  int v = dtz_probe_no_ep(pos, success, depth);

  if (pos.ep_square() == SQUARE_NONE)
    return v;
  if (*success == 0)
    return 0;

  ExtMove moves[MAX_MOVES];
  const ExtMove* end;
  int epv = best_ep_capture(pos, moves, &end, success);
  if (*success == 0)
    return 0;
  if (epv == -3)
    return v;

  epv = wdl_to_dtz[epv + 2];
  if (v < -100) {
    if (epv >= 0)
      v = epv;
  } else if (v < 0) {
    if (epv >= 0 || epv < -100)
      v = epv;
  } else if (v > 100) {
    if (epv > 0)
      v = epv;
  } else if (v > 0) {
    if (epv == 1)
      v = epv;
  } else if (epv >= 0)
    v = epv;
  else if (!has_other_legal_move(pos, moves, end, CheckInfo(pos)))
    v = epv;
  return v;
}

// A repetition inside the reversible stretch leading to the root.
bool has_repeated(const StateInfo* st) {
  for (; st; st = st->previous) {
    const int e = std::min(st->halfmoveClock, st->pliesSinceNull);
    if (e < 4)
      return false;
    const StateInfo* stp = st->previous ? st->previous->previous : nullptr;
    for (int i = 4; i <= e && stp; i += 2) {
      stp = stp->previous ? stp->previous->previous : nullptr;
      if (stp && stp->key == st->key)
        return true;
    }
  }
  return false;
}

// Keeps the moves passing the test, in order; an empty result keeps all and
// reports false, since the tables then contradict each other.
template <typename Keep>
bool filter_moves(Search::RootMoves& rootMoves, Keep keep) {
  if (std::none_of(rootMoves.begin(), rootMoves.end(), keep))
    return false;
  rootMoves.erase(std::remove_if(rootMoves.begin(), rootMoves.end(),
                                 [&](const Search::RootMove& rm) { return !keep(rm); }),
                  rootMoves.end());
  return true;
}

}  // namespace

void init(const std::string& path) {
  // No search runs during a change; the locks only order the stores.
  std::lock_guard<std::mutex> dtzLock(DTZMutex);
  std::lock_guard<std::mutex> tbLock(TBMutex);

  for (DTZSlot& slot : DTZTable)
    slot = DTZSlot();
  for (auto& bucket : TBHash)
    for (HashSlot& slot : bucket)
      slot = {0, nullptr};
  Entries.clear();
  Paths.clear();
  MaxCardinality = 0;

  if (path.empty() || path == "<empty>")
    return;

  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(Platform::PathListSeparator, start);
    if (end == std::string::npos)
      end = path.size();
    if (end > start)
      Paths.push_back(path.substr(start, end - start));
    start = end + 1;
  }

  Entries.reserve(CANDIDATES);
  auto c = [](int i) { return std::string(1, pchr[i]); };

  for (int i = 1; i < 6; ++i)
    try_name("K" + c(i) + "vK");

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      try_name("K" + c(i) + "vK" + c(j));

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      try_name("K" + c(i) + c(j) + "vK");

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      for (int k = 1; k < 6; ++k)
        try_name("K" + c(i) + c(j) + "vK" + c(k));

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      for (int k = j; k < 6; ++k)
        try_name("K" + c(i) + c(j) + c(k) + "vK");

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      for (int k = i; k < 6; ++k)
        for (int l = (k == i) ? j : k; l < 6; ++l)
          try_name("K" + c(i) + c(j) + "vK" + c(k) + c(l));

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      for (int k = j; k < 6; ++k)
        for (int l = 1; l < 6; ++l)
          try_name("K" + c(i) + c(j) + c(k) + "vK" + c(l));

  for (int i = 1; i < 6; ++i)
    for (int j = i; j < 6; ++j)
      for (int k = j; k < 6; ++k)
        for (int l = k; l < 6; ++l)
          try_name("K" + c(i) + c(j) + c(k) + c(l) + "vK");

  sync_cout << "info string Found " << Entries.size() << " tablebases." << sync_endl;
}

int probe_wdl(Position& pos, int* success) {
  if (!probeable(pos)) {
    *success = 0;
    return 0;
  }
  return wdl_probe(pos, success);
}

int probe_dtz(Position& pos, int* success) {
  std::lock_guard<std::mutex> lock(DTZMutex);
  if (!probeable(pos)) {
    *success = 0;
    return 0;
  }
  return dtz_probe(pos, success, 0);
}

bool root_probe(Position& pos, Search::RootMoves& rootMoves, Value& score) {
  std::lock_guard<std::mutex> lock(DTZMutex);
  if (!probeable(pos))
    return false;

  int success;
  const int dtz = dtz_probe(pos, &success, 0);
  if (!success)
    return false;

  const CheckInfo ci(pos);
  StateInfo st;

  for (Search::RootMove& rm : rootMoves) {
    const Move move = rm.pv[0];
    do_move(pos, move, st, ci);

    int v = 0;
    if (pos.checkers() && dtz > 0) {
      ExtMove s[MAX_MOVES];
      if (generate<GEN_LEGAL>(pos, s) == s)
        v = 1;  // mate: the tables need not say so
    }
    if (!v) {
      if (pos.rule50_count() != 0) {
        v = -dtz_probe(pos, &success, 0);
        v = v > 0 ? v + 1 : v < 0 ? v - 1 : 0;
      } else
        v = wdl_to_dtz[-wdl_probe(pos, &success) + 2];
    }

    pos.undo_move(move);
    if (!success)
      return false;
    rm.score = Value(v);
  }

  const int cnt50 = pos.rule50_count();
  int wdl = 0;
  if (dtz > 0)
    wdl = dtz + cnt50 <= 100 ? 2 : 1;
  else if (dtz < 0)
    wdl = -dtz + cnt50 <= 100 ? -2 : -1;

  Value result = wdl_to_Value[wdl + 2];
  if (wdl == 1 && dtz <= 100)
    result = Value(((200 - dtz - cnt50) * int(VALUE_PAWN_EG)) / 200);
  else if (wdl == -1 && dtz >= -100)
    result = Value(-(((200 + dtz - cnt50) * int(VALUE_PAWN_EG)) / 200));

  bool kept;
  if (dtz > 0) {
    int best = 0xFFFF;
    for (const Search::RootMove& rm : rootMoves)
      if (rm.score > 0 && rm.score < best)
        best = rm.score;
    // Without a repetition, any move winning within the count will do.
    int max = best;
    if (!has_repeated(pos.state_info()) && best + cnt50 <= 99)
      max = 99 - cnt50;
    kept = filter_moves(rootMoves, [max](const Search::RootMove& rm) { return rm.score > 0 && rm.score <= max; });
  } else if (dtz < 0) {
    int best = 0;
    for (const Search::RootMove& rm : rootMoves)
      best = std::min(best, int(rm.score));
    // Lost even beyond the count's reach: any move will do.
    if (-2 * best + cnt50 < 100) {
      score = result;
      return true;
    }
    kept = filter_moves(rootMoves, [best](const Search::RootMove& rm) { return rm.score == best; });
  } else
    kept = filter_moves(rootMoves, [](const Search::RootMove& rm) { return rm.score == 0; });

  if (!kept)
    return false;
  score = result;
  return true;
}

bool root_probe_wdl(Position& pos, Search::RootMoves& rootMoves, Value& score) {
  if (!probeable(pos))
    return false;

  int success;
  const int wdl = wdl_probe(pos, &success);
  if (!success)
    return false;
  score = wdl_to_Value[wdl + 2];

  const CheckInfo ci(pos);
  StateInfo st;
  int best = WDL_LOSS;

  for (Search::RootMove& rm : rootMoves) {
    const Move move = rm.pv[0];
    do_move(pos, move, st, ci);
    const int v = -wdl_probe(pos, &success);
    pos.undo_move(move);
    if (!success)
      return false;
    rm.score = Value(v);
    best = std::max(best, v);
  }

  return filter_moves(rootMoves, [best](const Search::RootMove& rm) { return rm.score == best; });
}

}  // namespace Tablebases
