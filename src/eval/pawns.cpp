#include "eval/pawns.h"

#include <algorithm>

#include "eval/tables.h"

namespace {

#define S(mg, eg) make_score(mg, eg)

// [opposed][file]
const Score Isolated[2][FILE_NB] = {
    {S(37, 45), S(54, 52), S(60, 52), S(60, 52), S(60, 52), S(60, 52), S(54, 52), S(37, 45)},
    {S(25, 30), S(36, 35), S(40, 35), S(40, 35), S(40, 35), S(40, 35), S(36, 35), S(25, 30)}};

// [opposed]
const Score Backward[2] = {S(67, 42), S(49, 24)};

const Score Unsupported = S(17, 8);

// [file]
const Score Doubled[FILE_NB] = {S(13, 43), S(20, 48), S(23, 48), S(23, 48),
                                S(23, 48), S(23, 48), S(20, 48), S(13, 43)};

// [relative rank]
const Score Lever[RANK_NB] = {S(0, 0), S(0, 0), S(0, 0), S(0, 0), S(20, 20), S(40, 40), S(0, 0), S(0, 0)};

const Score CenterBind = S(8, 0);

// [opposed][phalanx][more than one supporter][relative rank], built by init()
Score Connected[2][2][2][RANK_NB];

#undef S

// [distance from the nearer edge][relative rank of our pawn]; rank 1 means none
const int ShelterWeakness[4][RANK_NB] = {
    {48, 10, 13, 25, 43, 44, 49, 0},
    {60, 0, 14, 38, 44, 51, 52, 0},
    {50, 3, 27, 39, 38, 46, 50, 0},
    {40, 5, 22, 34, 43, 45, 59, 0}};

enum StormKind { NO_FRIENDLY_PAWN, UNBLOCKED, BLOCKED_BY_PAWN, BLOCKED_BY_KING, STORM_KIND_NB };

// [kind][distance from the nearer edge][relative rank of their pawn]; rank 1 means none
const int StormDanger[STORM_KIND_NB][4][RANK_NB] = {
    {{0, 33, 67, 19, 16}, {0, 28, 69, 18, 11}, {0, 21, 57, 21, 13}, {0, 34, 62, 28, 16}},
    {{10, 21, 50, 28, 10}, {11, 10, 49, 20, 7}, {11, 19, 51, 18, 9}, {14, 9, 54, 21, 13}},
    {{0, 0, 37, 7, 1}, {0, 0, 75, 15, 2}, {0, 0, 80, 11, 2}, {0, 0, 83, 12, 6}},
    {{0, -141, -140, 28, 15}, {0, 29, 70, 19, 9}, {0, 32, 71, 24, 16}, {0, 30, 63, 25, 9}}};

constexpr int MaxSafetyValue = 130;

template <Color Us>
Score evaluate(const Position& pos, Pawns::Entry* e) {
  constexpr Color Them = ~Us;
  constexpr Square Up = Us == COLOR_WHITE ? DELTA_N : DELTA_S;
  constexpr Square Right = Us == COLOR_WHITE ? DELTA_NE : DELTA_SW;
  constexpr Square Left = Us == COLOR_WHITE ? DELTA_NW : DELTA_SE;
  constexpr Bitboard CenterBindMask = Us == COLOR_WHITE
                                          ? (FileDBB | FileEBB) & (Rank5BB | Rank6BB | Rank7BB)
                                          : (FileDBB | FileEBB) & (Rank4BB | Rank3BB | Rank2BB);

  const Bitboard ourPawns = pos.pieces(Us, PIECE_TYPE_PAWN);
  const Bitboard theirPawns = pos.pieces(Them, PIECE_TYPE_PAWN);
  Score score = SCORE_ZERO;

  e->passedPawns[Us] = e->pawnAttacksSpan[Us] = 0;
  e->kingSquares[Us] = SQUARE_NONE;
  e->semiOpenFiles[Us] = 0xFF;
  e->pawnAttacks[Us] = shift_bb<Right>(ourPawns) | shift_bb<Left>(ourPawns);
  e->pawnsOnSquares[Us][COLOR_BLACK] = popcount(ourPawns & DarkSquares);
  e->pawnsOnSquares[Us][COLOR_WHITE] = pos.count<PIECE_TYPE_PAWN>(Us) - e->pawnsOnSquares[Us][COLOR_BLACK];

  for (Bitboard pawns = ourPawns; pawns;) {
    const Square s = pop_lsb(&pawns);
    const File f = file_of(s);
    const Rank r = relative_rank(Us, s);

    e->semiOpenFiles[Us] &= ~(1 << f);
    e->pawnAttacksSpan[Us] |= pawn_attack_span(Us, s);

    const Bitboard neighbours = ourPawns & adjacent_files_bb(f);
    const Bitboard doubled = ourPawns & forward_bb(Us, s);
    const bool opposed = theirPawns & forward_bb(Us, s);
    const bool passed = !(theirPawns & passed_pawn_mask(Us, s));
    const Bitboard lever = theirPawns & StepAttacksBB[make_piece(Us, PIECE_TYPE_PAWN)][s];
    const Bitboard phalanx = neighbours & rank_bb(s);
    const Bitboard supported = neighbours & rank_bb(s - Up);
    const bool connected = supported | phalanx;
    const bool isolated = !neighbours;

    // A pawn that cannot safely advance to where a neighbour could support it.
    bool backward = false;
    if (!(passed || isolated || lever || connected || (ourPawns & pawn_attack_span(Them, s)) || r >= RANK_5)) {
      Bitboard b = pawn_attack_span(Us, s) & (ourPawns | theirPawns);
      if (b) {
        b = pawn_attack_span(Us, s) & rank_bb(backmost_sq(Us, b));
        backward = (b | shift_bb<Up>(b)) & theirPawns;
      }
    }

    // Only the frontmost pawn of a file can be passed.
    if (passed && !doubled)
      e->passedPawns[Us] |= s;

    if (isolated)
      score -= Isolated[opposed][f];
    else if (backward)
      score -= Backward[opposed];
    else if (!supported)
      score -= Unsupported;

    if (connected)
      score += Connected[opposed][!!phalanx][more_than_one(supported)][r];

    if (doubled) {
      const int d = distance<Rank>(s, frontmost_sq(Us, doubled));
      score -= make_score(score_mg(Doubled[f]) / d, score_eg(Doubled[f]) / d);
    }

    if (lever)
      score += Lever[r];
  }

  const Bitboard files = Bitboard(~e->semiOpenFiles[Us] & 0xFF);
  e->pawnSpan[Us] = files ? int(msb(files)) - int(lsb(files)) : 0;

  const Bitboard attackedTwice = shift_bb<Right>(ourPawns) & shift_bb<Left>(ourPawns);
  score += CenterBind * popcount(attackedTwice & CenterBindMask);

  return score;
}

}  // namespace

namespace Pawns {

void init() {
  // Bonus by relative rank 2..7 of a connected pawn, and of one that also has a phalanx.
  static const int Seed[RANK_NB] = {0, 6, 15, 10, 57, 75, 135, 0};
  static const int Phalanx[RANK_NB] = {0, 10, 13, 33, 66, 105, 196, 0};

  for (int opposed = 0; opposed <= 1; ++opposed)
    for (int phalanx = 0; phalanx <= 1; ++phalanx)
      for (int apex = 0; apex <= 1; ++apex)
        for (Rank r = RANK_1; r <= RANK_8; ++r) {
          if (r == RANK_1 || r == RANK_8) {
            Connected[opposed][phalanx][apex][r] = SCORE_ZERO;
            continue;
          }
          int v = (phalanx ? Phalanx[r] : Seed[r]) >> opposed;
          v += apex ? v / 2 : 0;
          Connected[opposed][phalanx][apex][r] = make_score(v * 9 / 4, v * 3 / 2);
        }
}

Score connected_bonus(bool opposed, bool phalanx, bool apex, Rank r) {
  return Connected[opposed][phalanx][apex][r];
}

Entry* probe(const Position& pos) {
  assert(pos.eval_tables());

  const Key key = pos.pawn_key();
  Entry* e = pos.eval_tables()->pawnsTable[key];

  if (e->key == key)
    return e;

  // kingSafety and castlingRights stay stale: the king square reset forces
  // their recomputation on first use.
  e->key = key;
  e->score = evaluate<COLOR_WHITE>(pos, e) - evaluate<COLOR_BLACK>(pos, e);
  e->asymmetry = popcount(Bitboard(e->semiOpenFiles[COLOR_WHITE] ^ e->semiOpenFiles[COLOR_BLACK]));
  return e;
}

template <Color Us>
Value Entry::shelter_storm(const Position& pos, Square ksq) {
  constexpr Color Them = ~Us;

  // Pawns behind the king neither shelter it nor storm it.
  const Bitboard b = pos.pieces(PIECE_TYPE_PAWN) & ~in_front_bb(Them, rank_of(ksq));
  const Bitboard ourPawns = b & pos.pieces(Us);
  const Bitboard theirPawns = b & pos.pieces(Them);
  const Rank kingRank = relative_rank(Us, ksq);
  int safety = MaxSafetyValue;

  const File center = std::max(FILE_B, std::min(FILE_G, file_of(ksq)));
  for (File f = File(center - 1); f <= center + 1; ++f) {
    Bitboard fileBB = ourPawns & file_bb(f);
    const Rank rkUs = fileBB ? relative_rank(Us, backmost_sq(Us, fileBB)) : RANK_1;

    fileBB = theirPawns & file_bb(f);
    const Rank rkThem = fileBB ? relative_rank(Us, frontmost_sq(Them, fileBB)) : RANK_1;

    const int edge = std::min(int(f), int(FILE_H - f));
    const StormKind kind = f == file_of(ksq) && rkThem == kingRank + 1 ? BLOCKED_BY_KING
                           : rkUs == RANK_1                            ? NO_FRIENDLY_PAWN
                           : rkThem == rkUs + 1                        ? BLOCKED_BY_PAWN
                                                                       : UNBLOCKED;

    safety -= ShelterWeakness[edge][rkUs] + StormDanger[kind][edge][rkThem];
  }

  return Value(safety);
}

template <Color Us>
Score Entry::do_king_safety(const Position& pos, Square ksq) {
  kingSquares[Us] = ksq;
  castlingRights[Us] = pos.can_castle(Us);

  int minKingPawnDistance = 0;
  const Bitboard pawns = pos.pieces(Us, PIECE_TYPE_PAWN);
  if (pawns)
    while (!(DistanceRingBB[ksq][minKingPawnDistance++] & pawns)) {
    }

  // An advanced king has no shelter to speak of.
  if (relative_rank(Us, ksq) > RANK_4)
    return make_score(0, -16 * minKingPawnDistance);

  Value bonus = shelter_storm<Us>(pos, ksq);

  // A king that may still castle is as safe as its best destination.
  if (pos.can_castle(castling_right(Us, KING_SIDE)))
    bonus = std::max(bonus, shelter_storm<Us>(pos, relative_square(Us, SQUARE_G1)));

  if (pos.can_castle(castling_right(Us, QUEEN_SIDE)))
    bonus = std::max(bonus, shelter_storm<Us>(pos, relative_square(Us, SQUARE_C1)));

  return make_score(bonus, -16 * minKingPawnDistance);
}

template Value Entry::shelter_storm<COLOR_WHITE>(const Position&, Square);
template Value Entry::shelter_storm<COLOR_BLACK>(const Position&, Square);
template Score Entry::do_king_safety<COLOR_WHITE>(const Position&, Square);
template Score Entry::do_king_safety<COLOR_BLACK>(const Position&, Square);

}  // namespace Pawns
