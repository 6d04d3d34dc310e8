#ifndef VYN_EVAL_PAWNS_H
#define VYN_EVAL_PAWNS_H

#include "board/misc.h"
#include "board/position.h"
#include "board/types.h"

namespace Pawns {

// What the evaluation derives from the pawns alone, plus each king's cached
// shelter and storm score.
struct Entry {
  Score pawns_score() const { return score; }
  Bitboard pawn_attacks(Color c) const { return pawnAttacks[c]; }
  Bitboard passed_pawns(Color c) const { return passedPawns[c]; }
  Bitboard pawn_attacks_span(Color c) const { return pawnAttacksSpan[c]; }
  int pawn_span(Color c) const { return pawnSpan[c]; }
  int pawn_asymmetry() const { return asymmetry; }

  int semiopen_file(Color c, File f) const { return semiOpenFiles[c] & (1 << f); }

  // Semi-open files of c strictly left (or right) of file f.
  int semiopen_side(Color c, File f, bool leftSide) const {
    return semiOpenFiles[c] & (leftSide ? (1 << f) - 1 : ~((1 << (f + 1)) - 1));
  }

  int pawns_on_same_color_squares(Color c, Square s) const {
    return pawnsOnSquares[c][!!(DarkSquares & SquareBB[s])];
  }

  // Cached per king square and castling rights of the colour.
  template <Color Us>
  Score king_safety(const Position& pos, Square ksq) {
    return kingSquares[Us] == ksq && castlingRights[Us] == pos.can_castle(Us)
               ? kingSafety[Us]
               : (kingSafety[Us] = do_king_safety<Us>(pos, ksq));
  }

  template <Color Us>
  Score do_king_safety(const Position& pos, Square ksq);

  template <Color Us>
  Value shelter_storm(const Position& pos, Square ksq);

  Key key;
  Score score;
  Bitboard passedPawns[COLOR_NB];
  Bitboard pawnAttacks[COLOR_NB];
  Bitboard pawnAttacksSpan[COLOR_NB];
  Square kingSquares[COLOR_NB];
  Score kingSafety[COLOR_NB];
  int castlingRights[COLOR_NB];
  int semiOpenFiles[COLOR_NB];
  int pawnSpan[COLOR_NB];
  int pawnsOnSquares[COLOR_NB][COLOR_NB];  // [colour][light = 0, dark = 1]
  int asymmetry;
};

typedef HashTable<Entry, 16384> Table;

void init();

// Bonus of a connected pawn as init() built it.
Score connected_bonus(bool opposed, bool phalanx, bool apex, Rank r);

// The entry of pos in the table of the thread that owns pos.
Entry* probe(const Position& pos);

}  // namespace Pawns

#endif
