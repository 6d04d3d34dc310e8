#include "eval/endgame.h"

#include <algorithm>
#include <cassert>
#include <cctype>

#include "board/bitbase.h"
#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/position.h"

namespace {

// Bonus for driving the losing king to the edge of the board.
constexpr int PushToEdges[SQUARE_NB] = {
  100, 90, 80, 70, 70, 80, 90, 100,
   90, 70, 60, 50, 50, 60, 70,  90,
   80, 60, 40, 30, 30, 40, 60,  80,
   70, 50, 30, 20, 20, 30, 50,  70,
   70, 50, 30, 20, 20, 30, 50,  70,
   80, 60, 40, 30, 30, 40, 60,  80,
   90, 70, 60, 50, 50, 60, 70,  90,
  100, 90, 80, 70, 70, 80, 90, 100
};

// Bonus for driving the losing king towards a1 or h8 (KBNK).
constexpr int PushToCorners[SQUARE_NB] = {
  200, 190, 180, 170, 160, 150, 140, 130,
  190, 180, 170, 160, 150, 140, 130, 140,
  180, 170, 155, 140, 140, 125, 140, 150,
  170, 160, 140, 120, 110, 140, 150, 160,
  160, 150, 140, 110, 120, 140, 160, 170,
  150, 140, 125, 140, 140, 155, 170, 180,
  140, 130, 140, 150, 160, 170, 180, 190,
  130, 140, 150, 160, 170, 180, 190, 200
};

// Bonus for bringing two pieces close together, and for driving them apart,
// by their distance.
constexpr int PushClose[8] = { 0, 0, 100, 80, 60, 40, 20, 10 };
constexpr int PushAway[8] = { 0, 5, 20, 40, 60, 80, 90, 100 };

// KRPPKRP scale factors by the relative rank of the more advanced pawn.
constexpr int KRPPKRPScaleFactors[RANK_NB] = { 0, 9, 10, 14, 21, 44, 0, 0 };

#ifndef NDEBUG
bool verify_material(const Position& pos, Color c, Value npm, int pawnsCnt) {
  return pos.non_pawn_material(c) == npm && pos.count<PIECE_TYPE_PAWN>(c) == pawnsCnt;
}
#endif

// Maps a square so that the strong side plays up the board as white with its
// pawn on files a-d. Only for configurations where the strong side has one pawn.
Square normalize(const Position& pos, Color strongSide, Square sq) {
  assert(pos.count<PIECE_TYPE_PAWN>(strongSide) == 1);

  if (file_of(pos.square<PIECE_TYPE_PAWN>(strongSide)) >= FILE_E)
    sq = Square(sq ^ 7);  // mirror h1 -> a1

  if (strongSide == COLOR_BLACK)
    sq = ~sq;

  return sq;
}

inline Value signed_by_side_to_move(const Position& pos, Color strongSide, Value v) {
  return strongSide == pos.side_to_move() ? v : -v;
}

// The piece type of a letter of a material code, or PIECE_TYPE_NONE.
PieceType piece_type_of_letter(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'P': return PIECE_TYPE_PAWN;
    case 'N': return PIECE_TYPE_KNIGHT;
    case 'B': return PIECE_TYPE_BISHOP;
    case 'R': return PIECE_TYPE_ROOK;
    case 'Q': return PIECE_TYPE_QUEEN;
    case 'K': return PIECE_TYPE_KING;
    default: return PIECE_TYPE_NONE;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------

Key Endgames::key(const std::string& code, Color strong) {
  assert(code.length() > 0 && code.length() < 8 && code[0] == 'K');

  // The weak side's letters start at the second 'K'. A code without one gives
  // the weak side no pieces at all (the caller broke the contract).
  const size_t split = code.find('K', 1);
  assert(split != std::string::npos);

  std::string letters[COLOR_NB];
  letters[strong] = code.substr(0, split);
  letters[~strong] = split == std::string::npos ? std::string() : code.substr(split);

  // The material key of a position is the XOR, over each colour and piece
  // type, of Zobrist::psq[c][pt][i] for i below the piece count, as every position builds it;
  // no position has to be built for it.
  Key k = 0;
  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c) {
    int count[PIECE_TYPE_NB] = {};
    for (const char letter : letters[c]) {
      const PieceType pt = piece_type_of_letter(letter);
      assert(pt != PIECE_TYPE_NONE);
      if (pt != PIECE_TYPE_NONE)
        ++count[pt];
    }

    for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt)
      for (int i = 0; i < count[pt]; ++i)
        k ^= Zobrist::psq[c][pt][i];
  }
  return k;
}

template <typename T>
Endgames::Map<T>& Endgames::map() {
  if constexpr (std::is_same<T, Value>::value)
    return valueEvaluators;
  else
    return scalingEvaluators;
}

template <typename T>
const Endgames::Map<T>& Endgames::map() const {
  if constexpr (std::is_same<T, Value>::value)
    return valueEvaluators;
  else
    return scalingEvaluators;
}

template <EndgameType E, typename T>
void Endgames::add(const std::string& code) {
  map<T>()[key(code, COLOR_WHITE)] = std::make_unique<Endgame<E, T>>(COLOR_WHITE);
  map<T>()[key(code, COLOR_BLACK)] = std::make_unique<Endgame<E, T>>(COLOR_BLACK);
}

template <typename T>
EndgameBase<T>* Endgames::probe(Key key) const {
  const auto it = map<T>().find(key);
  return it != map<T>().end() ? it->second.get() : nullptr;
}

Endgames::Endgames() {
  add<KPK>("KPK");
  add<KNNK>("KNNK");
  add<KBNK>("KBNK");
  add<KRKP>("KRKP");
  add<KRKB>("KRKB");
  add<KRKN>("KRKN");
  add<KQKP>("KQKP");
  add<KQKR>("KQKR");

  add<KNPK>("KNPK");
  add<KNPKB>("KNPKB");
  add<KRPKR>("KRPKR");
  add<KRPKB>("KRPKB");
  add<KBPKB>("KBPKB");
  add<KBPKN>("KBPKN");
  add<KBPPKB>("KBPPKB");
  add<KRPPKRP>("KRPPKRP");
}

template Endgames::Map<Value>& Endgames::map<Value>();
template Endgames::Map<ScaleFactor>& Endgames::map<ScaleFactor>();
template const Endgames::Map<Value>& Endgames::map<Value>() const;
template const Endgames::Map<ScaleFactor>& Endgames::map<ScaleFactor>() const;
template EndgameBase<Value>* Endgames::probe<Value>(Key) const;
template EndgameBase<ScaleFactor>* Endgames::probe<ScaleFactor>(Key) const;

// ---------------------------------------------------------------------------
// Value evaluators
// ---------------------------------------------------------------------------

// Mate with KX vs K: drive the losing king to the edge and bring the kings
// together. Chosen by Material::probe for a lone weak king.
template <>
Value Endgame<KXK>::operator()(const Position& pos) const {
  assert(verify_material(pos, weakSide, VALUE_ZERO, 0));

  // Stalemate detection with a lone king.
  if (pos.side_to_move() == weakSide && !MoveList<GEN_LEGAL>(pos).size())
    return VALUE_DRAW;

  const Square winnerKSq = pos.king_square(strongSide);
  const Square loserKSq = pos.king_square(weakSide);

  Value result = pos.non_pawn_material(strongSide) + pos.count<PIECE_TYPE_PAWN>(strongSide) * VALUE_PAWN_EG
                 + PushToEdges[loserKSq] + PushClose[distance(winnerKSq, loserKSq)];

  if (pos.count<PIECE_TYPE_QUEEN>(strongSide) || pos.count<PIECE_TYPE_ROOK>(strongSide)
      || (pos.count<PIECE_TYPE_BISHOP>(strongSide) && pos.count<PIECE_TYPE_KNIGHT>(strongSide))
      || (pos.count<PIECE_TYPE_BISHOP>(strongSide) > 1
          && opposite_colors(pos.squares<PIECE_TYPE_BISHOP>(strongSide)[0],
                             pos.squares<PIECE_TYPE_BISHOP>(strongSide)[1])))
    result = std::min(result + VALUE_KNOWN_WIN, VALUE_MATE_IN_MAX_PLY - 1);

  return signed_by_side_to_move(pos, strongSide, result);
}

// Mate with KBN vs K: drive the losing king towards a corner of the bishop's
// colour.
template <>
Value Endgame<KBNK>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_KNIGHT_MG + VALUE_BISHOP_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 0));

  Square winnerKSq = pos.king_square(strongSide);
  Square loserKSq = pos.king_square(weakSide);
  const Square bishopSq = pos.square<PIECE_TYPE_BISHOP>(strongSide);

  // PushToCorners favours a1 and h8; a light-squared bishop mates in a8 or h1,
  // so the kings are flipped vertically for it.
  if (opposite_colors(bishopSq, SQUARE_A1)) {
    winnerKSq = ~winnerKSq;
    loserKSq = ~loserKSq;
  }

  const Value result = VALUE_KNOWN_WIN + PushClose[distance(winnerKSq, loserKSq)] + PushToCorners[loserKSq];

  return signed_by_side_to_move(pos, strongSide, result);
}

// KP vs K: the bitbase decides.
template <>
Value Endgame<KPK>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ZERO, 1));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 0));

  const Square wksq = normalize(pos, strongSide, pos.king_square(strongSide));
  const Square bksq = normalize(pos, strongSide, pos.king_square(weakSide));
  const Square psq = normalize(pos, strongSide, pos.square<PIECE_TYPE_PAWN>(strongSide));

  const Color us = strongSide == pos.side_to_move() ? COLOR_WHITE : COLOR_BLACK;

  if (!Bitbases::probe(wksq, psq, bksq, us))
    return VALUE_DRAW;

  const Value result = VALUE_KNOWN_WIN + VALUE_PAWN_EG + Value(rank_of(psq));

  return signed_by_side_to_move(pos, strongSide, result);
}

// KR vs KP: a rough guess from the king, rook and pawn geometry.
template <>
Value Endgame<KRKP>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 1));

  const Square wksq = relative_square(strongSide, pos.king_square(strongSide));
  const Square bksq = relative_square(strongSide, pos.king_square(weakSide));
  const Square rsq = relative_square(strongSide, pos.square<PIECE_TYPE_ROOK>(strongSide));
  const Square psq = relative_square(strongSide, pos.square<PIECE_TYPE_PAWN>(weakSide));

  const Square queeningSq = make_square(file_of(psq), RANK_1);
  const int tempoWeak = pos.side_to_move() == weakSide;
  const int tempoStrong = pos.side_to_move() == strongSide;
  Value result;

  // The strong king stands in front of the pawn.
  if (wksq < psq && file_of(wksq) == file_of(psq))
    result = VALUE_ROOK_EG - distance(wksq, psq);

  // The weak king is too far from the pawn and the rook.
  else if (distance(bksq, psq) >= 3 + tempoWeak && distance(bksq, rsq) >= 3)
    result = VALUE_ROOK_EG - distance(wksq, psq);

  // An advanced pawn supported by its king, with the strong king far away.
  else if (rank_of(bksq) <= RANK_3 && distance(bksq, psq) == 1 && rank_of(wksq) >= RANK_4
           && distance(wksq, psq) > 2 + tempoStrong)
    result = Value(80 - 8 * distance(wksq, psq));

  else
    result = Value(200 - 8 * (distance(wksq, psq + DELTA_S) - distance(bksq, psq + DELTA_S)
                              - distance(psq, queeningSq)));

  return signed_by_side_to_move(pos, strongSide, result);
}

// KR vs KB: a small bonus for driving the weak king to the edge.
template <>
Value Endgame<KRKB>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_BISHOP_MG, 0));

  const Value result = Value(PushToEdges[pos.king_square(weakSide)]);
  return signed_by_side_to_move(pos, strongSide, result);
}

// KR vs KN: also a bonus for separating the weak king from its knight.
template <>
Value Endgame<KRKN>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_KNIGHT_MG, 0));

  const Square bksq = pos.king_square(weakSide);
  const Square bnsq = pos.square<PIECE_TYPE_KNIGHT>(weakSide);
  const Value result = Value(PushToEdges[bksq] + PushAway[distance(bksq, bnsq)]);
  return signed_by_side_to_move(pos, strongSide, result);
}

// KQ vs KP: a win unless a seventh-rank pawn on file a, c, f or h is
// supported by its king.
template <>
Value Endgame<KQKP>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_QUEEN_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 1));

  const Square winnerKSq = pos.king_square(strongSide);
  const Square loserKSq = pos.king_square(weakSide);
  const Square pawnSq = pos.square<PIECE_TYPE_PAWN>(weakSide);

  Value result = Value(PushClose[distance(winnerKSq, loserKSq)]);

  if (relative_rank(weakSide, pawnSq) != RANK_7 || distance(loserKSq, pawnSq) != 1
      || !((FileABB | FileCBB | FileFBB | FileHBB) & pawnSq))
    result += VALUE_QUEEN_EG - VALUE_PAWN_EG;

  return signed_by_side_to_move(pos, strongSide, result);
}

// KQ vs KR: a win; drive the weak king to the edge and bring the kings together.
template <>
Value Endgame<KQKR>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_QUEEN_MG, 0));
  assert(verify_material(pos, weakSide, VALUE_ROOK_MG, 0));

  const Square winnerKSq = pos.king_square(strongSide);
  const Square loserKSq = pos.king_square(weakSide);

  const Value result = VALUE_QUEEN_EG - VALUE_ROOK_EG + PushToEdges[loserKSq]
                       + PushClose[distance(winnerKSq, loserKSq)];

  return signed_by_side_to_move(pos, strongSide, result);
}

// Two knights cannot force mate.
template <>
Value Endgame<KNNK>::operator()(const Position&) const {
  return VALUE_DRAW;
}

// ---------------------------------------------------------------------------
// Scaling functions
// ---------------------------------------------------------------------------

// KB and pawns vs K (the weak side may have pawns): a rook pawn with a bishop
// of the wrong colour, and blocked pawns on the b- or g-file.
template <>
ScaleFactor Endgame<KBPsK>::operator()(const Position& pos) const {
  assert(pos.non_pawn_material(strongSide) == VALUE_BISHOP_MG);
  assert(pos.count<PIECE_TYPE_BISHOP>(strongSide) == 1);
  assert(pos.count<PIECE_TYPE_PAWN>(strongSide) >= 1);

  const Bitboard pawns = pos.pieces(strongSide, PIECE_TYPE_PAWN);
  if (!pawns)
    return SCALE_FACTOR_NONE;  // not a KBPsK configuration

  const File pawnsFile = file_of(lsb(pawns));
  const Square bishopSq = pos.square<PIECE_TYPE_BISHOP>(strongSide);

  // All pawns on one rook file.
  if ((pawnsFile == FILE_A || pawnsFile == FILE_H) && !(pawns & ~file_bb(pawnsFile))) {
    const Square queeningSq = relative_square(strongSide, make_square(pawnsFile, RANK_8));
    const Square kingSq = pos.king_square(weakSide);

    if (opposite_colors(queeningSq, bishopSq) && distance(queeningSq, kingSq) <= 1)
      return SCALE_FACTOR_DRAW;
  }

  // All pawns of both sides on one b- or g-file.
  if ((pawnsFile == FILE_B || pawnsFile == FILE_G) && !(pos.pieces(PIECE_TYPE_PAWN) & ~file_bb(pawnsFile))
      && pos.non_pawn_material(weakSide) == VALUE_ZERO && pos.count<PIECE_TYPE_PAWN>(weakSide) >= 1) {
    // The weak pawn closest to its home rank.
    const Square weakPawnSq = backmost_sq(weakSide, pos.pieces(weakSide, PIECE_TYPE_PAWN));
    const Square strongKingSq = pos.king_square(strongSide);
    const Square weakKingSq = pos.king_square(weakSide);

    // The strong pawn is blocked on its seventh rank, and the bishop cannot
    // win the weak pawn or there is only one strong pawn.
    if (relative_rank(strongSide, weakPawnSq) == RANK_7
        && (pos.pieces(strongSide, PIECE_TYPE_PAWN) & (weakPawnSq + pawn_push(weakSide)))
        && (opposite_colors(bishopSq, weakPawnSq) || pos.count<PIECE_TYPE_PAWN>(strongSide) == 1)) {
      const int strongKingDist = distance(weakPawnSq, strongKingSq);
      const int weakKingDist = distance(weakPawnSq, weakKingSq);

      if (relative_rank(strongSide, weakKingSq) >= RANK_7 && weakKingDist <= 2 && weakKingDist <= strongKingDist)
        return SCALE_FACTOR_DRAW;
    }
  }

  return SCALE_FACTOR_NONE;
}

// KQ vs KR and pawns: the rook on the third rank, guarded by a pawn next to
// its king, holds a fortress.
template <>
ScaleFactor Endgame<KQKRPs>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_QUEEN_MG, 0));
  assert(pos.count<PIECE_TYPE_ROOK>(weakSide) == 1);
  assert(pos.count<PIECE_TYPE_PAWN>(weakSide) >= 1);

  const Square kingSq = pos.king_square(weakSide);
  const Square rsq = pos.square<PIECE_TYPE_ROOK>(weakSide);

  if (relative_rank(weakSide, kingSq) <= RANK_2 && relative_rank(weakSide, pos.king_square(strongSide)) >= RANK_4
      && relative_rank(weakSide, rsq) == RANK_3
      && (pos.pieces(weakSide, PIECE_TYPE_PAWN) & pos.attacks_from<PIECE_TYPE_KING>(kingSq)
          & pos.attacks_from<PIECE_TYPE_PAWN>(rsq, strongSide)))
    return SCALE_FACTOR_DRAW;

  return SCALE_FACTOR_NONE;
}

// KRP vs KR: the classic rook-endgame rules, with the strong side normalised
// to white and its pawn to files a-d.
template <>
ScaleFactor Endgame<KRPKR>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_ROOK_MG, 0));

  const Square wksq = normalize(pos, strongSide, pos.king_square(strongSide));
  const Square bksq = normalize(pos, strongSide, pos.king_square(weakSide));
  const Square wrsq = normalize(pos, strongSide, pos.square<PIECE_TYPE_ROOK>(strongSide));
  const Square wpsq = normalize(pos, strongSide, pos.square<PIECE_TYPE_PAWN>(strongSide));
  const Square brsq = normalize(pos, strongSide, pos.square<PIECE_TYPE_ROOK>(weakSide));

  const File f = file_of(wpsq);
  const Rank r = rank_of(wpsq);
  const Square queeningSq = make_square(f, RANK_8);
  const int tempo = pos.side_to_move() == strongSide;

  // 1. Third-rank defence: the weak king holds the queening square.
  if (r <= RANK_5 && distance(bksq, queeningSq) <= 1 && wksq <= SQUARE_H5
      && (rank_of(brsq) == RANK_6 || (r <= RANK_3 && rank_of(wrsq) != RANK_6)))
    return SCALE_FACTOR_DRAW;

  // 2. Pawn on the sixth with the strong king behind: checks from behind.
  if (r == RANK_6 && distance(bksq, queeningSq) <= 1 && rank_of(wksq) + tempo <= RANK_6
      && (rank_of(brsq) == RANK_1 || (!tempo && distance<File>(brsq, wpsq) >= 3)))
    return SCALE_FACTOR_DRAW;

  // 3. The weak king on the queening square and the rook on the first rank.
  if (r >= RANK_6 && bksq == queeningSq && rank_of(brsq) == RANK_1 && (!tempo || distance(wksq, wpsq) >= 2))
    return SCALE_FACTOR_DRAW;

  // 4. Pawn a7, rook a8, weak king g7 or h7, weak rook behind the pawn.
  if (wpsq == SQUARE_A7 && wrsq == SQUARE_A8 && (bksq == SQUARE_H7 || bksq == SQUARE_G7)
      && file_of(brsq) == FILE_A
      && (rank_of(brsq) <= RANK_3 || file_of(wksq) >= FILE_D || rank_of(wksq) <= RANK_5))
    return SCALE_FACTOR_DRAW;

  // 5. The weak king blocks the pawn and the strong king is too far away.
  if (r <= RANK_5 && bksq == wpsq + DELTA_N && distance(wksq, wpsq) - tempo >= 2
      && distance(wksq, brsq) - tempo >= 2)
    return SCALE_FACTOR_DRAW;

  // 6. Pawn on the seventh supported by the rook from behind, the strong king
  // closer to the queening square.
  if (r == RANK_7 && f != FILE_A && file_of(wrsq) == f && wrsq != queeningSq
      && distance(wksq, queeningSq) < distance(bksq, queeningSq) - 2 + tempo
      && distance(wksq, queeningSq) < distance(bksq, wrsq) + tempo)
    return ScaleFactor(128 - 2 * distance(wksq, queeningSq));

  // 7. The same with the pawn further back.
  if (f != FILE_A && file_of(wrsq) == f && wrsq < wpsq
      && distance(wksq, queeningSq) < distance(bksq, queeningSq) - 2 + tempo
      && distance(wksq, wpsq + DELTA_N) < distance(bksq, wpsq + DELTA_N) - 2 + tempo
      && (distance(bksq, wrsq) + tempo >= 3
          || (distance(wksq, queeningSq) < distance(bksq, wrsq) + tempo
              && distance(wksq, wpsq + DELTA_N) < distance(bksq, wrsq) + tempo)))
    return ScaleFactor(128 - 8 * distance(wpsq, queeningSq) - 2 * distance(wksq, queeningSq));

  // 8. A pawn not far advanced with the weak king somewhere in its path.
  if (r <= RANK_4 && bksq > wpsq) {
    if (file_of(bksq) == file_of(wpsq))
      return ScaleFactor(10);
    if (distance<File>(bksq, wpsq) == 1 && distance(wksq, bksq) > 2)
      return ScaleFactor(24 - 2 * distance(wksq, bksq));
  }

  return SCALE_FACTOR_NONE;
}

// KRP vs KB: a rook pawn on the fifth or sixth rank may give a fortress.
template <>
ScaleFactor Endgame<KRPKB>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_BISHOP_MG, 0));

  if (pos.pieces(PIECE_TYPE_PAWN) & (FileABB | FileHBB)) {
    const Square ksq = pos.king_square(weakSide);
    const Square bsq = pos.square<PIECE_TYPE_BISHOP>(weakSide);
    const Square psq = pos.square<PIECE_TYPE_PAWN>(strongSide);
    const Rank rk = relative_rank(strongSide, psq);
    const Square push = pawn_push(strongSide);

    // Pawn on the fifth on the bishop's colour: a fortress is possible, more
    // likely with the weak king near the corner but not trapped there.
    if (rk == RANK_5 && !opposite_colors(bsq, psq)) {
      const int d = distance(psq + 3 * push, ksq);
      if (d <= 2 && !(d == 0 && ksq == pos.king_square(strongSide) + 2 * push))
        return ScaleFactor(24);
      else
        return ScaleFactor(48);
    }

    // Pawn on the sixth: the bishop attacks the stop square from afar and
    // the weak king is near the corner.
    if (rk == RANK_6 && distance(psq + 2 * push, ksq) <= 1
        && (PseudoAttacks[PIECE_TYPE_BISHOP][bsq] & (psq + push)) && distance<File>(bsq, psq) >= 2)
      return ScaleFactor(8);
  }

  return SCALE_FACTOR_NONE;
}

// KRPP vs KRP: no passed pawn and the weak king in front of both pawns.
template <>
ScaleFactor Endgame<KRPPKRP>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ROOK_MG, 2));
  assert(verify_material(pos, weakSide, VALUE_ROOK_MG, 1));

  const Square wpsq1 = pos.squares<PIECE_TYPE_PAWN>(strongSide)[0];
  const Square wpsq2 = pos.squares<PIECE_TYPE_PAWN>(strongSide)[1];
  const Square bksq = pos.king_square(weakSide);

  if (pos.pawn_passed(strongSide, wpsq1) || pos.pawn_passed(strongSide, wpsq2))
    return SCALE_FACTOR_NONE;

  const Rank r = std::max(relative_rank(strongSide, wpsq1), relative_rank(strongSide, wpsq2));

  if (distance<File>(bksq, wpsq1) <= 1 && distance<File>(bksq, wpsq2) <= 1 && relative_rank(strongSide, bksq) > r)
    return ScaleFactor(KRPPKRPScaleFactors[r]);

  return SCALE_FACTOR_NONE;
}

// K and pawns vs K: all pawns on one rook file in front of the weak king.
template <>
ScaleFactor Endgame<KPsK>::operator()(const Position& pos) const {
  assert(pos.non_pawn_material(strongSide) == VALUE_ZERO);
  assert(pos.count<PIECE_TYPE_PAWN>(strongSide) >= 1);
  assert(verify_material(pos, weakSide, VALUE_ZERO, 0));

  const Square ksq = pos.king_square(weakSide);
  const Bitboard pawns = pos.pieces(strongSide, PIECE_TYPE_PAWN);
  if (!pawns)
    return SCALE_FACTOR_NONE;  // not a KPsK configuration

  if (!(pawns & ~in_front_bb(weakSide, rank_of(ksq))) && !((pawns & ~FileABB) && (pawns & ~FileHBB))
      && distance<File>(ksq, lsb(pawns)) <= 1)
    return SCALE_FACTOR_DRAW;

  return SCALE_FACTOR_NONE;
}

// KBP vs KB: a king blockade, and opposite-coloured bishops.
template <>
ScaleFactor Endgame<KBPKB>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_BISHOP_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_BISHOP_MG, 0));

  const Square pawnSq = pos.square<PIECE_TYPE_PAWN>(strongSide);
  const Square strongBishopSq = pos.square<PIECE_TYPE_BISHOP>(strongSide);
  const Square weakBishopSq = pos.square<PIECE_TYPE_BISHOP>(weakSide);
  const Square weakKingSq = pos.king_square(weakSide);

  // The weak king blocks the pawn and cannot be driven away.
  if (file_of(weakKingSq) == file_of(pawnSq)
      && relative_rank(strongSide, pawnSq) < relative_rank(strongSide, weakKingSq)
      && (opposite_colors(weakKingSq, strongBishopSq) || relative_rank(strongSide, weakKingSq) <= RANK_6))
    return SCALE_FACTOR_DRAW;

  if (opposite_colors(strongBishopSq, weakBishopSq)) {
    if (relative_rank(strongSide, pawnSq) <= RANK_5)
      return SCALE_FACTOR_DRAW;

    const Bitboard path = forward_bb(strongSide, pawnSq);

    if (path & pos.pieces(weakSide, PIECE_TYPE_KING))
      return SCALE_FACTOR_DRAW;

    if ((pos.attacks_from<PIECE_TYPE_BISHOP>(weakBishopSq) & path) && distance(weakBishopSq, pawnSq) >= 3)
      return SCALE_FACTOR_DRAW;
  }

  return SCALE_FACTOR_NONE;
}

// KBPP vs KB with opposite-coloured bishops: blockade squares in front of the
// pawns.
template <>
ScaleFactor Endgame<KBPPKB>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_BISHOP_MG, 2));
  assert(verify_material(pos, weakSide, VALUE_BISHOP_MG, 0));

  const Square wbsq = pos.square<PIECE_TYPE_BISHOP>(strongSide);
  const Square bbsq = pos.square<PIECE_TYPE_BISHOP>(weakSide);

  if (!opposite_colors(wbsq, bbsq))
    return SCALE_FACTOR_NONE;

  const Square ksq = pos.king_square(weakSide);
  const Square psq1 = pos.squares<PIECE_TYPE_PAWN>(strongSide)[0];
  const Square psq2 = pos.squares<PIECE_TYPE_PAWN>(strongSide)[1];
  Square blockSq1, blockSq2;

  if (relative_rank(strongSide, psq1) > relative_rank(strongSide, psq2)) {
    blockSq1 = psq1 + pawn_push(strongSide);
    blockSq2 = make_square(file_of(psq2), rank_of(psq1));
  } else {
    blockSq1 = psq2 + pawn_push(strongSide);
    blockSq2 = make_square(file_of(psq1), rank_of(psq2));
  }

  switch (distance<File>(psq1, psq2)) {
    case 0:
      // Both pawns on one file: a draw if the weak king firmly holds a square
      // in front of the foremost pawn.
      if (file_of(ksq) == file_of(blockSq1) && relative_rank(strongSide, ksq) >= relative_rank(strongSide, blockSq1)
          && opposite_colors(ksq, wbsq))
        return SCALE_FACTOR_DRAW;
      return SCALE_FACTOR_NONE;

    case 1:
      // Pawns on adjacent files: a draw if the king holds one blockade square
      // and the bishop the other.
      if (ksq == blockSq1 && opposite_colors(ksq, wbsq)
          && (bbsq == blockSq2
              || (pos.attacks_from<PIECE_TYPE_BISHOP>(blockSq2) & pos.pieces(weakSide, PIECE_TYPE_BISHOP))
              || distance<Rank>(psq1, psq2) >= 2))
        return SCALE_FACTOR_DRAW;
      if (ksq == blockSq2 && opposite_colors(ksq, wbsq)
          && (bbsq == blockSq1
              || (pos.attacks_from<PIECE_TYPE_BISHOP>(blockSq1) & pos.pieces(weakSide, PIECE_TYPE_BISHOP))))
        return SCALE_FACTOR_DRAW;
      return SCALE_FACTOR_NONE;

    default:
      // Pawns far apart: usually a win.
      return SCALE_FACTOR_NONE;
  }
}

// KBP vs KN: the weak king blocks the pawn.
template <>
ScaleFactor Endgame<KBPKN>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_BISHOP_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_KNIGHT_MG, 0));

  const Square pawnSq = pos.square<PIECE_TYPE_PAWN>(strongSide);
  const Square strongBishopSq = pos.square<PIECE_TYPE_BISHOP>(strongSide);
  const Square weakKingSq = pos.king_square(weakSide);

  if (file_of(weakKingSq) == file_of(pawnSq)
      && relative_rank(strongSide, pawnSq) < relative_rank(strongSide, weakKingSq)
      && (opposite_colors(weakKingSq, strongBishopSq) || relative_rank(strongSide, weakKingSq) <= RANK_6))
    return SCALE_FACTOR_DRAW;

  return SCALE_FACTOR_NONE;
}

// KNP vs K: a pawn on a7 (normalised) with the weak king next to a8.
template <>
ScaleFactor Endgame<KNPK>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_KNIGHT_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 0));

  const Square pawnSq = normalize(pos, strongSide, pos.square<PIECE_TYPE_PAWN>(strongSide));
  const Square weakKingSq = normalize(pos, strongSide, pos.king_square(weakSide));

  if (pawnSq == SQUARE_A7 && distance(SQUARE_A8, weakKingSq) <= 1)
    return SCALE_FACTOR_DRAW;

  return SCALE_FACTOR_NONE;
}

// KNP vs KB: when the bishop controls the pawn's path, the factor is the weak
// king's distance to the pawn.
template <>
ScaleFactor Endgame<KNPKB>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_KNIGHT_MG, 1));
  assert(verify_material(pos, weakSide, VALUE_BISHOP_MG, 0));

  const Square pawnSq = pos.square<PIECE_TYPE_PAWN>(strongSide);
  const Square bishopSq = pos.square<PIECE_TYPE_BISHOP>(weakSide);
  const Square weakKingSq = pos.king_square(weakSide);

  if (forward_bb(strongSide, pawnSq) & pos.attacks_from<PIECE_TYPE_BISHOP>(bishopSq))
    return ScaleFactor(distance(weakKingSq, pawnSq));

  return SCALE_FACTOR_NONE;
}

// KP vs KP: the KPK bitbase with the weak pawn removed. A draw there is
// probably at least a draw with the pawn.
template <>
ScaleFactor Endgame<KPKP>::operator()(const Position& pos) const {
  assert(verify_material(pos, strongSide, VALUE_ZERO, 1));
  assert(verify_material(pos, weakSide, VALUE_ZERO, 1));

  const Square wksq = normalize(pos, strongSide, pos.king_square(strongSide));
  const Square bksq = normalize(pos, strongSide, pos.king_square(weakSide));
  const Square psq = normalize(pos, strongSide, pos.square<PIECE_TYPE_PAWN>(strongSide));

  const Color us = strongSide == pos.side_to_move() ? COLOR_WHITE : COLOR_BLACK;

  // An advanced pawn off the rook file is too dangerous to call drawn.
  if (rank_of(psq) >= RANK_5 && file_of(psq) != FILE_A)
    return SCALE_FACTOR_NONE;

  return Bitbases::probe(wksq, psq, bksq, us) ? SCALE_FACTOR_NONE : SCALE_FACTOR_DRAW;
}

// Every evaluator class, so that its vtable and operator() exist for the
// registry and for the fixed pairs of the material module.
template struct Endgame<KNNK>;
template struct Endgame<KXK>;
template struct Endgame<KBNK>;
template struct Endgame<KPK>;
template struct Endgame<KRKP>;
template struct Endgame<KRKB>;
template struct Endgame<KRKN>;
template struct Endgame<KQKP>;
template struct Endgame<KQKR>;
template struct Endgame<KBPsK>;
template struct Endgame<KQKRPs>;
template struct Endgame<KRPKR>;
template struct Endgame<KRPKB>;
template struct Endgame<KRPPKRP>;
template struct Endgame<KPsK>;
template struct Endgame<KBPKB>;
template struct Endgame<KBPPKB>;
template struct Endgame<KBPKN>;
template struct Endgame<KNPK>;
template struct Endgame<KNPKB>;
template struct Endgame<KPKP>;
