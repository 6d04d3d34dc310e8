#include "search/movepick.h"

#include <algorithm>
#include <utility>

namespace {

// Descending by value; an element only passes strictly smaller ones, so equal
// values keep their generation order.
void insertion_sort(ExtMove* begin, ExtMove* end) {
  for (ExtMove* p = begin + 1; p < end; ++p) {
    const ExtMove tmp = *p;
    ExtMove* q = p;
    for (; q != begin && (q - 1)->value < tmp.value; --q)
      *q = *(q - 1);
    *q = tmp;
  }
}

// Two-ended swap partition: positive values first. Returns the end of the
// positive part.
ExtMove* partition_positive(ExtMove* first, ExtMove* last) {
  while (true) {
    while (true) {
      if (first == last)
        return first;
      if (first->value > VALUE_ZERO)
        ++first;
      else
        break;
    }
    --last;
    while (true) {
      if (first == last)
        return first;
      if (last->value > VALUE_ZERO)
        break;
      --last;
    }
    std::swap(*first, *last);
    ++first;
  }
}

// Brings the best remaining move to the front. A selection, not a sort: the
// first one or two usually cut off.
Move pick_best(ExtMove* begin, ExtMove* end) {
  std::swap(*begin, *std::max_element(begin, end));
  return begin->move;
}

}  // namespace

MovePicker::MovePicker(const Position& p, Move ttm, Depth d, const HistoryStats& h, const CounterMoveStats& cmh,
                       Move cm, Search::Stack* s)
    : pos(p),
      history(h),
      counterMoveHistory(&cmh),
      ss(s),
      counterMove(cm),
      depth(d),
      ttMove(MOVE_NONE),
      killers(),
      recaptureSquare(SQUARE_NONE),
      threshold(VALUE_ZERO),
      stage(p.checkers() ? PICK_EVASION_TT_MOVE : PICK_MAIN_TT_MOVE),
      endQuiets(moves),
      endBadCaptures(moves + MAX_MOVES - 1),
      cur(moves),
      endMoves(moves) {
  ttMove = ttm != MOVE_NONE && pos.pseudo_legal(ttm) ? ttm : MOVE_NONE;
  endMoves += (ttMove != MOVE_NONE);
}

MovePicker::MovePicker(const Position& p, Move ttm, Depth d, const HistoryStats& h, Square s)
    : pos(p),
      history(h),
      counterMoveHistory(nullptr),
      ss(nullptr),
      counterMove(MOVE_NONE),
      depth(d),
      ttMove(MOVE_NONE),
      killers(),
      recaptureSquare(SQUARE_NONE),
      threshold(VALUE_ZERO),
      stage(PICK_STOP),
      endQuiets(moves),
      endBadCaptures(moves + MAX_MOVES - 1),
      cur(moves),
      endMoves(moves) {
  if (pos.checkers())
    stage = PICK_EVASION_TT_MOVE;
  else if (d >= DEPTH_QSEARCH_CHECKS)
    stage = PICK_QS_CHECKS_TT_MOVE;
  else if (d > DEPTH_QSEARCH_RECAPTURES)
    stage = PICK_QS_TT_MOVE;
  else {
    // Deep in the quiescence only the exchange on one square is followed.
    stage = PICK_RECAPTURE_START;
    recaptureSquare = s;
    return;
  }

  ttMove = ttm != MOVE_NONE && pos.pseudo_legal(ttm) ? ttm : MOVE_NONE;
  endMoves += (ttMove != MOVE_NONE);
}

MovePicker::MovePicker(const Position& p, Move ttm, const HistoryStats& h, Value th)
    : pos(p),
      history(h),
      counterMoveHistory(nullptr),
      ss(nullptr),
      counterMove(MOVE_NONE),
      depth(DEPTH_ZERO),
      ttMove(MOVE_NONE),
      killers(),
      recaptureSquare(SQUARE_NONE),
      threshold(th),
      stage(PICK_PROBCUT_TT_MOVE),
      endQuiets(moves),
      endBadCaptures(moves + MAX_MOVES - 1),
      cur(moves),
      endMoves(moves) {
  ttMove = ttm != MOVE_NONE && pos.pseudo_legal(ttm) && pos.capture(ttm) && pos.see(ttm) > threshold ? ttm
                                                                                                   : MOVE_NONE;
  endMoves += (ttMove != MOVE_NONE);
}

// Captures by victim value, nearer the enemy's side first among equals; the
// exchange test comes only when a capture is picked.
template <>
void MovePicker::score<GEN_CAPTURES>() {
  const Color us = pos.side_to_move();
  for (ExtMove* m = moves; m != endMoves; ++m)
    m->value = PieceValue[PHASE_MG][pos.piece_on(move_to(m->move))]
               - Value(200 * int(relative_rank(us, move_to(m->move))));
}

template <>
void MovePicker::score<GEN_QUIETS>() {
  const Color us = pos.side_to_move();
  for (ExtMove* m = moves; m != endMoves; ++m) {
    const Piece pc = pos.moved_piece(m->move);
    const Square to = move_to(m->move);
    m->value = history[pc][to] + (*counterMoveHistory)[pc][to];
    if (type_of(pc) == PIECE_TYPE_PAWN && relative_rank(us, to) >= RANK_4)
      m->value += 30;
  }
}

// Losing evasions last, then winning captures by victim (cheapest attacker
// first), then quiet evasions by history.
template <>
void MovePicker::score<GEN_EVASIONS>() {
  for (ExtMove* m = moves; m != endMoves; ++m) {
    const Value see = pos.see_sign(m->move);
    if (see < VALUE_ZERO)
      m->value = see - HistoryStats::Max;
    else if (pos.capture(m->move))
      m->value = PieceValue[PHASE_MG][pos.piece_on(move_to(m->move))]
                 - Value(int(type_of(pos.moved_piece(m->move)))) + HistoryStats::Max;
    else
      m->value = history[pos.moved_piece(m->move)][move_to(m->move)];
  }
}

void MovePicker::generate_next_stage() {
  cur = moves;

  switch (++stage) {
    case PICK_GOOD_CAPTURES:
    case PICK_QS_CAPTURES_1:
    case PICK_QS_CAPTURES_2:
    case PICK_PROBCUT_CAPTURES:
    case PICK_RECAPTURES:
      endMoves = generate<GEN_CAPTURES>(pos, moves);
      score<GEN_CAPTURES>();
      break;

    case PICK_KILLERS:
      // Read now: a sibling searched since construction may have changed them.
      killers[0] = ss->killers[0];
      killers[1] = ss->killers[1];
      killers[2] = counterMove;
      cur = killers;
      endMoves = cur + 2 + (counterMove != killers[0].move && counterMove != killers[1].move);
      break;

    case PICK_GOOD_QUIETS:
      endMoves = endQuiets = generate<GEN_QUIETS>(pos, moves);
      score<GEN_QUIETS>();
      endMoves = partition_positive(cur, endMoves);
      insertion_sort(cur, endMoves);
      break;

    case PICK_BAD_QUIETS:
      cur = endMoves;
      endMoves = endQuiets;
      if (depth >= 3 * DEPTH_ONE_PLY)
        insertion_sort(cur, endMoves);
      break;

    case PICK_BAD_CAPTURES:
      // Parked from the last slot downwards; walked in the order parked.
      cur = moves + MAX_MOVES - 1;
      endMoves = endBadCaptures;
      break;

    case PICK_EVASIONS:
      endMoves = generate<GEN_EVASIONS>(pos, moves);
      if (endMoves - moves > 1)
        score<GEN_EVASIONS>();
      break;

    case PICK_QS_CHECKS:
      endMoves = generate<GEN_QUIET_CHECKS>(pos, moves);
      break;

    default:  // past the last stage of a sequence
      stage = PICK_STOP;
      endMoves = cur;
      break;
  }
}

Move MovePicker::next_move() {
  Move move;

  while (true) {
    while (cur == endMoves) {
      if (stage == PICK_STOP)
        return MOVE_NONE;
      generate_next_stage();
    }

    switch (stage) {
      case PICK_MAIN_TT_MOVE:
      case PICK_EVASION_TT_MOVE:
      case PICK_QS_CHECKS_TT_MOVE:
      case PICK_QS_TT_MOVE:
      case PICK_PROBCUT_TT_MOVE:
        ++cur;
        return ttMove;

      case PICK_GOOD_CAPTURES:
        move = pick_best(cur++, endMoves);
        if (move != ttMove) {
          if (pos.see_sign(move) >= VALUE_ZERO)
            return move;
          *endBadCaptures-- = move;  // losing: tried after the quiets
        }
        break;

      case PICK_KILLERS:
        move = *cur++;
        if (move != MOVE_NONE && move != ttMove && pos.pseudo_legal(move) && !pos.capture(move))
          return move;
        break;

      case PICK_GOOD_QUIETS:
      case PICK_BAD_QUIETS:
        move = *cur++;
        if (move != ttMove && move != killers[0].move && move != killers[1].move && move != killers[2].move)
          return move;
        break;

      case PICK_BAD_CAPTURES:
        return *cur--;

      case PICK_EVASIONS:
      case PICK_QS_CAPTURES_1:
      case PICK_QS_CAPTURES_2:
        move = pick_best(cur++, endMoves);
        if (move != ttMove)
          return move;
        break;

      case PICK_PROBCUT_CAPTURES:
        move = pick_best(cur++, endMoves);
        if (move != ttMove && pos.see(move) > threshold)
          return move;
        break;

      case PICK_RECAPTURES:
        move = pick_best(cur++, endMoves);
        if (move_to(move) == recaptureSquare)
          return move;
        break;

      case PICK_QS_CHECKS:
        move = *cur++;
        if (move != ttMove)
          return move;
        break;

      default:  // no stage but the above ever has elements
        return MOVE_NONE;
    }
  }
}
