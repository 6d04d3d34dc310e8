#include "board/position.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <type_traits>

#include "board/misc.h"
#include "board/movegen.h"
#include "board/psqt.h"
#include "eval/tables.h"
#include "search/tt.h"
#include "uci/uci.h"

namespace Zobrist {

Key psq[COLOR_NB][PIECE_TYPE_NB][SQUARE_NB];
Key enpassant[FILE_NB];
Key castling[CASTLING_RIGHT_NB];
Key side;
Key exclusion;

}  // namespace Zobrist

namespace {

const std::string PieceToChar(" PNBRQK  pnbrqk");

// Reads a clock field: digits after an optional sign, clamped, never throwing.
// Anything else reads as 0.
int read_clock(const std::string& token, int maxValue) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '-' || token[i] == '+'))
    negative = token[i++] == '-';

  long long v = 0;
  for (; i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])); ++i)
    v = std::min<long long>(v * 10 + (token[i] - '0'), maxValue);

  return negative ? 0 : int(v);
}

// Least valuable attacker of stm on 'to', taken off the board; x-ray
// attackers behind it join the attacker set.
template <int Pt>
PieceType min_attacker(const Bitboard* bb, Square to, Bitboard stmAttackers, Bitboard& occupied,
                       Bitboard& attackers) {
  const Bitboard b = stmAttackers & bb[Pt];
  if (!b)
    return min_attacker<Pt + 1>(bb, to, stmAttackers, occupied, attackers);

  occupied ^= b & ~(b - 1);

  if (Pt == PIECE_TYPE_PAWN || Pt == PIECE_TYPE_BISHOP || Pt == PIECE_TYPE_QUEEN)
    attackers |= attacks_bb<PIECE_TYPE_BISHOP>(to, occupied) & (bb[PIECE_TYPE_BISHOP] | bb[PIECE_TYPE_QUEEN]);

  if (Pt == PIECE_TYPE_ROOK || Pt == PIECE_TYPE_QUEEN)
    attackers |= attacks_bb<PIECE_TYPE_ROOK>(to, occupied) & (bb[PIECE_TYPE_ROOK] | bb[PIECE_TYPE_QUEEN]);

  attackers &= occupied;
  return PieceType(Pt);
}

template <>
PieceType min_attacker<PIECE_TYPE_KING>(const Bitboard*, Square, Bitboard, Bitboard&, Bitboard&) {
  return PIECE_TYPE_KING;  // the king is never removed: the exchange ends with it
}

}  // namespace

CheckInfo::CheckInfo(const Position& pos) {
  const Color them = ~pos.side_to_move();
  enemyKingSquare = pos.king_square(them);

  pinned = pos.check_blockers(pos.side_to_move(), pos.side_to_move());
  discoveredCheckCandidates = pos.check_blockers(pos.side_to_move(), them);

  checkSquares[PIECE_TYPE_NONE] = 0;
  checkSquares[PIECE_TYPE_PAWN] = pos.attacks_from<PIECE_TYPE_PAWN>(enemyKingSquare, them);
  checkSquares[PIECE_TYPE_KNIGHT] = pos.attacks_from<PIECE_TYPE_KNIGHT>(enemyKingSquare);
  checkSquares[PIECE_TYPE_BISHOP] = pos.attacks_from<PIECE_TYPE_BISHOP>(enemyKingSquare);
  checkSquares[PIECE_TYPE_ROOK] = pos.attacks_from<PIECE_TYPE_ROOK>(enemyKingSquare);
  checkSquares[PIECE_TYPE_QUEEN] = checkSquares[PIECE_TYPE_BISHOP] | checkSquares[PIECE_TYPE_ROOK];
  checkSquares[PIECE_TYPE_KING] = 0;
  checkSquares[7] = 0;
}

std::ostream& operator<<(std::ostream& os, const Position& pos) {
  os << "\n +---+---+---+---+---+---+---+---+\n";

  for (Rank r = RANK_8; r >= RANK_1; --r) {
    for (File f = FILE_A; f <= FILE_H; ++f)
      os << " | " << PieceToChar[pos.piece_on(make_square(f, r))];

    os << " |\n +---+---+---+---+---+---+---+---+\n";
  }

  os << "\nFen: " << pos.fen() << "\nKey: " << std::hex << std::uppercase << std::setfill('0')
     << std::setw(16) << pos.key() << std::setfill(' ') << std::dec << "\nCheckers: ";

  for (Bitboard b = pos.checkers(); b;)
    os << UCI::square(pop_lsb(&b)) << " ";

  return os;
}

void Position::init() {
  PRNG rng(1070372);

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt)
      for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s)
        Zobrist::psq[c][pt][s] = rng.rand<Key>();

  for (File f = FILE_A; f <= FILE_H; ++f)
    Zobrist::enpassant[f] = rng.rand<Key>();

  // Single-right keys are drawn the first time a set needs them.
  for (int cr = CASTLING_NONE; cr <= CASTLING_ANY; ++cr) {
    Zobrist::castling[cr] = 0;
    Bitboard b = Bitboard(cr);
    while (b) {
      const Key k = Zobrist::castling[1ULL << pop_lsb(&b)];
      Zobrist::castling[cr] ^= k ? k : rng.rand<Key>();
    }
  }

  Zobrist::side = rng.rand<Key>();
  Zobrist::exclusion = rng.rand<Key>();
}

Position& Position::operator=(const Position& pos) {
  static_assert(std::is_standard_layout<Position>::value, "the copy works on the raw layout");

  // Everything but the node counter: a running search thread may be summing
  // this counter (nodes_searched) while the main search thread hands this
  // position out, so the counter is only ever written atomically.
  constexpr size_t counter = offsetof(Position, nodes), rest = counter + sizeof(nodes);
  std::memcpy(static_cast<void*>(this), &pos, counter);
  std::memcpy(reinterpret_cast<char*>(this) + rest, reinterpret_cast<const char*>(&pos) + rest,
              sizeof(Position) - rest);
  __atomic_store_n(&nodes, uint64_t(0), __ATOMIC_RELAXED);

  // The copy's chain starts at its own start state but still leads into the
  // source's history, so repetitions before the root are seen.
  startState = *pos.state;
  state = &startState;

  return *this;
}

void Position::clear() {
  std::memset(static_cast<void*>(this), 0, sizeof(Position));
  startState.enPassantSquare = SQUARE_NONE;
  state = &startState;

  for (int i = 0; i < PIECE_TYPE_NB; ++i)
    for (int j = 0; j < 16; ++j)
      pieceList[COLOR_WHITE][i][j] = pieceList[COLOR_BLACK][i][j] = SQUARE_NONE;
}

bool Position::set(const std::string& fenStr, bool isChess960, EvalTables* th) {
  // Try the text on a scratch position first, so a refused one leaves this
  // position untouched.
  Position scratch;
  if (!scratch.parse(fenStr, isChess960, th))
    return false;

  return parse(fenStr, isChess960, th);
}

bool Position::parse(const std::string& fenStr, bool isChess960, EvalTables* th) {
  unsigned char token;
  std::istringstream ss(fenStr);

  clear();
  ss >> std::noskipws;

  // 1. Piece placement, from a8 rank by rank
  int file = 0, rank = RANK_8;
  while ((ss >> token) && !std::isspace(token)) {
    if (token >= '1' && token <= '8') {
      file += token - '0';
      if (file > 8)
        return false;
    } else if (token == '/') {
      if (file != 8 || --rank < RANK_1)
        return false;
      file = 0;
    } else {
      const size_t idx = PieceToChar.find(char(token));
      if (idx == std::string::npos || PieceToChar[idx] == ' ' || file >= 8)
        return false;

      const Piece pc = Piece(idx);
      const Color c = color_of(pc);
      const Square s = make_square(File(file), Rank(rank));

      if (pieceCount[c][PIECE_TYPE_ALL] >= 16)
        return false;
      if (type_of(pc) == PIECE_TYPE_KING && pieceCount[c][PIECE_TYPE_KING])
        return false;
      if (type_of(pc) == PIECE_TYPE_PAWN && (rank == RANK_1 || rank == RANK_8))
        return false;

      put_piece(c, type_of(pc), s);
      ++file;
    }
  }

  if (rank != RANK_1 || file != 8)
    return false;

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c) {
    if (pieceCount[c][PIECE_TYPE_KING] != 1)
      return false;

    // Pieces beyond the starting set must have come from promoted pawns.
    const int promoted = std::max(0, pieceCount[c][PIECE_TYPE_KNIGHT] - 2)
                         + std::max(0, pieceCount[c][PIECE_TYPE_BISHOP] - 2)
                         + std::max(0, pieceCount[c][PIECE_TYPE_ROOK] - 2)
                         + std::max(0, pieceCount[c][PIECE_TYPE_QUEEN] - 1);
    if (pieceCount[c][PIECE_TYPE_PAWN] + promoted > 8)
      return false;
  }

  // 2. Active colour
  if (!(ss >> token) || (token != 'w' && token != 'b'))
    return false;
  sideToMove = (token == 'w' ? COLOR_WHITE : COLOR_BLACK);
  ss >> token;

  // 3. Castling availability; a letter counts only where its king and rook stand.
  while ((ss >> token) && !std::isspace(token)) {
    const Color c = std::islower(token) ? COLOR_BLACK : COLOR_WHITE;
    const Piece rook = make_piece(c, PIECE_TYPE_ROOK);
    const Square ksq = king_square(c);
    const Rank r = relative_rank(c, RANK_1);
    Square rsq = SQUARE_NONE;

    token = char(std::toupper(token));

    if (rank_of(ksq) != r)
      continue;

    if (token == 'K') {
      for (File f = FILE_H; f > file_of(ksq) && rsq == SQUARE_NONE; --f)
        if (piece_on(make_square(f, r)) == rook)
          rsq = make_square(f, r);
    } else if (token == 'Q') {
      for (File f = FILE_A; f < file_of(ksq) && rsq == SQUARE_NONE; ++f)
        if (piece_on(make_square(f, r)) == rook)
          rsq = make_square(f, r);
    } else if (token >= 'A' && token <= 'H') {
      if (piece_on(make_square(File(token - 'A'), r)) == rook)
        rsq = make_square(File(token - 'A'), r);
    }

    if (rsq != SQUARE_NONE)
      set_castling_right(c, rsq);
  }

  // 4. En passant square: kept only where a just double-pushed enemy pawn
  // stands in front of it and one of our pawns can take it.
  unsigned char col, row;
  if (((ss >> col) && (col >= 'a' && col <= 'h')) && ((ss >> row) && (row == (sideToMove == COLOR_WHITE ? '6' : '3')))) {
    const Square ep = make_square(File(col - 'a'), Rank(row - '1'));
    const Square up = pawn_push(sideToMove);

    if (piece_on(ep - up) == make_piece(~sideToMove, PIECE_TYPE_PAWN) && empty(ep) && empty(ep + up)
        && (attackers_to(ep) & pieces(sideToMove, PIECE_TYPE_PAWN)))
      startState.enPassantSquare = ep;
  }

  // 5-6. Halfmove clock and fullmove number
  std::string halfmove, fullmove;
  ss >> std::skipws >> halfmove >> fullmove;
  startState.halfmoveClock = read_clock(halfmove, 10000);
  gamePly = std::max(2 * (read_clock(fullmove, 100000) - 1), 0) + (sideToMove == COLOR_BLACK);

  chess960 = isChess960;
  ownerThread = th;
  set_state(state);

  // The side that just moved cannot be in check.
  return !(attackers_to(king_square(~sideToMove)) & pieces(sideToMove));
}

void Position::set_castling_right(Color c, Square rfrom) {
  const Square kfrom = king_square(c);
  const CastlingSide cs = kfrom < rfrom ? KING_SIDE : QUEEN_SIDE;
  const CastlingRight cr = castling_right(c, cs);

  state->castlingRights |= cr;
  castlingRightsMask[kfrom] |= cr;
  castlingRightsMask[rfrom] |= cr;
  castlingRookSquare[cr] = rfrom;

  const Square kto = relative_square(c, cs == KING_SIDE ? SQUARE_G1 : SQUARE_C1);
  const Square rto = relative_square(c, cs == KING_SIDE ? SQUARE_F1 : SQUARE_D1);

  for (Square s = std::min(rfrom, rto); s <= std::max(rfrom, rto); ++s)
    if (s != kfrom && s != rfrom)
      castlingPath[cr] |= s;

  for (Square s = std::min(kfrom, kto); s <= std::max(kfrom, kto); ++s)
    if (s != kfrom && s != rfrom)
      castlingPath[cr] |= s;
}

void Position::set_state(StateInfo* si) const {
  si->key = si->pawnKey = si->materialKey = 0;
  si->nonPawnMaterial[COLOR_WHITE] = si->nonPawnMaterial[COLOR_BLACK] = VALUE_ZERO;
  si->psqScore = SCORE_ZERO;

  si->checkers = attackers_to(king_square(sideToMove)) & pieces(~sideToMove);

  for (Bitboard b = pieces(); b;) {
    const Square s = pop_lsb(&b);
    const Piece pc = piece_on(s);
    si->key ^= Zobrist::psq[color_of(pc)][type_of(pc)][s];
    si->psqScore += PSQT::psq[color_of(pc)][type_of(pc)][s];
  }

  if (si->enPassantSquare != SQUARE_NONE)
    si->key ^= Zobrist::enpassant[file_of(si->enPassantSquare)];

  if (sideToMove == COLOR_BLACK)
    si->key ^= Zobrist::side;

  si->key ^= Zobrist::castling[si->castlingRights];

  for (Bitboard b = pieces(PIECE_TYPE_PAWN); b;) {
    const Square s = pop_lsb(&b);
    si->pawnKey ^= Zobrist::psq[color_of(piece_on(s))][PIECE_TYPE_PAWN][s];
  }

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt)
      for (int cnt = 0; cnt < pieceCount[c][pt]; ++cnt)
        si->materialKey ^= Zobrist::psq[c][pt][cnt];

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    for (PieceType pt = PIECE_TYPE_KNIGHT; pt <= PIECE_TYPE_QUEEN; ++pt)
      si->nonPawnMaterial[c] += pieceCount[c][pt] * PieceValue[PHASE_MG][pt];
}

const std::string Position::fen() const {
  std::ostringstream ss;

  for (Rank r = RANK_8; r >= RANK_1; --r) {
    for (File f = FILE_A; f <= FILE_H; ++f) {
      int emptyCnt = 0;
      for (; f <= FILE_H && empty(make_square(f, r)); ++f)
        ++emptyCnt;

      if (emptyCnt)
        ss << emptyCnt;

      if (f <= FILE_H)
        ss << PieceToChar[piece_on(make_square(f, r))];
    }

    if (r > RANK_1)
      ss << '/';
  }

  ss << (sideToMove == COLOR_WHITE ? " w " : " b ");

  const CastlingRight rights[] = {CASTLING_WHITE_KING_SIDE, CASTLING_WHITE_QUEEN_SIDE,
                                  CASTLING_BLACK_KING_SIDE, CASTLING_BLACK_QUEEN_SIDE};
  const char letters[] = {'K', 'Q', 'k', 'q'};
  for (int i = 0; i < 4; ++i)
    if (can_castle(rights[i])) {
      if (chess960)
        ss << char((i < 2 ? 'A' : 'a') + file_of(castling_rook_square(rights[i])));
      else
        ss << letters[i];
    }

  if (!can_castle(CASTLING_ANY))
    ss << '-';

  ss << (ep_square() == SQUARE_NONE ? " - " : " " + UCI::square(ep_square()) + " ")
     << state->halfmoveClock << " " << 1 + (gamePly - (sideToMove == COLOR_BLACK)) / 2;

  return ss.str();
}

Phase Position::game_phase() const {
  Value npm = state->nonPawnMaterial[COLOR_WHITE] + state->nonPawnMaterial[COLOR_BLACK];

  npm = std::max(VALUE_ENDGAME_LIMIT, std::min(npm, VALUE_MIDGAME_LIMIT));

  return Phase(((npm - VALUE_ENDGAME_LIMIT) * PHASE_MIDGAME) / (VALUE_MIDGAME_LIMIT - VALUE_ENDGAME_LIMIT));
}

Bitboard Position::check_blockers(Color c, Color kingColor) const {
  Bitboard result = 0;
  const Square ksq = king_square(kingColor);

  Bitboard pinners = ((pieces(PIECE_TYPE_ROOK, PIECE_TYPE_QUEEN) & PseudoAttacks[PIECE_TYPE_ROOK][ksq])
                      | (pieces(PIECE_TYPE_BISHOP, PIECE_TYPE_QUEEN) & PseudoAttacks[PIECE_TYPE_BISHOP][ksq]))
                     & pieces(~kingColor);

  while (pinners) {
    const Bitboard b = between_bb(ksq, pop_lsb(&pinners)) & pieces();

    if (!more_than_one(b))
      result |= b & pieces(c);
  }
  return result;
}

Bitboard Position::attackers_to(Square s, Bitboard occupied) const {
  return (attacks_from<PIECE_TYPE_PAWN>(s, COLOR_BLACK) & pieces(COLOR_WHITE, PIECE_TYPE_PAWN))
         | (attacks_from<PIECE_TYPE_PAWN>(s, COLOR_WHITE) & pieces(COLOR_BLACK, PIECE_TYPE_PAWN))
         | (attacks_from<PIECE_TYPE_KNIGHT>(s) & pieces(PIECE_TYPE_KNIGHT))
         | (attacks_bb<PIECE_TYPE_ROOK>(s, occupied) & pieces(PIECE_TYPE_ROOK, PIECE_TYPE_QUEEN))
         | (attacks_bb<PIECE_TYPE_BISHOP>(s, occupied) & pieces(PIECE_TYPE_BISHOP, PIECE_TYPE_QUEEN))
         | (attacks_from<PIECE_TYPE_KING>(s) & pieces(PIECE_TYPE_KING));
}

bool Position::legal(Move m, Bitboard pinned) const {
  const Color us = sideToMove;
  const Square from = move_from(m);

  if (move_type(m) == MOVE_TYPE_EN_PASSANT) {
    const Square ksq = king_square(us);
    const Square to = move_to(m);
    const Square capsq = to - pawn_push(us);
    const Bitboard occupied = (pieces() ^ from ^ capsq) | to;

    return !(attacks_bb<PIECE_TYPE_ROOK>(ksq, occupied) & pieces(~us, PIECE_TYPE_QUEEN, PIECE_TYPE_ROOK))
           && !(attacks_bb<PIECE_TYPE_BISHOP>(ksq, occupied) & pieces(~us, PIECE_TYPE_QUEEN, PIECE_TYPE_BISHOP));
  }

  // The generator has already checked the squares a castling king crosses.
  if (type_of(piece_on(from)) == PIECE_TYPE_KING)
    return move_type(m) == MOVE_TYPE_CASTLING || !(attackers_to(move_to(m)) & pieces(~us));

  return !pinned || !(pinned & from) || aligned(from, move_to(m), king_square(us));
}

bool Position::pseudo_legal(const Move m) const {
  const Color us = sideToMove;
  const Square from = move_from(m);
  const Square to = move_to(m);
  const Piece pc = moved_piece(m);

  // Special moves are rare enough to be checked against the full list.
  if (move_type(m) != MOVE_TYPE_NORMAL)
    return MoveList<GEN_LEGAL>(*this).contains(m);

  if (move_promotion(m) - PIECE_TYPE_KNIGHT != PIECE_TYPE_NONE)
    return false;

  if (pc == PIECE_NONE || color_of(pc) != us)
    return false;

  if (pieces(us) & to)
    return false;

  if (type_of(pc) == PIECE_TYPE_PAWN) {
    if (rank_of(to) == relative_rank(us, RANK_8))
      return false;

    if (!(attacks_from<PIECE_TYPE_PAWN>(from, us) & pieces(~us) & to)
        && !((from + pawn_push(us) == to) && empty(to))
        && !((from + 2 * pawn_push(us) == to) && (rank_of(from) == relative_rank(us, RANK_2)) && empty(to)
             && empty(to - pawn_push(us))))
      return false;
  } else if (!(attacks_from(pc, from) & to))
    return false;

  if (checkers()) {
    if (type_of(pc) != PIECE_TYPE_KING) {
      if (more_than_one(checkers()))
        return false;

      if (!((between_bb(lsb(checkers()), king_square(us)) | checkers()) & to))
        return false;
    } else if (attackers_to(to, pieces() ^ from) & pieces(~us))
      return false;
  }

  return true;
}

bool Position::gives_check(Move m, const CheckInfo& ci) const {
  const Square from = move_from(m);
  const Square to = move_to(m);

  if (ci.checkSquares[type_of(piece_on(from))] & to)
    return true;

  if (ci.discoveredCheckCandidates && (ci.discoveredCheckCandidates & from)
      && !aligned(from, to, ci.enemyKingSquare))
    return true;

  switch (move_type(m)) {
    case MOVE_TYPE_NORMAL:
      return false;

    case MOVE_TYPE_PROMOTION:
      return attacks_bb(Piece(move_promotion(m)), to, pieces() ^ from) & ci.enemyKingSquare;

    case MOVE_TYPE_EN_PASSANT: {
      const Square capsq = make_square(file_of(to), rank_of(from));
      const Bitboard b = (pieces() ^ from ^ capsq) | to;

      return (attacks_bb<PIECE_TYPE_ROOK>(ci.enemyKingSquare, b)
              & pieces(sideToMove, PIECE_TYPE_QUEEN, PIECE_TYPE_ROOK))
             | (attacks_bb<PIECE_TYPE_BISHOP>(ci.enemyKingSquare, b)
                & pieces(sideToMove, PIECE_TYPE_QUEEN, PIECE_TYPE_BISHOP));
    }

    case MOVE_TYPE_CASTLING: {
      const Square kfrom = from;
      const Square rfrom = to;
      const Square kto = relative_square(sideToMove, rfrom > kfrom ? SQUARE_G1 : SQUARE_C1);
      const Square rto = relative_square(sideToMove, rfrom > kfrom ? SQUARE_F1 : SQUARE_D1);

      return (PseudoAttacks[PIECE_TYPE_ROOK][rto] & ci.enemyKingSquare)
             && (attacks_bb<PIECE_TYPE_ROOK>(rto, (pieces() ^ kfrom ^ rfrom) | rto | kto) & ci.enemyKingSquare);
    }
  }
  return false;
}

void Position::do_move(Move m, StateInfo& newSt, bool givesCheck) {
  __atomic_store_n(&nodes, nodes + 1, __ATOMIC_RELAXED);
  Key k = state->key ^ Zobrist::side;

  std::memcpy(&newSt, state, offsetof(StateInfo, key));
  newSt.previous = state;
  state = &newSt;

  ++gamePly;
  ++state->halfmoveClock;
  ++state->pliesSinceNull;

  const Color us = sideToMove;
  const Color them = ~us;
  const Square from = move_from(m);
  Square to = move_to(m);
  const PieceType pt = type_of(piece_on(from));
  PieceType captured = move_type(m) == MOVE_TYPE_EN_PASSANT ? PIECE_TYPE_PAWN : type_of(piece_on(to));

  if (move_type(m) == MOVE_TYPE_CASTLING) {
    Square rfrom, rto;
    do_castling<true>(us, from, to, rfrom, rto);

    captured = PIECE_TYPE_NONE;
    state->psqScore += PSQT::psq[us][PIECE_TYPE_ROOK][rto] - PSQT::psq[us][PIECE_TYPE_ROOK][rfrom];
    k ^= Zobrist::psq[us][PIECE_TYPE_ROOK][rfrom] ^ Zobrist::psq[us][PIECE_TYPE_ROOK][rto];
  }

  if (captured) {
    Square capsq = to;

    if (captured == PIECE_TYPE_PAWN) {
      if (move_type(m) == MOVE_TYPE_EN_PASSANT) {
        capsq -= pawn_push(us);
        board[capsq] = PIECE_NONE;
      }

      state->pawnKey ^= Zobrist::psq[them][PIECE_TYPE_PAWN][capsq];
    } else
      state->nonPawnMaterial[them] -= PieceValue[PHASE_MG][captured];

    remove_piece(them, captured, capsq);

    k ^= Zobrist::psq[them][captured][capsq];
    state->materialKey ^= Zobrist::psq[them][captured][pieceCount[them][captured]];
    state->psqScore -= PSQT::psq[them][captured][capsq];
    state->halfmoveClock = 0;

    if (ownerThread)
      prefetch(ownerThread->materialTable[state->materialKey]);
  }

  k ^= Zobrist::psq[us][pt][from] ^ Zobrist::psq[us][pt][to];

  if (state->enPassantSquare != SQUARE_NONE) {
    k ^= Zobrist::enpassant[file_of(state->enPassantSquare)];
    state->enPassantSquare = SQUARE_NONE;
  }

  if (state->castlingRights && (castlingRightsMask[from] | castlingRightsMask[to])) {
    const int cr = castlingRightsMask[from] | castlingRightsMask[to];
    k ^= Zobrist::castling[state->castlingRights & cr];
    state->castlingRights &= ~cr;
  }

  if (move_type(m) != MOVE_TYPE_CASTLING)
    move_piece(us, pt, from, to);

  if (pt == PIECE_TYPE_PAWN) {
    if ((int(to) ^ int(from)) == 16
        && (attacks_from<PIECE_TYPE_PAWN>(Square((int(from) + int(to)) / 2), us) & pieces(them, PIECE_TYPE_PAWN))) {
      state->enPassantSquare = Square((int(from) + int(to)) / 2);
      k ^= Zobrist::enpassant[file_of(state->enPassantSquare)];
    } else if (move_type(m) == MOVE_TYPE_PROMOTION) {
      const PieceType promotion = move_promotion(m);

      remove_piece(us, PIECE_TYPE_PAWN, to);
      put_piece(us, promotion, to);

      k ^= Zobrist::psq[us][PIECE_TYPE_PAWN][to] ^ Zobrist::psq[us][promotion][to];
      state->pawnKey ^= Zobrist::psq[us][PIECE_TYPE_PAWN][to];
      state->materialKey ^= Zobrist::psq[us][promotion][pieceCount[us][promotion] - 1]
                            ^ Zobrist::psq[us][PIECE_TYPE_PAWN][pieceCount[us][PIECE_TYPE_PAWN]];
      state->psqScore += PSQT::psq[us][promotion][to] - PSQT::psq[us][PIECE_TYPE_PAWN][to];
      state->nonPawnMaterial[us] += PieceValue[PHASE_MG][promotion];
    }

    state->pawnKey ^= Zobrist::psq[us][PIECE_TYPE_PAWN][from] ^ Zobrist::psq[us][PIECE_TYPE_PAWN][to];
    state->halfmoveClock = 0;

    if (ownerThread)
      prefetch(ownerThread->pawnsTable[state->pawnKey]);
  }

  state->psqScore += PSQT::psq[us][pt][to] - PSQT::psq[us][pt][from];
  state->capturedType = captured;
  state->key = k;

  state->checkers = givesCheck ? attackers_to(king_square(them)) & pieces(us) : 0;

  sideToMove = ~sideToMove;
}

void Position::undo_move(Move m) {
  sideToMove = ~sideToMove;

  const Color us = sideToMove;
  const Square from = move_from(m);
  Square to = move_to(m);
  PieceType pt = type_of(piece_on(to));

  if (move_type(m) == MOVE_TYPE_PROMOTION) {
    remove_piece(us, pt, to);
    board[to] = PIECE_NONE;
    put_piece(us, PIECE_TYPE_PAWN, to);
    pt = PIECE_TYPE_PAWN;
  }

  if (move_type(m) == MOVE_TYPE_CASTLING) {
    Square rfrom, rto;
    do_castling<false>(us, from, to, rfrom, rto);
  } else {
    move_piece(us, pt, to, from);

    if (state->capturedType) {
      Square capsq = to;

      if (move_type(m) == MOVE_TYPE_EN_PASSANT)
        capsq -= pawn_push(us);

      put_piece(~us, state->capturedType, capsq);
    }
  }

  state = state->previous;
  --gamePly;
}

template <bool Do>
void Position::do_castling(Color us, Square from, Square& to, Square& rfrom, Square& rto) {
  const bool kingSide = to > from;
  rfrom = to;  // castling is written as king takes own rook
  rto = relative_square(us, kingSide ? SQUARE_F1 : SQUARE_D1);
  to = relative_square(us, kingSide ? SQUARE_G1 : SQUARE_C1);

  // Both pieces leave before either lands: in Chess960 the squares may overlap.
  remove_piece(us, PIECE_TYPE_KING, Do ? from : to);
  remove_piece(us, PIECE_TYPE_ROOK, Do ? rfrom : rto);
  board[Do ? from : to] = board[Do ? rfrom : rto] = PIECE_NONE;
  put_piece(us, PIECE_TYPE_KING, Do ? to : from);
  put_piece(us, PIECE_TYPE_ROOK, Do ? rto : rfrom);
}

void Position::do_null_move(StateInfo& newSt) {
  std::memcpy(&newSt, state, sizeof(StateInfo));
  newSt.previous = state;
  state = &newSt;

  if (state->enPassantSquare != SQUARE_NONE) {
    state->key ^= Zobrist::enpassant[file_of(state->enPassantSquare)];
    state->enPassantSquare = SQUARE_NONE;
  }

  state->key ^= Zobrist::side;
  prefetch(TT.first_entry(state->key));

  ++state->halfmoveClock;
  state->pliesSinceNull = 0;

  sideToMove = ~sideToMove;
}

void Position::undo_null_move() {
  state = state->previous;
  sideToMove = ~sideToMove;
}

Key Position::key_after(Move m) const {
  const Color us = sideToMove;
  const Square from = move_from(m);
  const Square to = move_to(m);
  const PieceType pt = type_of(piece_on(from));
  const PieceType captured = type_of(piece_on(to));
  Key k = state->key ^ Zobrist::side;

  if (captured)
    k ^= Zobrist::psq[~us][captured][to];

  return k ^ Zobrist::psq[us][pt][to] ^ Zobrist::psq[us][pt][from];
}

Value Position::see_sign(Move m) const {
  // Taking a piece worth at least the mover cannot lose material.
  if (PieceValue[PHASE_MG][moved_piece(m)] <= PieceValue[PHASE_MG][piece_on(move_to(m))])
    return VALUE_KNOWN_WIN;

  return see(m);
}

Value Position::see(Move m) const {
  Value swapList[32];
  int slIndex = 1;

  if (move_type(m) == MOVE_TYPE_CASTLING)
    return VALUE_ZERO;

  const Square from = move_from(m);
  const Square to = move_to(m);
  swapList[0] = PieceValue[PHASE_MG][piece_on(to)];
  Color stm = color_of(piece_on(from));
  Bitboard occupied = pieces() ^ from;

  if (move_type(m) == MOVE_TYPE_EN_PASSANT) {
    occupied ^= to - pawn_push(stm);
    swapList[0] = PieceValue[PHASE_MG][PIECE_TYPE_PAWN];
  }

  Bitboard attackers = attackers_to(to, occupied) & occupied;

  stm = ~stm;
  Bitboard stmAttackers = attackers & pieces(stm);
  if (!stmAttackers)
    return swapList[0];

  PieceType captured = type_of(piece_on(from));

  do {
    swapList[slIndex] = -swapList[slIndex - 1] + PieceValue[PHASE_MG][captured];

    captured = min_attacker<PIECE_TYPE_PAWN>(byType, to, stmAttackers, occupied, attackers);
    stm = ~stm;
    stmAttackers = attackers & pieces(stm);
    ++slIndex;

  } while (stmAttackers && (captured != PIECE_TYPE_KING || (--slIndex, false)));

  while (--slIndex)
    swapList[slIndex - 1] = std::min(-swapList[slIndex], swapList[slIndex - 1]);

  return swapList[0];
}

bool Position::is_draw() const {
  if (state->halfmoveClock > 99 && (!checkers() || MoveList<GEN_LEGAL>(*this).size()))
    return true;

  const int e = std::min(state->halfmoveClock, state->pliesSinceNull);
  const StateInfo* stp = state;

  for (int i = 2; i <= e; i += 2) {
    if (!stp->previous || !stp->previous->previous)
      break;

    stp = stp->previous->previous;
    if (stp->key == state->key)
      return true;
  }

  return false;
}

void Position::flip() {
  std::string f, token;
  std::stringstream ss(fen());

  for (Rank r = RANK_8; r >= RANK_1; --r) {
    std::getline(ss, token, r > RANK_1 ? '/' : ' ');
    f.insert(0, token + (f.empty() ? " " : "/"));
  }

  ss >> token;
  f += (token == "w" ? "B " : "W ");

  ss >> token;
  f += token + " ";

  std::transform(f.begin(), f.end(), f.begin(),
                 [](char c) { return char(std::islower(c) ? std::toupper(c) : std::tolower(c)); });

  ss >> token;
  f += (token == "-" ? token : token.replace(1, 1, token[1] == '3' ? "6" : "3"));

  std::getline(ss, token);
  f += token;

  set(f, is_chess960(), eval_tables());
}

bool Position::pos_is_ok(int* failedStep) const {
  if (failedStep)
    *failedStep = 0;

  if (sideToMove != COLOR_WHITE && sideToMove != COLOR_BLACK)
    return false;

  if (piece_on(king_square(COLOR_WHITE)) != PIECE_WHITE_KING
      || piece_on(king_square(COLOR_BLACK)) != PIECE_BLACK_KING)
    return false;

  if (ep_square() != SQUARE_NONE && relative_rank(sideToMove, ep_square()) != RANK_6)
    return false;

  return true;
}
