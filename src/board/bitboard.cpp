#include "board/bitboard.h"

#include <algorithm>

#include "board/misc.h"

int SquareDistance[SQUARE_NB][SQUARE_NB];

Bitboard RookMasks[SQUARE_NB];
Bitboard RookMagics[SQUARE_NB];
Bitboard* RookAttacks[SQUARE_NB];
unsigned RookShifts[SQUARE_NB];

Bitboard BishopMasks[SQUARE_NB];
Bitboard BishopMagics[SQUARE_NB];
Bitboard* BishopAttacks[SQUARE_NB];
unsigned BishopShifts[SQUARE_NB];

Bitboard SquareBB[SQUARE_NB];
Bitboard FileBB[FILE_NB];
Bitboard RankBB[RANK_NB];
Bitboard AdjacentFilesBB[FILE_NB];
Bitboard InFrontBB[COLOR_NB][RANK_NB];
Bitboard StepAttacksBB[PIECE_NB][SQUARE_NB];
Bitboard BetweenBB[SQUARE_NB][SQUARE_NB];
Bitboard LineBB[SQUARE_NB][SQUARE_NB];
Bitboard DistanceRingBB[SQUARE_NB][8];
Bitboard ForwardBB[COLOR_NB][SQUARE_NB];
Bitboard PassedPawnMask[COLOR_NB][SQUARE_NB];
Bitboard PawnAttackSpan[COLOR_NB][SQUARE_NB];
Bitboard PseudoAttacks[PIECE_TYPE_NB][SQUARE_NB];

namespace {

Bitboard RookTable[0x19000];   // 102400 rook attack sets
Bitboard BishopTable[0x1480];  // 5248 bishop attack sets

typedef unsigned(Fn)(Square, Bitboard);

Bitboard sliding_attack(const Square deltas[], Square sq, Bitboard occupied) {
  Bitboard attack = 0;

  for (int i = 0; i < 4; ++i)
    for (Square s = sq + deltas[i];
         is_ok(s) && distance(s, s - deltas[i]) == 1; s += deltas[i]) {
      attack |= s;
      if (occupied & s)
        break;
    }

  return attack;
}

// Finds a magic multiplier for every square by a seeded search, so the
// tables come out the same on every run.
void init_magics(Bitboard table[], Bitboard* attacks[], Bitboard magics[], Bitboard masks[],
                 unsigned shifts[], const Square deltas[], Fn index) {
  const int seeds[RANK_NB] = {728, 10316, 55013, 32803, 12281, 15100, 16645, 255};

  static Bitboard occupancy[4096], reference[4096];
  static int age[4096];
  std::fill(age, age + 4096, 0);
  int current = 0;

  attacks[SQUARE_A1] = table;

  for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s) {
    const Bitboard edges = ((Rank1BB | Rank8BB) & ~rank_bb(s)) | ((FileABB | FileHBB) & ~file_bb(s));

    masks[s] = sliding_attack(deltas, s, 0) & ~edges;
    shifts[s] = 64 - popcount(masks[s]);

    // Carry-rippler walk over every subset of the mask.
    Bitboard b = 0;
    int size = 0;
    do {
      occupancy[size] = b;
      reference[size] = sliding_attack(deltas, s, b);
      size++;
      b = (b - masks[s]) & masks[s];
    } while (b);

    if (s < SQUARE_H8)
      attacks[s + 1] = attacks[s] + size;

    PRNG rng(seeds[rank_of(s)]);

    int i;
    do {
      do
        magics[s] = rng.sparse_rand<Bitboard>();
      while (popcount((magics[s] * masks[s]) >> 56) < 6);

      // Stamps spare clearing the block between attempts.
      for (++current, i = 0; i < size; ++i) {
        const unsigned idx = index(s, occupancy[i]);

        if (age[idx] < current) {
          age[idx] = current;
          attacks[s][idx] = reference[i];
        } else if (attacks[s][idx] != reference[i])
          break;
      }
    } while (i < size);
  }
}

}  // namespace

std::string Bitboards::pretty(Bitboard b) {
  std::string s = "+---+---+---+---+---+---+---+---+\n";

  for (Rank r = RANK_8; r >= RANK_1; --r) {
    for (File f = FILE_A; f <= FILE_H; ++f)
      s += (b & make_square(f, r)) ? "| X " : "|   ";

    s += "|\n+---+---+---+---+---+---+---+---+\n";
  }

  return s;
}

void Bitboards::init() {
  for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s)
    SquareBB[s] = 1ULL << s;

  for (File f = FILE_A; f <= FILE_H; ++f)
    FileBB[f] = f > FILE_A ? FileBB[f - 1] << 1 : FileABB;

  for (Rank r = RANK_1; r <= RANK_8; ++r)
    RankBB[r] = r > RANK_1 ? RankBB[r - 1] << 8 : Rank1BB;

  for (File f = FILE_A; f <= FILE_H; ++f)
    AdjacentFilesBB[f] = (f > FILE_A ? FileBB[f - 1] : 0) | (f < FILE_H ? FileBB[f + 1] : 0);

  for (Rank r = RANK_1; r < RANK_8; ++r)
    InFrontBB[COLOR_WHITE][r] = ~(InFrontBB[COLOR_BLACK][r + 1] = InFrontBB[COLOR_BLACK][r] | RankBB[r]);

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s) {
      ForwardBB[c][s] = InFrontBB[c][rank_of(s)] & FileBB[file_of(s)];
      PawnAttackSpan[c][s] = InFrontBB[c][rank_of(s)] & AdjacentFilesBB[file_of(s)];
      PassedPawnMask[c][s] = ForwardBB[c][s] | PawnAttackSpan[c][s];
    }

  for (Square s1 = SQUARE_A1; s1 <= SQUARE_H8; ++s1)
    for (Square s2 = SQUARE_A1; s2 <= SQUARE_H8; ++s2)
      if (s1 != s2) {
        SquareDistance[s1][s2] = std::max(distance<File>(s1, s2), distance<Rank>(s1, s2));
        DistanceRingBB[s1][SquareDistance[s1][s2] - 1] |= s2;
      }

  const int steps[][9] = {{}, {7, 9}, {17, 15, 10, 6, -6, -10, -15, -17},
                          {}, {}, {}, {9, 7, -7, -9, 8, 1, -1, -8}};

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    for (PieceType pt : {PIECE_TYPE_PAWN, PIECE_TYPE_KNIGHT, PIECE_TYPE_KING})
      for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s)
        for (int i = 0; steps[pt][i]; ++i) {
          const Square to = s + Square(c == COLOR_WHITE ? steps[pt][i] : -steps[pt][i]);

          if (is_ok(to) && distance(s, to) < 3)
            StepAttacksBB[make_piece(c, pt)][s] |= to;
        }

  const Square RookDeltas[] = {DELTA_N, DELTA_E, DELTA_S, DELTA_W};
  const Square BishopDeltas[] = {DELTA_NE, DELTA_SE, DELTA_SW, DELTA_NW};

  init_magics(RookTable, RookAttacks, RookMagics, RookMasks, RookShifts, RookDeltas,
              magic_index<PIECE_TYPE_ROOK>);
  init_magics(BishopTable, BishopAttacks, BishopMagics, BishopMasks, BishopShifts, BishopDeltas,
              magic_index<PIECE_TYPE_BISHOP>);

  for (Square s1 = SQUARE_A1; s1 <= SQUARE_H8; ++s1) {
    PseudoAttacks[PIECE_TYPE_QUEEN][s1] = PseudoAttacks[PIECE_TYPE_BISHOP][s1] =
        attacks_bb<PIECE_TYPE_BISHOP>(s1, 0);
    PseudoAttacks[PIECE_TYPE_QUEEN][s1] |= PseudoAttacks[PIECE_TYPE_ROOK][s1] =
        attacks_bb<PIECE_TYPE_ROOK>(s1, 0);

    for (Piece pc : {PIECE_WHITE_BISHOP, PIECE_WHITE_ROOK})
      for (Square s2 = SQUARE_A1; s2 <= SQUARE_H8; ++s2) {
        if (!(PseudoAttacks[pc][s1] & s2))
          continue;

        LineBB[s1][s2] = (attacks_bb(pc, s1, 0) & attacks_bb(pc, s2, 0)) | s1 | s2;
        BetweenBB[s1][s2] = attacks_bb(pc, s1, SquareBB[s2]) & attacks_bb(pc, s2, SquareBB[s1]);
      }
  }
}
