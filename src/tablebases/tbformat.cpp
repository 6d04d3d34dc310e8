#include "tablebases/tbformat.h"

#include <algorithm>
#include <vector>

namespace Tablebases {

namespace {

// Constant tables of the Syzygy indexing, by square (a1 = 0 ... h8 = 63).
constexpr int8_t triangle[64] = {
    6, 0, 1, 2, 2, 1, 0, 6,
    0, 7, 3, 4, 4, 3, 7, 0,
    1, 3, 8, 5, 5, 8, 3, 1,
    2, 4, 5, 9, 9, 5, 4, 2,
    2, 4, 5, 9, 9, 5, 4, 2,
    1, 3, 8, 5, 5, 8, 3, 1,
    0, 7, 3, 4, 4, 3, 7, 0,
    6, 0, 1, 2, 2, 1, 0, 6};

constexpr int8_t lower[64] = {
    28, 0, 1, 2, 3, 4, 5, 6,
    0, 29, 7, 8, 9, 10, 11, 12,
    1, 7, 30, 13, 14, 15, 16, 17,
    2, 8, 13, 31, 18, 19, 20, 21,
    3, 9, 14, 18, 32, 22, 23, 24,
    4, 10, 15, 19, 22, 33, 25, 26,
    5, 11, 16, 20, 23, 25, 34, 27,
    6, 12, 17, 21, 24, 26, 27, 35};

constexpr int8_t diag[64] = {
    0, 0, 0, 0, 0, 0, 0, 8,
    0, 1, 0, 0, 0, 0, 9, 0,
    0, 0, 2, 0, 0, 10, 0, 0,
    0, 0, 0, 3, 11, 0, 0, 0,
    0, 0, 0, 12, 4, 0, 0, 0,
    0, 0, 13, 0, 0, 5, 0, 0,
    0, 14, 0, 0, 0, 0, 6, 0,
    15, 0, 0, 0, 0, 0, 0, 7};

constexpr int8_t flipdiag[64] = {
    0, 8, 16, 24, 32, 40, 48, 56,
    1, 9, 17, 25, 33, 41, 49, 57,
    2, 10, 18, 26, 34, 42, 50, 58,
    3, 11, 19, 27, 35, 43, 51, 59,
    4, 12, 20, 28, 36, 44, 52, 60,
    5, 13, 21, 29, 37, 45, 53, 61,
    6, 14, 22, 30, 38, 46, 54, 62,
    7, 15, 23, 31, 39, 47, 55, 63};

constexpr int8_t offdiag[64] = {
    0, -1, -1, -1, -1, -1, -1, -1,
    1, 0, -1, -1, -1, -1, -1, -1,
    1, 1, 0, -1, -1, -1, -1, -1,
    1, 1, 1, 0, -1, -1, -1, -1,
    1, 1, 1, 1, 0, -1, -1, -1,
    1, 1, 1, 1, 1, 0, -1, -1,
    1, 1, 1, 1, 1, 1, 0, -1,
    1, 1, 1, 1, 1, 1, 1, 0};

constexpr int8_t flap[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 6, 12, 18, 18, 12, 6, 0,
    1, 7, 13, 19, 19, 13, 7, 1,
    2, 8, 14, 20, 20, 14, 8, 2,
    3, 9, 15, 21, 21, 15, 9, 3,
    4, 10, 16, 22, 22, 16, 10, 4,
    5, 11, 17, 23, 23, 17, 11, 5,
    0, 0, 0, 0, 0, 0, 0, 0};

constexpr int8_t ptwist[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    47, 35, 23, 11, 10, 22, 34, 46,
    45, 33, 21, 9, 8, 20, 32, 44,
    43, 31, 19, 7, 6, 18, 30, 42,
    41, 29, 17, 5, 4, 16, 28, 40,
    39, 27, 15, 3, 2, 14, 26, 38,
    37, 25, 13, 1, 0, 12, 24, 36,
    0, 0, 0, 0, 0, 0, 0, 0};

constexpr int8_t file_to_file[8] = {0, 1, 2, 3, 3, 2, 1, 0};

constexpr short KK_idx[10][64] = {
    {-1, -1, -1, 0, 1, 2, 3, 4,
     -1, -1, -1, 5, 6, 7, 8, 9,
     10, 11, 12, 13, 14, 15, 16, 17,
     18, 19, 20, 21, 22, 23, 24, 25,
     26, 27, 28, 29, 30, 31, 32, 33,
     34, 35, 36, 37, 38, 39, 40, 41,
     42, 43, 44, 45, 46, 47, 48, 49,
     50, 51, 52, 53, 54, 55, 56, 57},
    {58, -1, -1, -1, 59, 60, 61, 62,
     63, -1, -1, -1, 64, 65, 66, 67,
     68, 69, 70, 71, 72, 73, 74, 75,
     76, 77, 78, 79, 80, 81, 82, 83,
     84, 85, 86, 87, 88, 89, 90, 91,
     92, 93, 94, 95, 96, 97, 98, 99,
     100, 101, 102, 103, 104, 105, 106, 107,
     108, 109, 110, 111, 112, 113, 114, 115},
    {116, 117, -1, -1, -1, 118, 119, 120,
     121, 122, -1, -1, -1, 123, 124, 125,
     126, 127, 128, 129, 130, 131, 132, 133,
     134, 135, 136, 137, 138, 139, 140, 141,
     142, 143, 144, 145, 146, 147, 148, 149,
     150, 151, 152, 153, 154, 155, 156, 157,
     158, 159, 160, 161, 162, 163, 164, 165,
     166, 167, 168, 169, 170, 171, 172, 173},
    {174, -1, -1, -1, 175, 176, 177, 178,
     179, -1, -1, -1, 180, 181, 182, 183,
     184, -1, -1, -1, 185, 186, 187, 188,
     189, 190, 191, 192, 193, 194, 195, 196,
     197, 198, 199, 200, 201, 202, 203, 204,
     205, 206, 207, 208, 209, 210, 211, 212,
     213, 214, 215, 216, 217, 218, 219, 220,
     221, 222, 223, 224, 225, 226, 227, 228},
    {229, 230, -1, -1, -1, 231, 232, 233,
     234, 235, -1, -1, -1, 236, 237, 238,
     239, 240, -1, -1, -1, 241, 242, 243,
     244, 245, 246, 247, 248, 249, 250, 251,
     252, 253, 254, 255, 256, 257, 258, 259,
     260, 261, 262, 263, 264, 265, 266, 267,
     268, 269, 270, 271, 272, 273, 274, 275,
     276, 277, 278, 279, 280, 281, 282, 283},
    {284, 285, 286, 287, 288, 289, 290, 291,
     292, 293, -1, -1, -1, 294, 295, 296,
     297, 298, -1, -1, -1, 299, 300, 301,
     302, 303, -1, -1, -1, 304, 305, 306,
     307, 308, 309, 310, 311, 312, 313, 314,
     315, 316, 317, 318, 319, 320, 321, 322,
     323, 324, 325, 326, 327, 328, 329, 330,
     331, 332, 333, 334, 335, 336, 337, 338},
    {-1, -1, 339, 340, 341, 342, 343, 344,
     -1, -1, 345, 346, 347, 348, 349, 350,
     -1, -1, 441, 351, 352, 353, 354, 355,
     -1, -1, -1, 442, 356, 357, 358, 359,
     -1, -1, -1, -1, 443, 360, 361, 362,
     -1, -1, -1, -1, -1, 444, 363, 364,
     -1, -1, -1, -1, -1, -1, 445, 365,
     -1, -1, -1, -1, -1, -1, -1, 446},
    {-1, -1, -1, 366, 367, 368, 369, 370,
     -1, -1, -1, 371, 372, 373, 374, 375,
     -1, -1, -1, 376, 377, 378, 379, 380,
     -1, -1, -1, 447, 381, 382, 383, 384,
     -1, -1, -1, -1, 448, 385, 386, 387,
     -1, -1, -1, -1, -1, 449, 388, 389,
     -1, -1, -1, -1, -1, -1, 450, 390,
     -1, -1, -1, -1, -1, -1, -1, 451},
    {452, 391, 392, 393, 394, 395, 396, 397,
     -1, -1, -1, -1, 398, 399, 400, 401,
     -1, -1, -1, -1, 402, 403, 404, 405,
     -1, -1, -1, -1, 406, 407, 408, 409,
     -1, -1, -1, -1, 453, 410, 411, 412,
     -1, -1, -1, -1, -1, 454, 413, 414,
     -1, -1, -1, -1, -1, -1, 455, 415,
     -1, -1, -1, -1, -1, -1, -1, 456},
    {457, 416, 417, 418, 419, 420, 421, 422,
     -1, 458, 423, 424, 425, 426, 427, 428,
     -1, -1, -1, -1, -1, 429, 430, 431,
     -1, -1, -1, -1, -1, 432, 433, 434,
     -1, -1, -1, -1, -1, 435, 436, 437,
     -1, -1, -1, -1, -1, 459, 438, 439,
     -1, -1, -1, -1, -1, -1, 460, 440,
     -1, -1, -1, -1, -1, -1, -1, 461}};

// Placements of the leading group for encoding types 0, 1 and 2.
constexpr uint64_t pivfac[3] = {31332, 28056, 462};

// binomial[k][n] = C(n, k + 1); pawnidx and pfactor index the leading pawns
// of each file section (places: a2..a7 = 0..5, b2..b7 = 6..11, ...).
struct IndexTables {
  uint64_t binomial[5][64] = {};
  uint64_t pawnidx[5][24] = {};
  uint64_t pfactor[5][4] = {};
};

constexpr IndexTables make_index_tables() {
  IndexTables t;
  for (int k = 0; k < 5; ++k)
    for (int n = 0; n < 64; ++n) {
      uint64_t num = 1, den = 1;
      for (int l = 0; l <= k; ++l) {
        num *= uint64_t(n - l > 0 ? n - l : 0);
        den *= uint64_t(l + 1);
      }
      t.binomial[k][n] = num / den;
    }

  for (int k = 0; k < 5; ++k)
    for (int g = 0; g < 4; ++g) {
      uint64_t s = 0;
      for (int j = 6 * g; j < 6 * g + 6; ++j) {
        t.pawnidx[k][j] = s;
        s += k == 0 ? 1 : t.binomial[k - 1][47 - 2 * j];
      }
      t.pfactor[k][g] = s;
    }
  return t;
}

constexpr IndexTables Idx = make_index_tables();

static_assert(Idx.binomial[0][63] == 63 && Idx.binomial[1][4] == 6 && Idx.binomial[4][63] == 7028847, "");
static_assert(Idx.pfactor[0][0] == 6 && Idx.pawnidx[1][1] == 47, "");

constexpr uint64_t choose(int n, int k) { return Idx.binomial[k - 1][n]; }

inline uint16_t read_le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

inline uint32_t read_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t read_be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline uint64_t read_be64(const uint8_t* p) { return uint64_t(read_be32(p)) << 32 | read_be32(p + 4); }

// Walks a file with every step checked against its size.
struct Cursor {
  const uint8_t* file;
  size_t size;
  size_t pos;

  bool has(uint64_t n) const { return pos <= size && n <= size - pos; }
  bool skip(uint64_t n) {
    if (!has(n))
      return false;
    pos += size_t(n);
    return true;
  }
  void pad_even() { pos += pos & 1; }
  bool align64() {
    const size_t aligned = (pos + 63) & ~size_t(63);
    if (aligned > size)
      return false;
    pos = aligned;
    return true;
  }
  const uint8_t* here() const { return file + pos; }
};

// Symbol lengths of the pair grammar. Iterative, and refusing references
// out of range, cycles and expansions longer than a byte can count.
bool calc_symlens(PairsData& d) {
  enum : uint8_t { UNSEEN, OPEN, DONE };
  std::vector<uint8_t> state(size_t(d.numSyms), UNSEEN);
  std::vector<int> stack;
  stack.reserve(size_t(d.numSyms));

  for (int s = 0; s < d.numSyms; ++s) {
    if (state[s] == DONE)
      continue;
    state[s] = OPEN;
    stack.push_back(s);

    while (!stack.empty()) {
      const int t = stack.back();
      const uint8_t* w = d.symPat + 3 * t;
      const int left = w[0] | (w[1] & 0x0F) << 8;
      const int right = w[1] >> 4 | w[2] << 4;

      if (right == 0xFFF) {
        d.symLen[t] = 0;
        state[t] = DONE;
        stack.pop_back();
        continue;
      }
      if (left >= d.numSyms || right >= d.numSyms || state[left] == OPEN || state[right] == OPEN)
        return false;

      const int next = state[left] == UNSEEN ? left : state[right] == UNSEEN ? right : -1;
      if (next >= 0) {
        state[next] = OPEN;
        stack.push_back(next);
        continue;
      }

      const int len = d.symLen[left] + d.symLen[right] + 1;
      if (len > 255)
        return false;
      d.symLen[t] = uint8_t(len);
      state[t] = DONE;
      stack.pop_back();
    }
  }
  return true;
}

// Reads one section header at the cursor. sizes: index table, size table
// and data bytes that follow later in the file.
bool setup_pairs(Cursor& c, uint64_t tbSize, bool wdl, PairsData& d, uint8_t& flags, uint64_t sizes[3]) {
  sizes[0] = sizes[1] = sizes[2] = 0;
  d.tbSize = tbSize;
  d.fileEnd = c.file + c.size;

  if (!c.has(2))
    return false;
  const uint8_t* h = c.here();
  flags = h[0];

  if (flags & 0x80) {
    d.constant = true;
    d.constValue = wdl ? h[1] : 0;
    return (!wdl || d.constValue <= 4) && c.skip(2);
  }

  if (!c.has(10))
    return false;
  d.blockSize = h[1];
  d.idxBits = h[2];
  const uint32_t extra = h[3];
  d.numBlocks = read_le32(h + 4);
  d.maxLen = h[8];
  d.minLen = h[9];

  // Codes are read from a window that always holds more than 32 fresh bits.
  if (d.blockSize > 32 || d.idxBits < 1 || d.idxBits > 40 || d.minLen < 1 || d.maxLen > 32 || d.minLen > d.maxLen)
    return false;

  const int lens = d.maxLen - d.minLen + 1;
  if (!c.skip(10) || !c.has(2 * uint64_t(lens) + 2))
    return false;
  for (int i = 0; i < lens; ++i)
    d.offset[i] = read_le16(c.here() + 2 * i);
  c.skip(2 * uint64_t(lens));

  d.numSyms = read_le16(c.here());
  c.skip(2);
  if (d.numSyms < 1 || d.numSyms > 4096 || !c.has(3 * uint64_t(d.numSyms) + (d.numSyms & 1)))
    return false;
  d.symPat = c.here();
  c.skip(3 * uint64_t(d.numSyms) + (d.numSyms & 1));

  if (!calc_symlens(d))
    return false;

  // Lowest code of each length, left aligned in 64 bits.
  d.base[lens - 1] = 0;
  for (int i = lens - 2; i >= 0; --i)
    d.base[i] = (d.base[i + 1] + d.offset[i] - d.offset[i + 1]) / 2;
  for (int i = 0; i < lens; ++i)
    d.base[i] <<= 64 - (d.minLen + i);

  const uint64_t entries = (tbSize >> d.idxBits) + ((tbSize & ((uint64_t(1) << d.idxBits) - 1)) != 0);
  d.numSizes = d.numBlocks + extra;
  if (d.numSizes < d.numBlocks || d.numBlocks == 0)
    return false;
  sizes[0] = 6 * entries;
  sizes[1] = 2 * uint64_t(d.numSizes);
  sizes[2] = uint64_t(d.numBlocks) << d.blockSize;
  return true;
}

// Groups one side's piece list. The list must hold exactly the table's
// material, each kind of piece in one run, the leading group first; the
// probe relies on that to fill its squares.
bool set_groups(const Material& m, SideData& s, int lead) {
  bool seen[16] = {};
  for (int i = 0; i < m.num;) {
    const int code = s.pieces[i];
    if (code > 15 || !m.counts[code] || seen[code])
      return false;
    seen[code] = true;
    int run = 0;
    while (i + run < m.num && s.pieces[i + run] == code)
      ++run;
    if (run != m.counts[code])
      return false;
    i += run;
  }

  std::fill(s.norm, s.norm + TBPIECES, 0);
  s.norm[0] = uint8_t(lead);
  for (int i = lead; i < m.num; i += s.norm[i])
    s.norm[i] = uint8_t(m.counts[s.pieces[i]]);
  return true;
}

// Pawnless sides: three unique pieces lead (encoding 0), or the two kings (2).
bool setup_piece_side(const Material& m, SideData& s, int order, uint64_t& tbSize) {
  const int lead = m.encType == 0 ? 3 : 2;
  for (int i = 0; i < lead; ++i)
    if (m.counts[s.pieces[i] & 15] != 1)
      return false;
  if (!set_groups(m, s, lead))
    return false;

  int n = 64 - lead, i = lead;
  uint64_t f = 1;
  bool leadSet = false;
  for (int k = 0; i < m.num || k == order; ++k) {
    if (k == order) {
      s.factor[0] = f;
      f *= pivfac[m.encType];
      leadSet = true;
    } else {
      s.factor[i] = f;
      f *= choose(n, s.norm[i]);
      n -= s.norm[i];
      i += s.norm[i];
    }
  }
  tbSize = f;
  return leadSet;
}

// Sides with pawns: the leading pawns, then the other colour's pawns, then
// the pieces.
bool setup_pawn_side(const Material& m, SideData& s, int order, int order2, int file, int leadCode,
                     uint64_t& tbSize) {
  const int p0 = m.pawns[0], p1 = m.pawns[1];
  if ((leadCode & 7) != 1 || m.counts[leadCode] != p0)
    return false;
  if (s.pieces[0] != leadCode || (p1 > 0) != (order2 != 0x0F))
    return false;
  if (p1 > 0 && s.pieces[p0] != (leadCode ^ 8))
    return false;
  if (!set_groups(m, s, p0))
    return false;
  if (s.norm[p0] != p1 && p1 > 0)
    return false;

  int i = p0 + p1;
  int n = 64 - i;
  uint64_t f = 1;
  bool leadSet = false, secondSet = p1 == 0;
  for (int k = 0; (i < m.num || k == order || k == order2) && k <= TBPIECES; ++k) {
    if (k == order) {
      s.factor[0] = f;
      f *= Idx.pfactor[p0 - 1][file];
      leadSet = true;
    } else if (k == order2) {
      s.factor[p0] = f;
      f *= choose(48 - p0, p1);
      secondSet = true;
    } else {
      if (i >= m.num)
        return false;
      s.factor[i] = f;
      f *= choose(n, s.norm[i]);
      n -= s.norm[i];
      i += s.norm[i];
    }
  }
  tbSize = f;
  return leadSet && secondSet && i >= m.num;
}

}  // namespace

bool setup_table(TableLayout& t, const Material& m, const uint8_t* file, size_t size, bool wdl) {
  t = TableLayout();
  if (m.num < 2 || m.num > TBPIECES || size < 6)
    return false;
  if (m.hasPawns && (m.pawns[0] < 1 || m.pawns[0] + m.pawns[1] > m.num - 2))
    return false;

  const bool split = wdl && (file[4] & 1);
  t.numFiles = (file[4] & 2) ? 4 : 1;
  t.numSides = split ? 2 : 1;
  // Both sides must be on file unless they hold the same material.
  if ((t.numFiles == 4) != m.hasPawns || (wdl && !split && !m.symmetric))
    return false;

  Cursor c{file, size, 5};
  uint64_t tbSize[4][2] = {};

  if (!m.hasPawns) {
    if (!c.has(1 + uint64_t(m.num)))
      return false;
    const uint8_t order = c.here()[0];
    for (int s = 0; s < t.numSides; ++s) {
      SideData& sd = t.files[0].side[s];
      for (int i = 0; i < m.num; ++i)
        sd.pieces[i] = uint8_t(s ? c.here()[1 + i] >> 4 : c.here()[1 + i] & 0x0F);
      if (!setup_piece_side(m, sd, s ? order >> 4 : order & 0x0F, tbSize[0][s]))
        return false;
    }
    c.skip(1 + uint64_t(m.num));
  } else {
    const int descLen = m.num + 1 + (m.pawns[1] > 0);
    if (!c.has(4 * uint64_t(descLen)))
      return false;
    // The leading pawns come from file a's first list for every section.
    const int leadCode = c.here()[m.pawns[1] > 0 ? 2 : 1] & 0x0F;
    for (int f = 0; f < 4; ++f) {
      const uint8_t* d = c.here();
      for (int s = 0; s < t.numSides; ++s) {
        SideData& sd = t.files[f].side[s];
        const uint8_t* p = d + 1 + (m.pawns[1] > 0);
        for (int i = 0; i < m.num; ++i)
          sd.pieces[i] = uint8_t(s ? p[i] >> 4 : p[i] & 0x0F);
        const int order = s ? d[0] >> 4 : d[0] & 0x0F;
        const int order2 = m.pawns[1] > 0 ? (s ? d[1] >> 4 : d[1] & 0x0F) : 0x0F;
        if (!setup_pawn_side(m, sd, order, order2, f, leadCode, tbSize[f][s]))
          return false;
      }
      c.skip(uint64_t(descLen));
    }
  }
  c.pad_even();

  uint64_t sizes[4][2][3] = {};
  for (int f = 0; f < t.numFiles; ++f)
    for (int s = 0; s < t.numSides; ++s) {
      t.files[f].side[s].precomp = std::make_unique<PairsData>();
      if (!setup_pairs(c, tbSize[f][s], wdl, *t.files[f].side[s].precomp, t.files[f].flags, sizes[f][s]))
        return false;
    }

  if (!wdl) {
    // The value map: four sub-maps (one per result) for each section that uses it.
    t.map = c.here();
    const size_t mapStart = c.pos;
    for (int f = 0; f < t.numFiles; ++f) {
      if (!(t.files[f].flags & 2))
        continue;
      for (int i = 0; i < 4; ++i) {
        if (!c.has(1) || !c.has(1 + uint64_t(c.here()[0])))
          return false;
        t.files[f].mapLen[i] = c.here()[0];
        t.files[f].mapIdx[i] = uint32_t(c.pos + 1 - mapStart);
        c.skip(1 + uint64_t(c.here()[0]));
      }
    }
    c.pad_even();
  }

  for (int f = 0; f < t.numFiles; ++f)
    for (int s = 0; s < t.numSides; ++s) {
      t.files[f].side[s].precomp->indexTable = c.here();
      if (!c.skip(sizes[f][s][0]))
        return false;
    }
  for (int f = 0; f < t.numFiles; ++f)
    for (int s = 0; s < t.numSides; ++s) {
      t.files[f].side[s].precomp->sizeTable = c.here();
      if (!c.skip(sizes[f][s][1]))
        return false;
    }
  for (int f = 0; f < t.numFiles; ++f)
    for (int s = 0; s < t.numSides; ++s) {
      if (!c.align64())
        return false;
      t.files[f].side[s].precomp->data = c.here();
      if (!c.skip(sizes[f][s][2]))
        return false;
    }
  return true;
}

int decompress_pairs(const PairsData& d, uint64_t index) {
  if (d.constant)
    return d.constValue;
  if (index >= d.tbSize)
    return -1;

  const uint64_t mainIdx = index >> d.idxBits;
  int64_t litIdx = int64_t(index & ((uint64_t(1) << d.idxBits) - 1)) - (int64_t(1) << (d.idxBits - 1));
  const uint8_t* entry = d.indexTable + 6 * mainIdx;
  uint32_t block = read_le32(entry);
  litIdx += read_le16(entry + 4);

  if (block >= d.numSizes)
    return -1;
  while (litIdx < 0) {
    if (block == 0)
      return -1;
    --block;
    litIdx += read_le16(d.sizeTable + 2 * block) + 1;
  }
  while (litIdx > read_le16(d.sizeTable + 2 * block)) {
    litIdx -= read_le16(d.sizeTable + 2 * block) + 1;
    if (++block >= d.numSizes)
      return -1;
  }
  if (block >= d.numBlocks)
    return -1;

  const uint8_t* ptr = d.data + (uint64_t(block) << d.blockSize);
  if (d.fileEnd - ptr < 8)
    return -1;
  uint64_t code = read_be64(ptr);
  ptr += 8;
  int bitCount = 0;  // bits of the window consumed since the last refill

  int sym;
  for (;;) {
    int l = 0;
    while (code < d.base[l])
      ++l;
    const uint64_t s64 = d.offset[l] + ((code - d.base[l]) >> (64 - (d.minLen + l)));
    if (s64 >= uint64_t(d.numSyms))
      return -1;
    sym = int(s64);
    if (litIdx < int64_t(d.symLen[sym]) + 1)
      break;
    litIdx -= int64_t(d.symLen[sym]) + 1;
    code <<= d.minLen + l;
    bitCount += d.minLen + l;
    if (bitCount >= 32) {
      if (d.fileEnd - ptr < 4)
        return -1;
      bitCount -= 32;
      code |= uint64_t(read_be32(ptr)) << bitCount;
      ptr += 4;
    }
  }

  // Expand the pair symbol down to the value at litIdx.
  while (d.symLen[sym] != 0) {
    const uint8_t* w = d.symPat + 3 * sym;
    const int left = w[0] | (w[1] & 0x0F) << 8;
    if (litIdx < int64_t(d.symLen[left]) + 1)
      sym = left;
    else {
      litIdx -= int64_t(d.symLen[left]) + 1;
      sym = w[1] >> 4 | w[2] << 4;
    }
  }
  return d.symPat[3 * sym];
}

uint64_t encode_piece(int encType, int num, const uint8_t* norm, int* sq, const uint64_t* factor) {
  if (sq[0] & 0x04)
    for (int i = 0; i < num; ++i)
      sq[i] ^= 0x07;
  if (sq[0] & 0x20)
    for (int i = 0; i < num; ++i)
      sq[i] ^= 0x38;

  const int lead = encType == 0 ? 3 : 2;
  int i = 0;
  while (i < num && !offdiag[sq[i]])
    ++i;
  if (i < lead && offdiag[sq[i]] > 0)
    for (int k = 0; k < num; ++k)
      sq[k] = flipdiag[sq[k]];

  uint64_t idx;
  if (encType == 0) {
    const int a = sq[1] > sq[0];
    const int b = (sq[2] > sq[0]) + (sq[2] > sq[1]);
    if (offdiag[sq[0]])
      idx = uint64_t(triangle[sq[0]] * 63 * 62 + (sq[1] - a) * 62 + (sq[2] - b));
    else if (offdiag[sq[1]])
      idx = uint64_t(6 * 63 * 62 + diag[sq[0]] * 28 * 62 + lower[sq[1]] * 62 + sq[2] - b);
    else if (offdiag[sq[2]])
      idx = uint64_t(6 * 63 * 62 + 4 * 28 * 62 + diag[sq[0]] * 7 * 28 + (diag[sq[1]] - a) * 28 + lower[sq[2]]);
    else
      idx = uint64_t(6 * 63 * 62 + 4 * 28 * 62 + 4 * 7 * 28 + diag[sq[0]] * 7 * 6 + (diag[sq[1]] - a) * 6
                     + (diag[sq[2]] - b));
  } else {
    const int kk = KK_idx[triangle[sq[0]]][sq[1]];
    if (kk < 0)
      return UINT64_MAX;
    idx = uint64_t(kk);
  }
  idx *= factor[0];

  for (i = lead; i < num;) {
    const int t = norm[i];
    std::sort(sq + i, sq + i + t);
    uint64_t s = 0;
    for (int m = i; m < i + t; ++m) {
      int below = 0;
      for (int l = 0; l < i; ++l)
        below += sq[m] > sq[l];
      s += Idx.binomial[m - i][sq[m] - below];
    }
    idx += s * factor[i];
    i += t;
  }
  return idx;
}

int pawn_file(int leadPawns, int* sq) {
  for (int i = 1; i < leadPawns; ++i)
    if (flap[sq[0]] > flap[sq[i]])
      std::swap(sq[0], sq[i]);
  return file_to_file[sq[0] & 0x07];
}

uint64_t encode_pawn(const uint8_t pawns[2], int num, const uint8_t* norm, int* sq, const uint64_t* factor) {
  if (sq[0] & 0x04)
    for (int i = 0; i < num; ++i)
      sq[i] ^= 0x07;

  const int p0 = pawns[0];
  for (int i = 1; i < p0; ++i)
    for (int j = i + 1; j < p0; ++j)
      if (ptwist[sq[i]] < ptwist[sq[j]])
        std::swap(sq[i], sq[j]);

  const int t = p0 - 1;
  uint64_t idx = Idx.pawnidx[t][flap[sq[0]]];
  for (int i = t; i > 0; --i)
    idx += Idx.binomial[t - i][ptwist[sq[i]]];
  idx *= factor[0];

  int i = p0;
  if (pawns[1]) {
    const int end = i + pawns[1];
    std::sort(sq + i, sq + end);
    uint64_t s = 0;
    for (int m = i; m < end; ++m) {
      int below = 0;
      for (int l = 0; l < i; ++l)
        below += sq[m] > sq[l];
      const int place = sq[m] - below - 8;
      if (place < 0)
        return UINT64_MAX;
      s += Idx.binomial[m - i][place];
    }
    idx += s * factor[i];
    i = end;
  }

  while (i < num) {
    const int t2 = norm[i];
    std::sort(sq + i, sq + i + t2);
    uint64_t s = 0;
    for (int m = i; m < i + t2; ++m) {
      int below = 0;
      for (int l = 0; l < i; ++l)
        below += sq[m] > sq[l];
      s += Idx.binomial[m - i][sq[m] - below];
    }
    idx += s * factor[i];
    i += t2;
  }
  return idx;
}

}  // namespace Tablebases
