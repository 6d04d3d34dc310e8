#ifndef VYN_BOARD_POSITION_H
#define VYN_BOARD_POSITION_H

#include <cstddef>
#include <string>

#include "board/bitboard.h"
#include "board/types.h"

class Position;
class Thread;
struct EvalTables;

namespace PSQT {
extern Score psq[COLOR_NB][PIECE_TYPE_NB][SQUARE_NB];
}

namespace Zobrist {
extern Key psq[COLOR_NB][PIECE_TYPE_NB][SQUARE_NB];
extern Key enpassant[FILE_NB];
extern Key castling[CASTLING_RIGHT_NB];
extern Key side;
extern Key exclusion;
}  // namespace Zobrist

// Check data of the side to move, for move generation and the search.
struct CheckInfo {
  explicit CheckInfo(const Position&);

  Bitboard discoveredCheckCandidates;
  Bitboard pinned;
  Bitboard checkSquares[PIECE_TYPE_NB];
  Square enemyKingSquare;
};

// One ply of history. The fields up to enPassantSquare are copied on a move;
// the rest are written fresh.
struct StateInfo {
  Key pawnKey;
  Key materialKey;
  Value nonPawnMaterial[COLOR_NB];
  int castlingRights;
  int halfmoveClock;
  int pliesSinceNull;
  Score psqScore;
  Square enPassantSquare;

  Key key;
  Bitboard checkers;
  PieceType capturedType;
  StateInfo* previous;
};

class Position {
 public:
  static void init();

  Position() = default;
  Position(const Position&) = delete;
  Position& operator=(const Position&);

  // Returns false, leaving the position as it was, when the text is not a
  // legal chess position.
  bool set(const std::string& fenStr, bool isChess960, EvalTables* th);
  const std::string fen() const;
  void clear();
  void flip();
  bool pos_is_ok(int* failedStep = nullptr) const;

  // Board
  Bitboard pieces() const { return byType[PIECE_TYPE_ALL]; }
  Bitboard pieces(PieceType pt) const { return byType[pt]; }
  Bitboard pieces(PieceType pt1, PieceType pt2) const { return byType[pt1] | byType[pt2]; }
  Bitboard pieces(Color c) const { return byColor[c]; }
  Bitboard pieces(Color c, PieceType pt) const { return byColor[c] & byType[pt]; }
  Bitboard pieces(Color c, PieceType pt1, PieceType pt2) const {
    return byColor[c] & (byType[pt1] | byType[pt2]);
  }
  Piece piece_on(Square s) const { return board[s]; }
  Square ep_square() const { return state->enPassantSquare; }
  bool empty(Square s) const { return board[s] == PIECE_NONE; }
  template <PieceType Pt>
  int count(Color c) const { return pieceCount[c][Pt]; }
  template <PieceType Pt>
  const Square* squares(Color c) const { return pieceList[c][Pt]; }
  template <PieceType Pt>
  Square square(Color c) const { return pieceList[c][Pt][0]; }
  Square king_square(Color c) const { return pieceList[c][PIECE_TYPE_KING][0]; }

  // Castling
  int can_castle(Color c) const { return state->castlingRights & (CASTLING_WHITE << (2 * c)); }
  int can_castle(CastlingRight cr) const { return state->castlingRights & cr; }
  int castling_rights() const { return state->castlingRights; }
  bool castling_impeded(CastlingRight cr) const { return byType[PIECE_TYPE_ALL] & castlingPath[cr]; }
  Square castling_rook_square(CastlingRight cr) const { return castlingRookSquare[cr]; }

  // Checking
  Bitboard checkers() const { return state->checkers; }
  Bitboard check_blockers(Color c, Color kingColor) const;

  // Attacks to and from a square
  Bitboard attackers_to(Square s) const { return attackers_to(s, byType[PIECE_TYPE_ALL]); }
  Bitboard attackers_to(Square s, Bitboard occupied) const;
  Bitboard attacks_from(Piece pc, Square s) const { return attacks_bb(pc, s, byType[PIECE_TYPE_ALL]); }
  template <PieceType Pt>
  Bitboard attacks_from(Square s) const {
    return Pt == PIECE_TYPE_BISHOP || Pt == PIECE_TYPE_ROOK ? attacks_bb<Pt>(s, byType[PIECE_TYPE_ALL])
           : Pt == PIECE_TYPE_QUEEN ? attacks_from<PIECE_TYPE_ROOK>(s) | attacks_from<PIECE_TYPE_BISHOP>(s)
                                    : StepAttacksBB[Pt][s];
  }
  template <PieceType Pt>
  Bitboard attacks_from(Square s, Color c) const {
    return StepAttacksBB[make_piece(c, PIECE_TYPE_PAWN)][s];
  }

  // Properties of moves
  bool legal(Move m, Bitboard pinned) const;
  bool pseudo_legal(const Move m) const;
  bool capture(Move m) const {
    return (!empty(move_to(m)) && move_type(m) != MOVE_TYPE_CASTLING) || move_type(m) == MOVE_TYPE_EN_PASSANT;
  }
  bool capture_or_promotion(Move m) const {
    return move_type(m) != MOVE_TYPE_NORMAL ? move_type(m) != MOVE_TYPE_CASTLING : !empty(move_to(m));
  }
  bool gives_check(Move m, const CheckInfo& ci) const;
  bool advanced_pawn_push(Move m) const {
    return type_of(moved_piece(m)) == PIECE_TYPE_PAWN && relative_rank(sideToMove, move_from(m)) > RANK_4;
  }
  Piece moved_piece(Move m) const { return board[move_from(m)]; }
  PieceType captured_piece_type() const { return state->capturedType; }

  // Piece specific
  bool pawn_passed(Color c, Square s) const {
    return !(pieces(~c, PIECE_TYPE_PAWN) & passed_pawn_mask(c, s));
  }
  bool opposite_bishops() const {
    return pieceCount[COLOR_WHITE][PIECE_TYPE_BISHOP] == 1 && pieceCount[COLOR_BLACK][PIECE_TYPE_BISHOP] == 1
           && opposite_colors(square<PIECE_TYPE_BISHOP>(COLOR_WHITE), square<PIECE_TYPE_BISHOP>(COLOR_BLACK));
  }

  // Doing and undoing moves
  void do_move(Move m, StateInfo& newSt, bool givesCheck);
  void undo_move(Move m);
  void do_null_move(StateInfo& newSt);
  void undo_null_move();

  // Static exchange evaluation
  Value see(Move m) const;
  Value see_sign(Move m) const;

  // Accessing hash keys
  Key key() const { return state->key; }
  Key key_after(Move m) const;
  Key exclusion_key() const { return state->key ^ Zobrist::exclusion; }
  Key material_key() const { return state->materialKey; }
  Key pawn_key() const { return state->pawnKey; }

  // Other properties of the position
  Color side_to_move() const { return sideToMove; }
  Phase game_phase() const;
  int game_ply() const { return gamePly; }
  bool is_chess960() const { return chess960; }
  // The caches serving this position; null outside the search.
  EvalTables* eval_tables() const { return ownerThread; }
  Thread* this_thread() const;
  void set_eval_tables(EvalTables* th) { ownerThread = th; }
  // Read by other threads while this one searches.
  uint64_t nodes_searched() const { return __atomic_load_n(&nodes, __ATOMIC_RELAXED); }
  void set_nodes_searched(uint64_t n) { nodes = n; }
  bool is_draw() const;
  int rule50_count() const { return state->halfmoveClock; }
  Score psq_score() const { return state->psqScore; }
  Value non_pawn_material(Color c) const { return state->nonPawnMaterial[c]; }
  const StateInfo* state_info() const { return state; }

 private:
  bool parse(const std::string& fenStr, bool isChess960, EvalTables* th);
  void set_castling_right(Color c, Square rfrom);
  void set_state(StateInfo* si) const;

  void put_piece(Color c, PieceType pt, Square s);
  void remove_piece(Color c, PieceType pt, Square s);
  void move_piece(Color c, PieceType pt, Square from, Square to);
  template <bool Do>
  void do_castling(Color us, Square from, Square& to, Square& rfrom, Square& rto);

  Piece board[SQUARE_NB];
  Bitboard byType[PIECE_TYPE_NB];
  Bitboard byColor[COLOR_NB];
  int pieceCount[COLOR_NB][PIECE_TYPE_NB];
  Square pieceList[COLOR_NB][PIECE_TYPE_NB][16];
  int pieceIndex[SQUARE_NB];
  int castlingRightsMask[SQUARE_NB];
  Square castlingRookSquare[CASTLING_RIGHT_NB];
  Bitboard castlingPath[CASTLING_RIGHT_NB];
  StateInfo startState;
  uint64_t nodes;
  int gamePly;
  Color sideToMove;
  EvalTables* ownerThread;
  StateInfo* state;
  bool chess960;
};

std::ostream& operator<<(std::ostream& os, const Position& pos);

inline void Position::put_piece(Color c, PieceType pt, Square s) {
  board[s] = make_piece(c, pt);
  byType[PIECE_TYPE_ALL] |= s;
  byType[pt] |= s;
  byColor[c] |= s;
  pieceIndex[s] = pieceCount[c][pt]++;
  pieceList[c][pt][pieceIndex[s]] = s;
  pieceCount[c][PIECE_TYPE_ALL]++;
}

inline void Position::remove_piece(Color c, PieceType pt, Square s) {
  // The last square of the list fills the freed slot, so the list stays packed.
  byType[PIECE_TYPE_ALL] ^= s;
  byType[pt] ^= s;
  byColor[c] ^= s;
  const Square lastSquare = pieceList[c][pt][--pieceCount[c][pt]];
  pieceIndex[lastSquare] = pieceIndex[s];
  pieceList[c][pt][pieceIndex[lastSquare]] = lastSquare;
  pieceList[c][pt][pieceCount[c][pt]] = SQUARE_NONE;
  pieceCount[c][PIECE_TYPE_ALL]--;
}

inline void Position::move_piece(Color c, PieceType pt, Square from, Square to) {
  const Bitboard fromTo = SquareBB[from] ^ SquareBB[to];
  byType[PIECE_TYPE_ALL] ^= fromTo;
  byType[pt] ^= fromTo;
  byColor[c] ^= fromTo;
  board[from] = PIECE_NONE;
  board[to] = make_piece(c, pt);
  pieceIndex[to] = pieceIndex[from];
  pieceList[c][pt][pieceIndex[to]] = to;
}

#endif
