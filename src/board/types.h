#ifndef VYN_BOARD_TYPES_H
#define VYN_BOARD_TYPES_H

// Encodings shared by the whole engine. Hash keys, table entries, tablebase
// indices and move text depend on these exact values.

#include <cassert>
#include <cstdint>
#include <cstdlib>

typedef uint64_t Key;
typedef uint64_t Bitboard;

constexpr int MAX_MOVES = 256;
constexpr int MAX_PLY = 53;

enum Move : int {
  MOVE_NONE = 0,
  MOVE_NULL = 65
};

enum MoveType : int {
  MOVE_TYPE_NORMAL = 0,
  MOVE_TYPE_PROMOTION = 1 << 14,
  MOVE_TYPE_EN_PASSANT = 2 << 14,
  MOVE_TYPE_CASTLING = 3 << 14
};

enum Color : int { COLOR_WHITE, COLOR_BLACK, COLOR_NB = 2 };

enum CastlingSide : int { KING_SIDE, QUEEN_SIDE };

enum CastlingRight : int {
  CASTLING_NONE = 0,
  CASTLING_WHITE_KING_SIDE = 1,
  CASTLING_WHITE_QUEEN_SIDE = 2,
  CASTLING_BLACK_KING_SIDE = 4,
  CASTLING_BLACK_QUEEN_SIDE = 8,
  CASTLING_WHITE = 3,
  CASTLING_BLACK = 12,
  CASTLING_ANY = 15,
  CASTLING_RIGHT_NB = 16
};

constexpr CastlingRight castling_right(Color c, CastlingSide s) {
  return CastlingRight(1 << (2 * c + (s == QUEEN_SIDE ? 1 : 0)));
}

enum Phase : int {
  PHASE_ENDGAME = 0,
  PHASE_MIDGAME = 128,
  PHASE_MG = 0,
  PHASE_EG = 1,
  PHASE_NB = 2
};

enum ScaleFactor : int {
  SCALE_FACTOR_DRAW = 0,
  SCALE_FACTOR_ONE_PAWN = 48,
  SCALE_FACTOR_NORMAL = 64,
  SCALE_FACTOR_NONE = 255
};

enum Bound : int {
  BOUND_NONE = 0,
  BOUND_UPPER = 1,
  BOUND_LOWER = 2,
  BOUND_EXACT = BOUND_UPPER | BOUND_LOWER
};

enum Value : int {
  VALUE_ZERO = 0,
  VALUE_DRAW = 0,
  VALUE_KNOWN_WIN = 3500,
  VALUE_MATE = 32000,
  VALUE_INFINITE = 32001,
  VALUE_NONE = 32002,

  VALUE_MATE_IN_MAX_PLY = VALUE_MATE - 2 * MAX_PLY,
  VALUE_MATED_IN_MAX_PLY = -VALUE_MATE + 2 * MAX_PLY,
  VALUE_TB_WIN = VALUE_MATE - MAX_PLY,

  VALUE_PAWN_MG = 110, VALUE_PAWN_EG = 135,
  VALUE_KNIGHT_MG = 410, VALUE_KNIGHT_EG = 425,
  VALUE_BISHOP_MG = 415, VALUE_BISHOP_EG = 435,
  VALUE_ROOK_MG = 620, VALUE_ROOK_EG = 650,
  VALUE_QUEEN_MG = 1230, VALUE_QUEEN_EG = 1270,

  VALUE_MIDGAME_LIMIT = 10000,
  VALUE_ENDGAME_LIMIT = 3000
};

enum PieceType : int {
  PIECE_TYPE_NONE = 0,
  PIECE_TYPE_ALL = 0,
  PIECE_TYPE_PAWN, PIECE_TYPE_KNIGHT, PIECE_TYPE_BISHOP,
  PIECE_TYPE_ROOK, PIECE_TYPE_QUEEN, PIECE_TYPE_KING,
  PIECE_TYPE_NB = 8
};

enum Piece : int {
  PIECE_NONE = 0,
  PIECE_WHITE_PAWN = 1, PIECE_WHITE_KNIGHT, PIECE_WHITE_BISHOP,
  PIECE_WHITE_ROOK, PIECE_WHITE_QUEEN, PIECE_WHITE_KING,
  PIECE_BLACK_PAWN = 9, PIECE_BLACK_KNIGHT, PIECE_BLACK_BISHOP,
  PIECE_BLACK_ROOK, PIECE_BLACK_QUEEN, PIECE_BLACK_KING,
  PIECE_NB = 16
};

enum Depth : int {
  DEPTH_ZERO = 0,
  DEPTH_ONE_PLY = 1,
  DEPTH_QSEARCH_CHECKS = 0,
  DEPTH_QSEARCH_NO_CHECKS = -1,
  DEPTH_QSEARCH_RECAPTURES = -5,
  DEPTH_NONE = -6,
  DEPTH_MAX = MAX_PLY
};

enum Square : int {
  SQUARE_A1, SQUARE_B1, SQUARE_C1, SQUARE_D1, SQUARE_E1, SQUARE_F1, SQUARE_G1, SQUARE_H1,
  SQUARE_A2, SQUARE_B2, SQUARE_C2, SQUARE_D2, SQUARE_E2, SQUARE_F2, SQUARE_G2, SQUARE_H2,
  SQUARE_A3, SQUARE_B3, SQUARE_C3, SQUARE_D3, SQUARE_E3, SQUARE_F3, SQUARE_G3, SQUARE_H3,
  SQUARE_A4, SQUARE_B4, SQUARE_C4, SQUARE_D4, SQUARE_E4, SQUARE_F4, SQUARE_G4, SQUARE_H4,
  SQUARE_A5, SQUARE_B5, SQUARE_C5, SQUARE_D5, SQUARE_E5, SQUARE_F5, SQUARE_G5, SQUARE_H5,
  SQUARE_A6, SQUARE_B6, SQUARE_C6, SQUARE_D6, SQUARE_E6, SQUARE_F6, SQUARE_G6, SQUARE_H6,
  SQUARE_A7, SQUARE_B7, SQUARE_C7, SQUARE_D7, SQUARE_E7, SQUARE_F7, SQUARE_G7, SQUARE_H7,
  SQUARE_A8, SQUARE_B8, SQUARE_C8, SQUARE_D8, SQUARE_E8, SQUARE_F8, SQUARE_G8, SQUARE_H8,
  SQUARE_NONE,
  SQUARE_NB = 64,

  DELTA_N = 8,
  DELTA_E = 1,
  DELTA_S = -8,
  DELTA_W = -1,
  DELTA_NN = DELTA_N + DELTA_N,
  DELTA_NE = DELTA_N + DELTA_E,
  DELTA_SE = DELTA_S + DELTA_E,
  DELTA_SS = DELTA_S + DELTA_S,
  DELTA_SW = DELTA_S + DELTA_W,
  DELTA_NW = DELTA_N + DELTA_W
};

enum File : int { FILE_A, FILE_B, FILE_C, FILE_D, FILE_E, FILE_F, FILE_G, FILE_H, FILE_NB };

enum Rank : int { RANK_1, RANK_2, RANK_3, RANK_4, RANK_5, RANK_6, RANK_7, RANK_8, RANK_NB };

// Middlegame and endgame values packed as (mg << 16) + eg.
enum Score : int { SCORE_ZERO };

constexpr Score make_score(int mg, int eg) {
  return Score(int(unsigned(mg) << 16) + eg);
}

// The + 0x8000 undoes the borrow a negative endgame half leaves above it.
inline Value score_mg(Score s) {
  union { uint16_t u; int16_t v; } mg = { uint16_t(unsigned(s + 0x8000) >> 16) };
  return Value(mg.v);
}

inline Value score_eg(Score s) {
  union { uint16_t u; int16_t v; } eg = { uint16_t(unsigned(s)) };
  return Value(eg.v);
}

#define ENABLE_BASE_OPERATORS_ON(T)                                      \
  constexpr T operator+(T d1, T d2) { return T(int(d1) + int(d2)); }     \
  constexpr T operator-(T d1, T d2) { return T(int(d1) - int(d2)); }     \
  constexpr T operator*(int i, T d) { return T(i * int(d)); }            \
  constexpr T operator*(T d, int i) { return T(int(d) * i); }            \
  constexpr T operator-(T d) { return T(-int(d)); }                      \
  inline T& operator+=(T& d1, T d2) { return d1 = d1 + d2; }             \
  inline T& operator-=(T& d1, T d2) { return d1 = d1 - d2; }             \
  inline T& operator*=(T& d, int i) { return d = T(int(d) * i); }

#define ENABLE_FULL_OPERATORS_ON(T)                                      \
  ENABLE_BASE_OPERATORS_ON(T)                                            \
  inline T& operator++(T& d) { return d = T(int(d) + 1); }               \
  inline T& operator--(T& d) { return d = T(int(d) - 1); }               \
  constexpr T operator/(T d, int i) { return T(int(d) / i); }            \
  constexpr int operator/(T d1, T d2) { return int(d1) / int(d2); }      \
  inline T& operator/=(T& d, int i) { return d = T(int(d) / i); }

ENABLE_FULL_OPERATORS_ON(Value)
ENABLE_FULL_OPERATORS_ON(PieceType)
ENABLE_FULL_OPERATORS_ON(Piece)
ENABLE_FULL_OPERATORS_ON(Color)
ENABLE_FULL_OPERATORS_ON(Depth)
ENABLE_FULL_OPERATORS_ON(Square)
ENABLE_FULL_OPERATORS_ON(File)
ENABLE_FULL_OPERATORS_ON(Rank)

ENABLE_BASE_OPERATORS_ON(Score)

#undef ENABLE_FULL_OPERATORS_ON
#undef ENABLE_BASE_OPERATORS_ON

// Mixed arithmetic between values and plain integers.
constexpr Value operator+(Value v, int i) { return Value(int(v) + i); }
constexpr Value operator-(Value v, int i) { return Value(int(v) - i); }
inline Value& operator+=(Value& v, int i) { return v = v + i; }
inline Value& operator-=(Value& v, int i) { return v = v - i; }

// Only multiplication by an integer keeps both halves of a Score exact.
Score operator*(Score s1, Score s2) = delete;

inline CastlingRight operator|(CastlingRight a, CastlingRight b) {
  return CastlingRight(int(a) | int(b));
}

extern Value PieceValue[PHASE_NB][PIECE_NB];

constexpr Color operator~(Color c) { return Color(c ^ COLOR_BLACK); }

constexpr Square operator~(Square s) { return Square(s ^ SQUARE_A8); }

constexpr Value mate_in(int ply) { return Value(VALUE_MATE - ply); }

constexpr Value mated_in(int ply) { return Value(-VALUE_MATE + ply); }

constexpr Square make_square(File f, Rank r) { return Square((r << 3) | f); }

constexpr Piece make_piece(Color c, PieceType pt) { return Piece((c << 3) | pt); }

constexpr PieceType type_of(Piece pc) { return PieceType(pc & 7); }

constexpr Color color_of(Piece pc) { return Color(pc >> 3); }

constexpr bool is_ok(Square s) { return s >= SQUARE_A1 && s <= SQUARE_H8; }

constexpr File file_of(Square s) { return File(s & 7); }

constexpr Rank rank_of(Square s) { return Rank(s >> 3); }

constexpr Square relative_square(Color c, Square s) { return Square(s ^ (c * 56)); }

constexpr Rank relative_rank(Color c, Rank r) { return Rank(r ^ (c * 7)); }

constexpr Rank relative_rank(Color c, Square s) { return relative_rank(c, rank_of(s)); }

constexpr bool opposite_colors(Square s1, Square s2) {
  return (((s1 >> 3) ^ s1 ^ (s2 >> 3) ^ s2) & 1) != 0;
}

constexpr Square pawn_push(Color c) { return c == COLOR_WHITE ? DELTA_N : DELTA_S; }

constexpr Square move_from(Move m) { return Square((m >> 6) & 0x3F); }

constexpr Square move_to(Move m) { return Square(m & 0x3F); }

constexpr MoveType move_type(Move m) { return MoveType(m & (3 << 14)); }

constexpr PieceType move_promotion(Move m) {
  return PieceType(((m >> 12) & 3) + PIECE_TYPE_KNIGHT);
}

constexpr Move make_move(Square from, Square to) { return Move(to | (from << 6)); }

template <MoveType T>
constexpr Move make(Square from, Square to, PieceType pt = PIECE_TYPE_KNIGHT) {
  return Move(to | (from << 6) | T | ((pt - PIECE_TYPE_KNIGHT) << 12));
}

constexpr bool is_ok(Move m) { return move_from(m) != move_to(m); }

struct ExtMove {
  Move move;
  Value value;

  operator Move() const { return move; }
  void operator=(Move m) { move = m; }
};

inline bool operator<(const ExtMove& f, const ExtMove& s) { return f.value < s.value; }

#endif
