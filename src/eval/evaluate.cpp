#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "board/bitboard.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "personalities/personality.h"
#include "uci/uci.h"

namespace {

constexpr Color WHITE = COLOR_WHITE;
constexpr Color BLACK = COLOR_BLACK;
constexpr PieceType ALL = PIECE_TYPE_ALL;
constexpr PieceType PAWN = PIECE_TYPE_PAWN;
constexpr PieceType KNIGHT = PIECE_TYPE_KNIGHT;
constexpr PieceType BISHOP = PIECE_TYPE_BISHOP;
constexpr PieceType ROOK = PIECE_TYPE_ROOK;
constexpr PieceType QUEEN = PIECE_TYPE_QUEEN;
constexpr PieceType KING = PIECE_TYPE_KING;

// The score never leaves the range the search treats as non-mate.
constexpr int MaxEval = VALUE_MATE_IN_MAX_PLY - 1;

// What one half of a packed Score can hold.
constexpr int MaxHalf = 32767;

inline int clamp_half(long long v) { return int(std::min<long long>(MaxHalf, std::max<long long>(-MaxHalf, v))); }

// A personality multiplier may be any finite double, so a product with it is
// saturated while still a double: converting an out-of-range double to an
// integer is undefined. The bound lies far beyond a half, so clamping the
// later integer sums and products to a half gives the exact result, and it is
// small enough that those sums and products fit in 64 bits.
constexpr double MaxScaled = double(1 << 30);

inline long long trunc_sat(double x) {
  return std::isnan(x) ? 0 : (long long)std::min(MaxScaled, std::max(-MaxScaled, x));
}

namespace Trace {

enum Term {  // The first six are piece types
  MATERIAL = 8, IMBALANCE, MOBILITY, THREAT, PASSED, SPACE, TOTAL, TERM_NB
};

double scores[TERM_NB][COLOR_NB][PHASE_NB];

double to_pawns(int v) { return double(v) / VALUE_PAWN_EG; }

void add(int term, Color c, int mg, int eg) {
  scores[term][c][PHASE_MG] = to_pawns(mg);
  scores[term][c][PHASE_EG] = to_pawns(eg);
}

void add(int term, Color c, Score s) { add(term, c, score_mg(s), score_eg(s)); }

std::ostream& operator<<(std::ostream& os, Term t) {
  const double(&s)[COLOR_NB][PHASE_NB] = scores[t];

  if (t == MATERIAL || t == IMBALANCE || t == Term(PAWN) || t == TOTAL)
    os << "  ---   --- |   ---   --- | ";
  else
    os << std::setw(5) << s[WHITE][PHASE_MG] << " " << std::setw(5) << s[WHITE][PHASE_EG] << " | "
       << std::setw(5) << s[BLACK][PHASE_MG] << " " << std::setw(5) << s[BLACK][PHASE_EG] << " | ";

  os << std::setw(5) << s[WHITE][PHASE_MG] - s[BLACK][PHASE_MG] << " " << std::setw(5)
     << s[WHITE][PHASE_EG] - s[BLACK][PHASE_EG] << " \n";
  return os;
}

}  // namespace Trace

// Scratch data of one evaluation: the attack maps are built once and shared
// by every term.
struct EvalInfo {
  Material::Entry* me;
  Pawns::Entry* pi;

  // [colour][piece type]; index 0 holds every piece of the colour
  Bitboard attackedBy[COLOR_NB][PIECE_TYPE_NB];
  Bitboard pinnedPieces[COLOR_NB];
  // Zone round each king against which the other side's attacks count
  Bitboard kingRing[COLOR_NB];
  int kingAttackersCount[COLOR_NB];
  int kingAttackersWeight[COLOR_NB];
  int kingAdjacentZoneAttacksCount[COLOR_NB];
};

// The evaluation's own view of the personality and strength inputs of one call.
struct Weights {
  double f;  // strength factor
  double pawnStructure, space, mobility, initiative, hanging;
};

#define S(mg, eg) make_score(mg, eg)

// Rows of 32 so that every reachable count (a queen can see 27 squares) reads
// a defined slot; the unlisted slots are zero.
const Score MobilityBonus[PIECE_TYPE_NB][32] = {
    {},
    {},
    {S(-75, -76), S(-56, -54), S(-9, -26), S(-2, -10), S(6, 5), S(15, 11), S(22, 26), S(30, 28), S(42, 35)},
    {S(-48, -58), S(-21, -19), S(16, -2), S(26, 12), S(37, 22), S(51, 42), S(54, 54), S(63, 58), S(65, 63),
     S(71, 70), S(79, 74), S(81, 86), S(92, 90), S(105, 100)},
    {S(-56, -78), S(-25, -18), S(-11, 26), S(-5, 55), S(-4, 70), S(-1, 81), S(8, 109), S(14, 120), S(21, 128),
     S(23, 143), S(31, 154), S(32, 160), S(43, 165), S(49, 168), S(59, 169)},
    {S(-40, -35), S(-25, -12), S(2, 7),     S(4, 19),    S(14, 37),   S(24, 55),   S(25, 62),
     S(40, 76),   S(43, 79),   S(47, 87),   S(54, 94),   S(56, 102),  S(60, 111),  S(70, 116),
     S(72, 118),  S(73, 122),  S(75, 128),  S(77, 130),  S(85, 133),  S(94, 136),  S(99, 140),
     S(108, 157), S(112, 158), S(115, 165), S(120, 175), S(125, 185), S(130, 205)},
};

// [knight, bishop][supported by an own pawn]
const Score Outpost[2][2] = {{S(42, 11), S(63, 17)}, {S(18, 5), S(27, 8)}};
const Score ReachableOutpost[2][2] = {{S(21, 5), S(31, 8)}, {S(8, 2), S(13, 4)}};

// [semi-open, open]
const Score RookOnFile[2] = {S(19, 10), S(43, 21)};

const Score ThreatBySafePawn[PIECE_TYPE_NB] = {S(0, 0), S(0, 0), S(160, 120), S(120, 110), S(200, 200), S(190, 200)};

enum { Minor, Rook };
const Score Threat[2][PIECE_TYPE_NB] = {
    {S(0, 0), S(0, 33), S(45, 43), S(46, 47), S(72, 107), S(48, 118)},
    {S(0, 0), S(0, 25), S(40, 62), S(40, 59), S(0, 34), S(35, 48)}};

const Score ThreatByKing[2] = {S(3, 62), S(9, 138)};

const Score PassedFile[FILE_NB] = {S(12, 10), S(3, 10),    S(1, -8), S(-27, -12),
                                   S(-27, -12), S(1, -8), S(3, 10), S(12, 10)};

// [mg, eg][relative rank - 2]
const int Passed[PHASE_NB][6] = {{0, 1, 34, 90, 214, 328}, {7, 14, 37, 63, 134, 189}};

const Score Checked = S(20, 20);
const Score ThreatByHangingPawn = S(60, 50);
const Score ThreatByPawnPush = S(31, 19);
const Score TrappedRook = S(92, 0);
const Score RookOnPawn = S(7, 27);
const Score BishopPawns = S(8, 12);
const Score MinorBehindPawn = S(16, 0);
const Score TrappedBishopA1H1 = S(50, 50);
const Score Unstoppable = S(0, 20);

constexpr int HangingMg = 70, HangingEg = 40;

#undef S

const int KingAttackWeights[PIECE_TYPE_NB] = {0, 0, 7, 5, 4, 1};

constexpr int KingDangerSize = 400;
Score KingDanger[KingDangerSize];

// Squares no enemy pawn can ever attack are outposts on these ranks.
constexpr Bitboard OutpostRanks[COLOR_NB] = {Rank4BB | Rank5BB | Rank6BB, Rank5BB | Rank4BB | Rank3BB};

constexpr Bitboard CenterFiles = FileCBB | FileDBB | FileEBB | FileFBB;
constexpr Bitboard SpaceMask[COLOR_NB] = {CenterFiles & (Rank2BB | Rank3BB | Rank4BB),
                                          CenterFiles & (Rank7BB | Rank6BB | Rank5BB)};

template <Color Us>
void init_eval_info(const Position& pos, EvalInfo& ei) {
  constexpr Color Them = ~Us;
  constexpr Square Down = Us == WHITE ? DELTA_S : DELTA_N;

  ei.pinnedPieces[Us] = pos.check_blockers(Us, Us);

  Bitboard b = ei.attackedBy[Them][KING] = pos.attacks_from<KING>(pos.king_square(Them));
  ei.attackedBy[Them][ALL] |= b;
  ei.attackedBy[Us][ALL] |= ei.attackedBy[Us][PAWN] = ei.pi->pawn_attacks(Us);

  // King attacks count only when the attacker has at least a queen's worth
  // of pieces.
  if (pos.non_pawn_material(Us) >= VALUE_QUEEN_MG) {
    ei.kingRing[Them] = b | shift_bb<Down>(b);
    ei.kingAttackersCount[Us] = popcount(b & ei.attackedBy[Us][PAWN]);
    ei.kingAdjacentZoneAttacksCount[Us] = ei.kingAttackersWeight[Us] = 0;
  } else
    ei.kingRing[Them] = ei.kingAttackersCount[Us] = 0;
}

template <bool DoTrace, Color Us, PieceType Pt>
Score evaluate_pieces(const Position& pos, EvalInfo& ei, Score* mobility, const Bitboard* mobilityArea) {
  constexpr Color Them = ~Us;
  constexpr Square Up = pawn_push(Us);

  Score score = SCORE_ZERO;
  const Square ksq = pos.king_square(Us);

  for (Bitboard pcs = pos.pieces(Us, Pt); pcs;) {
    const Square s = pop_lsb(&pcs);

    // Sliders see through their own sliders of the same line
    Bitboard b = Pt == BISHOP ? attacks_bb<BISHOP>(s, pos.pieces() ^ pos.pieces(Us, QUEEN))
                 : Pt == ROOK ? attacks_bb<ROOK>(s, pos.pieces() ^ pos.pieces(Us, ROOK, QUEEN))
                              : pos.attacks_from<Pt>(s);

    if (ei.pinnedPieces[Us] & s)
      b &= LineBB[ksq][s];

    ei.attackedBy[Us][ALL] |= ei.attackedBy[Us][Pt] |= b;

    if (b & ei.kingRing[Them]) {
      ei.kingAttackersCount[Us]++;
      ei.kingAttackersWeight[Us] += KingAttackWeights[Pt];
      ei.kingAdjacentZoneAttacksCount[Us] += popcount(b & ei.attackedBy[Them][KING]);
    }

    if (Pt == QUEEN)
      b &= ~(ei.attackedBy[Them][KNIGHT] | ei.attackedBy[Them][BISHOP] | ei.attackedBy[Them][ROOK]);

    const int mob = popcount(b & mobilityArea[Us]);
    mobility[Us] += MobilityBonus[Pt][mob];

    if (Pt == KNIGHT || Pt == BISHOP) {
      Bitboard bb = OutpostRanks[Us] & ~ei.pi->pawn_attacks_span(Them);
      if (bb & s)
        score += Outpost[Pt == BISHOP][!!(ei.attackedBy[Us][PAWN] & s)];
      else {
        bb &= b & ~pos.pieces(Us);
        if (bb)
          score += ReachableOutpost[Pt == BISHOP][!!(ei.attackedBy[Us][PAWN] & bb)];
      }

      if (relative_rank(Us, s) < RANK_5 && (pos.pieces(PAWN) & (s + Up)))
        score += MinorBehindPawn;

      if (Pt == BISHOP) {
        score -= BishopPawns * ei.pi->pawns_on_same_color_squares(Us, s);

        // A corner bishop walled in by its own pawns (only in Chess960 can
        // the initial setup put it there)
        if (pos.is_chess960()
            && (s == relative_square(Us, SQUARE_A1) || s == relative_square(Us, SQUARE_H1))) {
          const Square d = Up + (file_of(s) == FILE_A ? DELTA_E : DELTA_W);
          if (pos.piece_on(s + d) == make_piece(Us, PAWN))
            score -= !pos.empty(s + d + Up)                              ? TrappedBishopA1H1 * 4
                     : pos.piece_on(s + d + d) == make_piece(Us, PAWN) ? TrappedBishopA1H1 * 2
                                                                       : TrappedBishopA1H1;
        }
      }
    }

    if (Pt == ROOK) {
      if (relative_rank(Us, s) >= RANK_5)
        score += RookOnPawn * popcount(pos.pieces(Them, PAWN) & PseudoAttacks[ROOK][s]);

      if (ei.pi->semiopen_file(Us, file_of(s)))
        score += RookOnFile[!!ei.pi->semiopen_file(Them, file_of(s))];

      // A rook boxed in by its own uncastled king
      else if (mob <= 3) {
        const File kf = file_of(ksq);
        if (((kf < FILE_E) == (file_of(s) < kf)) && (rank_of(ksq) == rank_of(s) || relative_rank(Us, ksq) == RANK_1)
            && !ei.pi->semiopen_side(Us, kf, file_of(s) < kf))
          score -= (TrappedRook - make_score(22 * mob, 0)) * (1 + !pos.can_castle(Us));
      }
    }
  }

  if (DoTrace)
    Trace::add(Pt, Us, score);

  return score;
}

template <Color Us>
Score evaluate_king(const Position& pos, const EvalInfo& ei) {
  constexpr Color Them = ~Us;

  const Square ksq = pos.king_square(Us);
  Score score = ei.pi->king_safety<Us>(pos, ksq);

  if (!ei.kingAttackersCount[Them])
    return score;

  const Bitboard ourDefence = ei.attackedBy[Us][PAWN] | ei.attackedBy[Us][KNIGHT] | ei.attackedBy[Us][BISHOP]
                              | ei.attackedBy[Us][ROOK] | ei.attackedBy[Us][QUEEN];

  // Squares next to the king that only the king defends
  const Bitboard undefended = ei.attackedBy[Them][ALL] & ei.attackedBy[Us][KING] & ~ourDefence;

  int attackUnits = std::min(72, ei.kingAttackersCount[Them] * ei.kingAttackersWeight[Them])
                    + 9 * ei.kingAdjacentZoneAttacksCount[Them] + 27 * popcount(undefended)
                    + 11 * !!ei.pinnedPieces[Us] - 64 * !pos.count<QUEEN>(Them) - score_mg(score) / 8;

  // Queen contact checks backed by another attacker
  Bitboard b = undefended & ei.attackedBy[Them][QUEEN] & ~pos.pieces(Them);
  if (b) {
    b &= ei.attackedBy[Them][PAWN] | ei.attackedBy[Them][KNIGHT] | ei.attackedBy[Them][BISHOP]
         | ei.attackedBy[Them][ROOK] | ei.attackedBy[Them][KING];
    attackUnits += 80 * popcount(b);
  }

  // Safe distance checks
  const Bitboard safe = ~(pos.pieces(Them) | ei.attackedBy[Us][ALL]);
  const Bitboard b1 = pos.attacks_from<ROOK>(ksq) & safe;
  const Bitboard b2 = pos.attacks_from<BISHOP>(ksq) & safe;

  if ((b = (b1 | b2) & ei.attackedBy[Them][QUEEN])) {
    attackUnits += 45 * popcount(b);
    score -= Checked;
  }
  if ((b = b1 & ei.attackedBy[Them][ROOK])) {
    attackUnits += 40 * popcount(b);
    score -= Checked;
  }
  if ((b = b2 & ei.attackedBy[Them][BISHOP])) {
    attackUnits += 6 * popcount(b);
    score -= Checked;
  }
  if ((b = pos.attacks_from<KNIGHT>(ksq) & ei.attackedBy[Them][KNIGHT] & safe)) {
    attackUnits += 12 * popcount(b);
    score -= Checked;
  }

  attackUnits = std::min(KingDangerSize - 1, std::max(0, attackUnits));
  return score - KingDanger[attackUnits];
}

// The threat score of Us without the hanging bonus, which is scaled by the
// personality and returned apart as a count.
template <Color Us>
Score evaluate_threats(const Position& pos, const EvalInfo& ei, int& hangingCount) {
  constexpr Color Them = ~Us;
  constexpr Square Up = pawn_push(Us);
  constexpr Square Left = Us == WHITE ? DELTA_NW : DELTA_SE;
  constexpr Square Right = Us == WHITE ? DELTA_NE : DELTA_SW;
  constexpr Bitboard TRank2BB = Us == WHITE ? Rank2BB : Rank7BB;
  constexpr Bitboard TRank7BB = Us == WHITE ? Rank7BB : Rank2BB;

  Score score = SCORE_ZERO;
  hangingCount = 0;

  const Bitboard theirPieces = pos.pieces(Them) ^ pos.pieces(Them, PAWN);

  // Non-pawn enemies attacked by our pawns
  Bitboard weak = theirPieces & ei.attackedBy[Us][PAWN];
  if (weak) {
    const Bitboard safePawns = pos.pieces(Us, PAWN) & (~ei.attackedBy[Them][ALL] | ei.attackedBy[Us][ALL]);
    Bitboard safeThreats = (shift_bb<Right>(safePawns) | shift_bb<Left>(safePawns)) & weak;

    if (weak ^ safeThreats)
      score += ThreatByHangingPawn;

    while (safeThreats)
      score += ThreatBySafePawn[type_of(pos.piece_on(pop_lsb(&safeThreats)))];
  }

  // Pieces defended by a pawn, and pieces attacked but not pawn-defended
  const Bitboard defended = theirPieces & ei.attackedBy[Them][PAWN];
  weak = pos.pieces(Them) & ~ei.attackedBy[Them][PAWN] & ei.attackedBy[Us][ALL];

  if (defended | weak) {
    Bitboard b = (defended | weak) & (ei.attackedBy[Us][KNIGHT] | ei.attackedBy[Us][BISHOP]);
    while (b)
      score += Threat[Minor][type_of(pos.piece_on(pop_lsb(&b)))];

    b = (pos.pieces(Them, QUEEN) | weak) & ei.attackedBy[Us][ROOK];
    while (b)
      score += Threat[Rook][type_of(pos.piece_on(pop_lsb(&b)))];

    hangingCount = popcount(weak & ~ei.attackedBy[Them][ALL]);

    b = weak & ei.attackedBy[Us][KING];
    if (b)
      score += ThreatByKing[more_than_one(b)];
  }

  // Safe pawn pushes that would attack an enemy piece
  Bitboard b = pos.pieces(Us, PAWN) & ~TRank7BB;
  b = shift_bb<Up>(b | (shift_bb<Up>(b & TRank2BB) & ~pos.pieces()));
  b &= ~pos.pieces() & ~ei.attackedBy[Them][PAWN] & (ei.attackedBy[Us][ALL] | ~ei.attackedBy[Them][ALL]);
  b = (shift_bb<Left>(b) | shift_bb<Right>(b)) & pos.pieces(Them) & ~ei.attackedBy[Us][PAWN];
  score += ThreatByPawnPush * popcount(b);

  return score;
}

template <Color Us>
Score evaluate_passed_pawns(const Position& pos, const EvalInfo& ei) {
  constexpr Color Them = ~Us;
  constexpr Square Up = pawn_push(Us);

  Score score = SCORE_ZERO;
  const Square ourKing = pos.king_square(Us), theirKing = pos.king_square(Them);

  for (Bitboard b = ei.pi->passed_pawns(Us); b;) {
    const Square s = pop_lsb(&b);

    const int r = relative_rank(Us, s) - RANK_2;
    const int rr = r * (r - 1);

    int mbonus = Passed[PHASE_MG][r], ebonus = Passed[PHASE_EG][r];

    if (rr) {
      const Square blockSq = s + Up;

      // King proximity to the square in front
      ebonus += 5 * rr * distance(theirKing, blockSq) - 2 * rr * distance(ourKing, blockSq);
      if (relative_rank(Us, blockSq) != RANK_8)
        ebonus -= rr * distance(ourKing, blockSq + Up);

      if (pos.empty(blockSq)) {
        const Bitboard squaresToQueen = forward_bb(Us, s);

        // A heavy piece behind the pawn on its file attacks or defends its whole path
        const Bitboard rear = forward_bb(Them, s) & pos.pieces(ROOK, QUEEN) & pos.attacks_from<ROOK>(s);

        Bitboard defendedSquares = squaresToQueen, unsafeSquares = squaresToQueen;
        if (!(pos.pieces(Us) & rear))
          defendedSquares &= ei.attackedBy[Us][ALL];
        if (!(pos.pieces(Them) & rear))
          unsafeSquares &= ei.attackedBy[Them][ALL] | pos.pieces(Them);

        int k = !unsafeSquares ? 18 : !(unsafeSquares & blockSq) ? 8 : 0;

        if (defendedSquares == squaresToQueen)
          k += 6;
        else if (defendedSquares & blockSq)
          k += 4;

        mbonus += k * rr;
        ebonus += k * rr;
      } else if (pos.pieces(Us) & blockSq) {
        mbonus += 3 * rr + 2 * r + 3;
        ebonus += rr + 2 * r;
      }
    }

    if (pos.count<PAWN>(Us) < pos.count<PAWN>(Them))
      ebonus += ebonus / 4;

    score += make_score(mbonus, ebonus) + PassedFile[file_of(s)];
  }

  return make_score(score_mg(score) * 170 / 256, score_eg(score) * 220 / 256);
}

template <Color Us>
Score evaluate_unstoppable_pawns(const EvalInfo& ei) {
  const Bitboard b = ei.pi->passed_pawns(Us);
  return b ? Unstoppable * int(relative_rank(Us, frontmost_sq(Us, b))) : SCORE_ZERO;
}

// Safe squares behind the pawn front in the centre, counted twice when
// sheltered by a pawn.
template <Color Us>
int evaluate_space(const Position& pos, const EvalInfo& ei) {
  constexpr Color Them = ~Us;

  const Bitboard safe = SpaceMask[Us] & ~pos.pieces(Us, PAWN) & ~ei.attackedBy[Them][PAWN]
                        & (ei.attackedBy[Us][ALL] | ~ei.attackedBy[Them][ALL]);

  Bitboard behind = pos.pieces(Us, PAWN);
  behind |= Us == WHITE ? behind >> 8 : behind << 8;
  behind |= Us == WHITE ? behind >> 16 : behind << 16;

  return popcount(safe) + popcount(behind & safe);
}

// Endgame correction for the side that can still make progress; it never
// takes away more than half of the endgame score.
int evaluate_initiative(const Position& pos, int asymmetry, int eg) {
  const int kingDistance = distance<File>(pos.king_square(WHITE), pos.king_square(BLACK));
  const int pawns = pos.count<PAWN>(WHITE) + pos.count<PAWN>(BLACK);

  const int initiative = 2 * (kingDistance + pawns + asymmetry - 15);
  return ((eg > 0) - (eg < 0)) * std::max(initiative, -std::abs(eg / 2));
}

int evaluate_scale_factor(const Position& pos, const EvalInfo& ei, int eg) {
  const Color strongSide = eg > VALUE_DRAW ? WHITE : BLACK;
  int sf = ei.me->scale_factor(pos, strongSide);

  if (ei.me->game_phase() < PHASE_MIDGAME && (sf == SCALE_FACTOR_NORMAL || sf == SCALE_FACTOR_ONE_PAWN)) {
    if (pos.opposite_bishops()) {
      // Bishops alone are drawish even a pawn or two up
      if (pos.non_pawn_material(WHITE) == VALUE_BISHOP_MG && pos.non_pawn_material(BLACK) == VALUE_BISHOP_MG)
        sf = more_than_one(pos.pieces(PAWN)) ? 31 : 9;
      else
        sf = sf * 46 / SCALE_FACTOR_NORMAL;
    }
    // The weak king in front of a narrow pawn group
    else if (std::abs(eg) <= VALUE_BISHOP_EG && ei.pi->pawn_span(strongSide) <= 1
             && !pos.pawn_passed(~strongSide, pos.king_square(~strongSide)))
      sf = ei.pi->pawn_span(strongSide) ? 51 : 37;
  }

  return sf;
}

}  // namespace

namespace Eval {

void init() {
  int t = 0;
  for (int i = 0; i < KingDangerSize; ++i) {
    t = std::min(1280000, std::min(27 * i * i, t + 8700));
    KingDanger[i] = make_score((t / 1000) * 310 / 256, 0);
  }
}

Score king_danger(int units) { return KingDanger[std::min(KingDangerSize - 1, std::max(0, units))]; }

double strength_factor(int elo) {
  if (elo >= 2900)
    return 1.0;
  if (elo <= 500)
    return 0.1;

  const double t = (elo - 500) / 2400.0;
  return 0.1 + (t * t) * 0.9;
}

int noise(Key key, int elo) {
  if (elo >= 2900)
    return 0;

  // 64-bit so that any option value is safe
  const long long r = 3100LL - elo;
  const int half = r < 1600 ? int(r / 4) : 400;
  const uint64_t m = uint64_t(2 * half + 1);

  return int((key ^ (key >> 32)) % m) - half;
}

template <bool DoTrace>
Value evaluate(const Position& pos) {
  EvalInfo ei;
  std::memset(&ei, 0, sizeof ei);

  Score score = pos.psq_score();

  ei.me = Material::probe(pos);

  // A specialised evaluator knows the whole answer
  if (ei.me->specialized_eval_exists())
    return Value(std::min(MaxEval, std::max(-MaxEval, int(ei.me->evaluate(pos)))));

  score += ei.me->imbalance_score();

  ei.pi = Pawns::probe(pos);

  const int elo = UCI::elo_level();
  const Personality::EvalWeights pw = Personality::eval_weights();
  // eval_weights() hands out finite multipliers of any size: every product
  // with one goes through trunc_sat.
  const Weights w = {strength_factor(elo), pw.pawnStructure, pw.space, pw.mobility, pw.initiative, pw.hanging};

  // The scaled terms are summed apart from the packed score and clamped, so
  // no multiplier can overflow a 16-bit half.
  int scaledMg = 0, scaledEg = 0;

  // Pawn structure
  {
    const Score ps = ei.pi->pawns_score();
    const long long kMg = trunc_sat((200 * w.f) * w.pawnStructure);
    const long long kEg = trunc_sat((190 * w.f) * w.pawnStructure);
    const int mg = clamp_half(int(score_mg(ps)) * kMg / 256);
    const int eg = clamp_half(int(score_eg(ps)) * kEg / 256);
    scaledMg += mg;
    scaledEg += eg;

    if (DoTrace)
      Trace::add(PAWN, WHITE, mg, eg);
  }

  init_eval_info<WHITE>(pos, ei);
  init_eval_info<BLACK>(pos, ei);

  // Mobility area: no squares attacked by enemy pawns, not the own king, and
  // not own pawns that are blocked or not yet advanced
  Bitboard mobilityArea[COLOR_NB];
  {
    const Bitboard blockedW = pos.pieces(WHITE, PAWN) & (shift_bb<DELTA_S>(pos.pieces()) | Rank2BB | Rank3BB);
    const Bitboard blockedB = pos.pieces(BLACK, PAWN) & (shift_bb<DELTA_N>(pos.pieces()) | Rank7BB | Rank6BB);
    mobilityArea[WHITE] = ~(blockedW | SquareBB[pos.king_square(WHITE)] | ei.attackedBy[BLACK][PAWN]);
    mobilityArea[BLACK] = ~(blockedB | SquareBB[pos.king_square(BLACK)] | ei.attackedBy[WHITE][PAWN]);
  }

  Score mobility[COLOR_NB] = {SCORE_ZERO, SCORE_ZERO};

  // Queens last, so they see the other side's minor and rook attacks
  score += evaluate_pieces<DoTrace, WHITE, KNIGHT>(pos, ei, mobility, mobilityArea);
  score -= evaluate_pieces<DoTrace, BLACK, KNIGHT>(pos, ei, mobility, mobilityArea);
  score += evaluate_pieces<DoTrace, WHITE, BISHOP>(pos, ei, mobility, mobilityArea);
  score -= evaluate_pieces<DoTrace, BLACK, BISHOP>(pos, ei, mobility, mobilityArea);
  score += evaluate_pieces<DoTrace, WHITE, ROOK>(pos, ei, mobility, mobilityArea);
  score -= evaluate_pieces<DoTrace, BLACK, ROOK>(pos, ei, mobility, mobilityArea);
  score += evaluate_pieces<DoTrace, WHITE, QUEEN>(pos, ei, mobility, mobilityArea);
  score -= evaluate_pieces<DoTrace, BLACK, QUEEN>(pos, ei, mobility, mobilityArea);

  const Score mob = mobility[WHITE] - mobility[BLACK];
  if (w.mobility == 1.0)
    score += mob;
  else {
    scaledMg += clamp_half(trunc_sat(int(score_mg(mob)) * w.mobility));
    scaledEg += clamp_half(trunc_sat(int(score_eg(mob)) * w.mobility));
  }

  const Score kingB = evaluate_king<BLACK>(pos, ei);
  const Score kingW = evaluate_king<WHITE>(pos, ei);
  score += kingW - kingB;

  int hangingW, hangingB;
  const Score threatW = evaluate_threats<WHITE>(pos, ei, hangingW);
  const Score threatB = evaluate_threats<BLACK>(pos, ei, hangingB);
  score += threatW - threatB;

  const long long hangMg = trunc_sat(HangingMg * w.hanging), hangEg = trunc_sat(HangingEg * w.hanging);
  scaledMg += clamp_half(hangMg * (hangingW - hangingB));
  scaledEg += clamp_half(hangEg * (hangingW - hangingB));

  const Score passedW = evaluate_passed_pawns<WHITE>(pos, ei);
  const Score passedB = evaluate_passed_pawns<BLACK>(pos, ei);
  score += passedW - passedB;

  const int npm = pos.non_pawn_material(WHITE) + pos.non_pawn_material(BLACK);
  const long long kSpace = trunc_sat((65 * w.f) * w.space);
  const int minors = pos.count<KNIGHT>(WHITE) + pos.count<BISHOP>(WHITE) + pos.count<KNIGHT>(BLACK)
                     + pos.count<BISHOP>(BLACK);

  if (!npm)
    score += evaluate_unstoppable_pawns<WHITE>(ei) - evaluate_unstoppable_pawns<BLACK>(ei);
  else if (npm >= 5000) {
    const int raw = int16_t((evaluate_space<WHITE>(pos, ei) - evaluate_space<BLACK>(pos, ei)) * minors * minors);
    scaledMg += clamp_half(raw * kSpace / 256);
  }

  // Halves of the score as plain integers from here on
  int mg = clamp_half(score_mg(score) + scaledMg);
  int eg = clamp_half(score_eg(score) + scaledEg);

  const int initiative = evaluate_initiative(pos, ei.pi->pawn_asymmetry(), eg);
  eg = clamp_half(eg + trunc_sat((initiative * w.f) * w.initiative));

  const int sf = evaluate_scale_factor(pos, ei, eg);
  const int phase = ei.me->game_phase();

  long long v = (mg * (long long)phase + eg * (long long)(PHASE_MIDGAME - phase) * sf / SCALE_FACTOR_NORMAL)
                / PHASE_MIDGAME;

  v += noise(pos.key(), elo);

  if (DoTrace) {
    Trace::add(Trace::MATERIAL, WHITE, pos.psq_score());
    Trace::add(Trace::IMBALANCE, WHITE, ei.me->imbalance_score());
    Trace::add(Trace::MOBILITY, WHITE, mobility[WHITE]);
    Trace::add(Trace::MOBILITY, BLACK, mobility[BLACK]);
    Trace::add(KING, WHITE, kingW);
    Trace::add(KING, BLACK, kingB);
    Trace::add(Trace::THREAT, WHITE, clamp_half(int(score_mg(threatW)) + hangMg * hangingW),
               clamp_half(int(score_eg(threatW)) + hangEg * hangingW));
    Trace::add(Trace::THREAT, BLACK, clamp_half(int(score_mg(threatB)) + hangMg * hangingB),
               clamp_half(int(score_eg(threatB)) + hangEg * hangingB));
    Trace::add(Trace::PASSED, WHITE, passedW);
    Trace::add(Trace::PASSED, BLACK, passedB);
    Trace::add(Trace::SPACE, WHITE, clamp_half(evaluate_space<WHITE>(pos, ei) * minors * minors * kSpace / 256), 0);
    Trace::add(Trace::SPACE, BLACK, clamp_half(evaluate_space<BLACK>(pos, ei) * minors * minors * kSpace / 256), 0);
    Trace::add(Trace::TOTAL, WHITE, mg, eg);
  }

  v = (pos.side_to_move() == WHITE ? v : -v) + Tempo;
  return Value(std::min<long long>(MaxEval, std::max<long long>(-MaxEval, v)));
}

template Value evaluate<true>(const Position&);
template Value evaluate<false>(const Position&);

std::string trace(const Position& pos) {
  std::memset(Trace::scores, 0, sizeof Trace::scores);

  Value v = evaluate<true>(pos);
  v = pos.side_to_move() == WHITE ? v : -v;

  using Trace::Term;
  std::stringstream ss;
  ss << std::showpoint << std::noshowpos << std::fixed << std::setprecision(2)
     << "      Eval term |    White    |    Black    |    Total    \n"
     << "                |   MG    EG  |   MG    EG  |   MG    EG  \n"
     << "----------------+-------------+-------------+-------------\n"
     << "       Material | " << Term(Trace::MATERIAL) << "      Imbalance | " << Term(Trace::IMBALANCE)
     << "          Pawns | " << Term(PAWN) << "        Knights | " << Term(KNIGHT)
     << "         Bishop | " << Term(BISHOP) << "          Rooks | " << Term(ROOK)
     << "         Queens | " << Term(QUEEN) << "       Mobility | " << Term(Trace::MOBILITY)
     << "    King safety | " << Term(KING) << "        Threats | " << Term(Trace::THREAT)
     << "   Passed pawns | " << Term(Trace::PASSED) << "          Space | " << Term(Trace::SPACE)
     << "----------------+-------------+-------------+-------------\n"
     << "          Total | " << Term(Trace::TOTAL);

  ss << "\nTotal Evaluation: " << Trace::to_pawns(v) << " (white side)\n";

  return ss.str();
}

}  // namespace Eval
