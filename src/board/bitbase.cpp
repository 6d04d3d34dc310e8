#include "board/bitbase.h"

#include <vector>

#include "board/bitboard.h"

namespace {

// 2 sides x 24 pawn squares (files a-d, ranks 2-7) x 64 x 64 king squares
constexpr unsigned MAX_INDEX = 2 * 24 * 64 * 64;

uint32_t KPKBitbase[MAX_INDEX / 32];

// bits 0-5 white king, 6-11 black king, 12 side to move, 13-14 pawn file,
// 15-17 six minus the pawn's rank
unsigned index(Color us, Square bksq, Square wksq, Square psq) {
  return unsigned(wksq | (bksq << 6) | (us << 12) | (file_of(psq) << 13) | ((RANK_7 - rank_of(psq)) << 15));
}

enum Result { RESULT_INVALID = 0, RESULT_UNKNOWN = 1, RESULT_DRAW = 2, RESULT_WIN = 4 };

inline Result& operator|=(Result& r, Result v) { return r = Result(r | v); }

struct KPKPosition {
  KPKPosition() = default;
  explicit KPKPosition(unsigned idx);
  operator Result() const { return result; }
  Result classify(const std::vector<KPKPosition>& db) {
    return us == COLOR_WHITE ? classify<COLOR_WHITE>(db) : classify<COLOR_BLACK>(db);
  }

  template <Color Us>
  Result classify(const std::vector<KPKPosition>& db);

  Color us;
  Square ksq[COLOR_NB], psq;
  Result result;
};

KPKPosition::KPKPosition(unsigned idx) {
  ksq[COLOR_WHITE] = Square((idx >> 0) & 0x3F);
  ksq[COLOR_BLACK] = Square((idx >> 6) & 0x3F);
  us = Color((idx >> 12) & 0x01);
  psq = make_square(File((idx >> 13) & 0x3), Rank(RANK_7 - ((idx >> 15) & 0x7)));

  const Square push = psq + DELTA_N;

  if (distance(ksq[COLOR_WHITE], ksq[COLOR_BLACK]) <= 1 || ksq[COLOR_WHITE] == psq || ksq[COLOR_BLACK] == psq
      || (us == COLOR_WHITE && (StepAttacksBB[PIECE_WHITE_PAWN][psq] & ksq[COLOR_BLACK])))
    result = RESULT_INVALID;

  // The pawn promotes safely.
  else if (us == COLOR_WHITE && rank_of(psq) == RANK_7 && ksq[COLOR_WHITE] != push
           && (distance(ksq[COLOR_BLACK], push) > 1 || (StepAttacksBB[PIECE_WHITE_KING][ksq[COLOR_WHITE]] & push)))
    result = RESULT_WIN;

  // Stalemate (or mate, which cannot arise here), or the pawn falls.
  else if (us == COLOR_BLACK
           && (!(StepAttacksBB[PIECE_WHITE_KING][ksq[COLOR_BLACK]]
                 & ~(StepAttacksBB[PIECE_WHITE_KING][ksq[COLOR_WHITE]] | StepAttacksBB[PIECE_WHITE_PAWN][psq]))
               || (StepAttacksBB[PIECE_WHITE_KING][ksq[COLOR_BLACK]] & psq
                   & ~StepAttacksBB[PIECE_WHITE_KING][ksq[COLOR_WHITE]])))
    result = RESULT_DRAW;

  else
    result = RESULT_UNKNOWN;
}

template <Color Us>
Result KPKPosition::classify(const std::vector<KPKPosition>& db) {
  // White wants one winning successor; black needs one drawing successor.
  constexpr Color Them = (Us == COLOR_WHITE ? COLOR_BLACK : COLOR_WHITE);
  constexpr Result Good = (Us == COLOR_WHITE ? RESULT_WIN : RESULT_DRAW);
  constexpr Result Bad = (Us == COLOR_WHITE ? RESULT_DRAW : RESULT_WIN);

  Result r = RESULT_INVALID;
  Bitboard b = StepAttacksBB[PIECE_WHITE_KING][ksq[Us]];

  while (b)
    r |= Us == COLOR_WHITE ? db[index(Them, ksq[Them], pop_lsb(&b), psq)]
                           : db[index(Them, pop_lsb(&b), ksq[Them], psq)];

  if (Us == COLOR_WHITE && rank_of(psq) < RANK_7) {
    const Square s = psq + DELTA_N;
    r |= db[index(COLOR_BLACK, ksq[Them], ksq[Us], s)];  // single push

    if (rank_of(psq) == RANK_2 && s != ksq[Us] && s != ksq[Them])
      r |= db[index(COLOR_BLACK, ksq[Them], ksq[Us], s + DELTA_N)];  // double push
  }

  return result = r & Good ? Good : r & RESULT_UNKNOWN ? RESULT_UNKNOWN : Bad;
}

}  // namespace

bool Bitbases::probe(Square wksq, Square wpsq, Square bksq, Color us) {
  assert(file_of(wpsq) <= FILE_D);

  const unsigned idx = index(us, bksq, wksq, wpsq);
  return KPKBitbase[idx / 32] & (1u << (idx & 0x1F));
}

void Bitbases::init() {
  std::vector<KPKPosition> db(MAX_INDEX);
  unsigned idx;
  bool repeat = true;

  for (idx = 0; idx < MAX_INDEX; ++idx)
    db[idx] = KPKPosition(idx);

  // Retrograde passes until nothing changes.
  while (repeat)
    for (repeat = false, idx = 0; idx < MAX_INDEX; ++idx)
      repeat |= (db[idx] == RESULT_UNKNOWN && db[idx].classify(db) != RESULT_UNKNOWN);

  for (idx = 0; idx < MAX_INDEX; ++idx)
    if (db[idx] == RESULT_WIN)
      KPKBitbase[idx / 32] |= 1u << (idx & 0x1F);
}
