#ifndef VYN_TABLEBASES_TBFORMAT_H
#define VYN_TABLEBASES_TBFORMAT_H

// Reading Syzygy table files: header and piece groups, the compressed
// sections and the mapping of a piece placement to a table index. Every read
// is checked against the file's size; files come from anywhere.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Tablebases {

constexpr int TBPIECES = 6;  // the largest table holds six pieces, kings included

constexpr uint8_t WDL_MAGIC[4] = {0x71, 0xE8, 0x23, 0x5D};
constexpr uint8_t DTZ_MAGIC[4] = {0xD7, 0x66, 0x0C, 0xA5};

// Decoder of one compressed section.
struct PairsData {
  const uint8_t* indexTable = nullptr;  // 6-byte entries: block (LE32), offset (LE16)
  const uint8_t* sizeTable = nullptr;   // LE16 per block: values in it minus one
  const uint8_t* data = nullptr;        // first block
  const uint8_t* symPat = nullptr;      // 3 bytes per symbol
  const uint8_t* fileEnd = nullptr;
  uint64_t tbSize = 0;       // indices of the section
  uint32_t numBlocks = 0;    // blocks holding data
  uint32_t numSizes = 0;     // entries of the size table
  int blockSize = 0;         // log2 of the block size in bytes
  int idxBits = 0;           // log2 of the values per index entry
  int minLen = 0, maxLen = 0;
  int numSyms = 0;
  bool constant = false;     // the whole section is one value
  uint8_t constValue = 0;
  uint64_t base[33] = {};    // by code length - minLen, left aligned
  uint16_t offset[33] = {};  // first symbol of each code length - minLen
  uint8_t symLen[4096] = {}; // values a symbol expands to, minus one
};

// One stored side of one file section: piece order, grouping and factors.
struct SideData {
  std::unique_ptr<PairsData> precomp;
  uint64_t factor[TBPIECES] = {};
  uint8_t pieces[TBPIECES] = {};
  uint8_t norm[TBPIECES] = {};
};

struct FileData {
  SideData side[2];
  uint8_t flags = 0;           // DTZ section flags
  uint32_t mapIdx[4] = {};     // DTZ value map: offsets of the four sub-maps
  uint8_t mapLen[4] = {};
};

// What a table holds, known from its name before the file is read.
struct Material {
  int counts[16] = {};  // by piece code, white being the side before the 'v'
  int num = 0;
  bool symmetric = false;
  bool hasPawns = false;
  int encType = 0;      // pawnless: 0 with three unique pieces, 2 with only the kings unique
  uint8_t pawns[2] = {};
};

// The decoding state of a mapped WDL or DTZ file.
struct TableLayout {
  int numFiles = 1;   // 4 for tables with pawns
  int numSides = 1;   // 2 for a WDL file storing both sides to move
  FileData files[4];
  const uint8_t* map = nullptr;
};

// Reads the file's layout after its magic has been checked. False, leaving
// nothing usable, when any field, size or offset does not fit the file or
// the table's material.
bool setup_table(TableLayout& t, const Material& m, const uint8_t* file, size_t size, bool wdl);

// The stored value at an index, or -1 when the index or the compressed data
// is out of range.
int decompress_pairs(const PairsData& d, uint64_t index);

// Table index of a placement; UINT64_MAX for a placement the indexing cannot
// express. Both may reorder or mirror the squares.
uint64_t encode_piece(int encType, int num, const uint8_t* norm, int* squares, const uint64_t* factor);
uint64_t encode_pawn(const uint8_t pawns[2], int num, const uint8_t* norm, int* squares, const uint64_t* factor);

// Moves the leading pawn with the smallest place to the front and returns
// the file section (0..3) it selects.
int pawn_file(int leadPawns, int* squares);

}  // namespace Tablebases

#endif
