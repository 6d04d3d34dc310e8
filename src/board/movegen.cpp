#include "board/movegen.h"

#include "board/position.h"

namespace {

template <CastlingRight Cr, bool Checks, bool Chess960>
ExtMove* generate_castling(const Position& pos, ExtMove* moveList, Color us, const CheckInfo* ci) {
  constexpr bool KingSide = (Cr == CASTLING_WHITE_KING_SIDE || Cr == CASTLING_BLACK_KING_SIDE);

  if (pos.castling_impeded(Cr) || !pos.can_castle(Cr))
    return moveList;

  const Square kfrom = pos.king_square(us);
  const Square rfrom = pos.castling_rook_square(Cr);
  const Square kto = relative_square(us, KingSide ? SQUARE_G1 : SQUARE_C1);
  const Bitboard enemies = pos.pieces(~us);

  // Every square the king crosses, its target included, must be safe. The
  // walk heads for the king's square, wherever a FEN has put the king.
  const Square step = kto > kfrom ? DELTA_W : DELTA_E;

  for (Square s = kto; s != kfrom; s += step)
    if (pos.attackers_to(s) & enemies)
      return moveList;

  // A rook of ours may have shielded the king's target from the side.
  if (Chess960
      && (attacks_bb<PIECE_TYPE_ROOK>(kto, pos.pieces() ^ rfrom)
          & pos.pieces(~us, PIECE_TYPE_ROOK, PIECE_TYPE_QUEEN)))
    return moveList;

  const Move m = make<MOVE_TYPE_CASTLING>(kfrom, rfrom);

  if (Checks && !pos.gives_check(m, *ci))
    return moveList;

  (moveList++)->move = m;
  return moveList;
}

template <GenType Type, Square Delta>
ExtMove* make_promotions(ExtMove* moveList, Square to, const CheckInfo* ci) {
  if (Type == GEN_CAPTURES || Type == GEN_EVASIONS || Type == GEN_PSEUDO_LEGAL)
    (moveList++)->move = make<MOVE_TYPE_PROMOTION>(to - Delta, to, PIECE_TYPE_QUEEN);

  if (Type == GEN_QUIETS || Type == GEN_EVASIONS || Type == GEN_PSEUDO_LEGAL) {
    (moveList++)->move = make<MOVE_TYPE_PROMOTION>(to - Delta, to, PIECE_TYPE_ROOK);
    (moveList++)->move = make<MOVE_TYPE_PROMOTION>(to - Delta, to, PIECE_TYPE_BISHOP);
    (moveList++)->move = make<MOVE_TYPE_PROMOTION>(to - Delta, to, PIECE_TYPE_KNIGHT);
  }

  // Only a knight can check where a queen could not; the queen comes with the captures.
  if (Type == GEN_QUIET_CHECKS && (StepAttacksBB[PIECE_WHITE_KNIGHT][to] & ci->enemyKingSquare))
    (moveList++)->move = make<MOVE_TYPE_PROMOTION>(to - Delta, to, PIECE_TYPE_KNIGHT);

  return moveList;
}

template <Color Us, GenType Type>
ExtMove* generate_pawn_moves(const Position& pos, ExtMove* moveList, Bitboard target,
                             const CheckInfo* ci) {
  constexpr Color Them = (Us == COLOR_WHITE ? COLOR_BLACK : COLOR_WHITE);
  constexpr Bitboard TRank8BB = (Us == COLOR_WHITE ? Rank8BB : Rank1BB);
  constexpr Bitboard TRank7BB = (Us == COLOR_WHITE ? Rank7BB : Rank2BB);
  constexpr Bitboard TRank3BB = (Us == COLOR_WHITE ? Rank3BB : Rank6BB);
  constexpr Square Up = (Us == COLOR_WHITE ? DELTA_N : DELTA_S);
  constexpr Square Right = (Us == COLOR_WHITE ? DELTA_NE : DELTA_SW);
  constexpr Square Left = (Us == COLOR_WHITE ? DELTA_NW : DELTA_SE);

  Bitboard emptySquares = 0;

  const Bitboard pawnsOn7 = pos.pieces(Us, PIECE_TYPE_PAWN) & TRank7BB;
  const Bitboard pawnsNotOn7 = pos.pieces(Us, PIECE_TYPE_PAWN) & ~TRank7BB;

  const Bitboard enemies = (Type == GEN_EVASIONS ? pos.pieces(Them) & target
                            : Type == GEN_CAPTURES ? target
                                                   : pos.pieces(Them));

  if (Type != GEN_CAPTURES) {
    emptySquares = (Type == GEN_QUIETS || Type == GEN_QUIET_CHECKS ? target : ~pos.pieces());

    Bitboard b1 = shift_bb<Up>(pawnsNotOn7) & emptySquares;
    Bitboard b2 = shift_bb<Up>(b1 & TRank3BB) & emptySquares;

    if (Type == GEN_EVASIONS) {
      b1 &= target;
      b2 &= target;
    }

    if (Type == GEN_QUIET_CHECKS) {
      const Square ksq = ci->enemyKingSquare;

      b1 &= pos.attacks_from<PIECE_TYPE_PAWN>(ksq, Them);
      b2 &= pos.attacks_from<PIECE_TYPE_PAWN>(ksq, Them);

      // A push off the king's file by a discovered-check candidate checks.
      if (pawnsNotOn7 & ci->discoveredCheckCandidates) {
        const Bitboard dc1 =
            shift_bb<Up>(pawnsNotOn7 & ci->discoveredCheckCandidates) & emptySquares & ~file_bb(ksq);
        const Bitboard dc2 = shift_bb<Up>(dc1 & TRank3BB) & emptySquares;

        b1 |= dc1;
        b2 |= dc2;
      }
    }

    while (b1) {
      const Square to = pop_lsb(&b1);
      (moveList++)->move = make_move(to - Up, to);
    }

    while (b2) {
      const Square to = pop_lsb(&b2);
      (moveList++)->move = make_move(to - Up - Up, to);
    }
  }

  if (pawnsOn7 && (Type != GEN_EVASIONS || (target & TRank8BB))) {
    if (Type == GEN_CAPTURES)
      emptySquares = ~pos.pieces();

    if (Type == GEN_EVASIONS)
      emptySquares &= target;

    Bitboard b1 = shift_bb<Right>(pawnsOn7) & enemies;
    Bitboard b2 = shift_bb<Left>(pawnsOn7) & enemies;
    Bitboard b3 = shift_bb<Up>(pawnsOn7) & emptySquares;

    while (b1)
      moveList = make_promotions<Type, Right>(moveList, pop_lsb(&b1), ci);

    while (b2)
      moveList = make_promotions<Type, Left>(moveList, pop_lsb(&b2), ci);

    while (b3)
      moveList = make_promotions<Type, Up>(moveList, pop_lsb(&b3), ci);
  }

  if (Type == GEN_CAPTURES || Type == GEN_EVASIONS || Type == GEN_PSEUDO_LEGAL) {
    Bitboard b1 = shift_bb<Right>(pawnsNotOn7) & enemies;
    Bitboard b2 = shift_bb<Left>(pawnsNotOn7) & enemies;

    while (b1) {
      const Square to = pop_lsb(&b1);
      (moveList++)->move = make_move(to - Right, to);
    }

    while (b2) {
      const Square to = pop_lsb(&b2);
      (moveList++)->move = make_move(to - Left, to);
    }

    if (pos.ep_square() != SQUARE_NONE) {
      // Out of check, en passant helps only when it removes the checking pawn.
      if (Type == GEN_EVASIONS && !(target & (pos.ep_square() - Up)))
        return moveList;

      b1 = pawnsNotOn7 & pos.attacks_from<PIECE_TYPE_PAWN>(pos.ep_square(), Them);

      while (b1)
        (moveList++)->move = make<MOVE_TYPE_EN_PASSANT>(pop_lsb(&b1), pos.ep_square());
    }
  }

  return moveList;
}

template <PieceType Pt, bool Checks>
ExtMove* generate_moves(const Position& pos, ExtMove* moveList, Color us, Bitboard target,
                        const CheckInfo* ci) {
  const Square* pl = pos.squares<Pt>(us);

  for (Square from = *pl; from != SQUARE_NONE; from = *++pl) {
    if (Checks) {
      if ((Pt == PIECE_TYPE_BISHOP || Pt == PIECE_TYPE_ROOK || Pt == PIECE_TYPE_QUEEN)
          && !(PseudoAttacks[Pt][from] & target & ci->checkSquares[Pt]))
        continue;

      if (ci->discoveredCheckCandidates & from)
        continue;
    }

    Bitboard b = pos.attacks_from<Pt>(from) & target;

    if (Checks)
      b &= ci->checkSquares[Pt];

    while (b)
      (moveList++)->move = make_move(from, pop_lsb(&b));
  }

  return moveList;
}

template <Color Us, GenType Type>
ExtMove* generate_all(const Position& pos, ExtMove* moveList, Bitboard target,
                      const CheckInfo* ci = nullptr) {
  constexpr bool Checks = Type == GEN_QUIET_CHECKS;

  moveList = generate_pawn_moves<Us, Type>(pos, moveList, target, ci);
  moveList = generate_moves<PIECE_TYPE_KNIGHT, Checks>(pos, moveList, Us, target, ci);
  moveList = generate_moves<PIECE_TYPE_BISHOP, Checks>(pos, moveList, Us, target, ci);
  moveList = generate_moves<PIECE_TYPE_ROOK, Checks>(pos, moveList, Us, target, ci);
  moveList = generate_moves<PIECE_TYPE_QUEEN, Checks>(pos, moveList, Us, target, ci);

  if (Type != GEN_QUIET_CHECKS && Type != GEN_EVASIONS) {
    const Square ksq = pos.king_square(Us);
    Bitboard b = pos.attacks_from<PIECE_TYPE_KING>(ksq) & target;
    while (b)
      (moveList++)->move = make_move(ksq, pop_lsb(&b));
  }

  if (Type != GEN_CAPTURES && Type != GEN_EVASIONS && pos.can_castle(Us)) {
    constexpr CastlingRight KingSide = castling_right(Us, KING_SIDE);
    constexpr CastlingRight QueenSide = castling_right(Us, QUEEN_SIDE);

    if (pos.is_chess960()) {
      moveList = generate_castling<KingSide, Checks, true>(pos, moveList, Us, ci);
      moveList = generate_castling<QueenSide, Checks, true>(pos, moveList, Us, ci);
    } else {
      moveList = generate_castling<KingSide, Checks, false>(pos, moveList, Us, ci);
      moveList = generate_castling<QueenSide, Checks, false>(pos, moveList, Us, ci);
    }
  }

  return moveList;
}

}  // namespace

// Captures, quiets and all pseudo-legal moves, out of check.
template <GenType Type>
ExtMove* generate(const Position& pos, ExtMove* moveList) {
  static_assert(Type == GEN_CAPTURES || Type == GEN_QUIETS || Type == GEN_PSEUDO_LEGAL, "");
  assert(!pos.checkers());

  const Color us = pos.side_to_move();

  const Bitboard target = Type == GEN_CAPTURES ? pos.pieces(~us)
                          : Type == GEN_QUIETS ? ~pos.pieces()
                                               : ~pos.pieces(us);

  return us == COLOR_WHITE ? generate_all<COLOR_WHITE, Type>(pos, moveList, target)
                           : generate_all<COLOR_BLACK, Type>(pos, moveList, target);
}

template ExtMove* generate<GEN_CAPTURES>(const Position&, ExtMove*);
template ExtMove* generate<GEN_QUIETS>(const Position&, ExtMove*);
template ExtMove* generate<GEN_PSEUDO_LEGAL>(const Position&, ExtMove*);

template <>
ExtMove* generate<GEN_QUIET_CHECKS>(const Position& pos, ExtMove* moveList) {
  assert(!pos.checkers());

  const Color us = pos.side_to_move();
  const CheckInfo ci(pos);
  Bitboard dc = ci.discoveredCheckCandidates;

  while (dc) {
    const Square from = pop_lsb(&dc);
    const PieceType pt = type_of(pos.piece_on(from));

    if (pt == PIECE_TYPE_PAWN)
      continue;  // pawn pushes come with the other pawn moves

    Bitboard b = pos.attacks_from(Piece(pt), from) & ~pos.pieces();

    if (pt == PIECE_TYPE_KING)
      b &= ~PseudoAttacks[PIECE_TYPE_QUEEN][ci.enemyKingSquare];

    while (b)
      (moveList++)->move = make_move(from, pop_lsb(&b));
  }

  return us == COLOR_WHITE ? generate_all<COLOR_WHITE, GEN_QUIET_CHECKS>(pos, moveList, ~pos.pieces(), &ci)
                           : generate_all<COLOR_BLACK, GEN_QUIET_CHECKS>(pos, moveList, ~pos.pieces(), &ci);
}

template <>
ExtMove* generate<GEN_EVASIONS>(const Position& pos, ExtMove* moveList) {
  assert(pos.checkers());

  const Color us = pos.side_to_move();
  const Square ksq = pos.king_square(us);
  Bitboard sliderAttacks = 0;
  Bitboard sliders = pos.checkers() & ~pos.pieces(PIECE_TYPE_KNIGHT, PIECE_TYPE_PAWN);

  // The king may not step along a checking line, behind itself included.
  while (sliders) {
    const Square checksq = pop_lsb(&sliders);
    sliderAttacks |= LineBB[checksq][ksq] ^ checksq;
  }

  Bitboard b = pos.attacks_from<PIECE_TYPE_KING>(ksq) & ~pos.pieces(us) & ~sliderAttacks;
  while (b)
    (moveList++)->move = make_move(ksq, pop_lsb(&b));

  if (more_than_one(pos.checkers()))
    return moveList;

  const Square checksq = lsb(pos.checkers());
  const Bitboard target = between_bb(checksq, ksq) | checksq;

  return us == COLOR_WHITE ? generate_all<COLOR_WHITE, GEN_EVASIONS>(pos, moveList, target)
                           : generate_all<COLOR_BLACK, GEN_EVASIONS>(pos, moveList, target);
}

template <>
ExtMove* generate<GEN_LEGAL>(const Position& pos, ExtMove* moveList) {
  const Bitboard pinned = pos.check_blockers(pos.side_to_move(), pos.side_to_move());
  const Square ksq = pos.king_square(pos.side_to_move());
  ExtMove* cur = moveList;

  moveList = pos.checkers() ? generate<GEN_EVASIONS>(pos, moveList) : generate<GEN_PSEUDO_LEGAL>(pos, moveList);

  // Only pinned pieces, king moves and en passant can be illegal here.
  while (cur != moveList)
    if ((pinned || move_from(*cur) == ksq || move_type(*cur) == MOVE_TYPE_EN_PASSANT)
        && !pos.legal(*cur, pinned))
      cur->move = (--moveList)->move;
    else
      ++cur;

  return moveList;
}
