#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "board/bitbase.h"
#include "support.h"
#include "tablebases/tb_support.h"
#include "uci/uci.h"

using namespace tb_support;

namespace {

int legal_count(const Position& pos) { return int(MoveList<GEN_LEGAL>(pos).size()); }

bool zeroing(const Position& pos, Move m) {
  return pos.capture(m) || type_of(pos.moved_piece(m)) == PIECE_TYPE_PAWN;
}

// The result by its definition: the best over the moves of the negated
// result after them; mate and stalemate where there is no move.
int wdl_by_moves(Position& pos) {
  if (!legal_count(pos))
    return pos.checkers() ? -2 : 0;
  int best = -3;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos)) {
    StateInfo st;
    pos.do_move(m.move, st, pos.gives_check(m.move, CheckInfo(pos)));
    const Probe p = wdl(pos);
    pos.undo_move(m.move);
    EXPECT_NE(p.success, 0) << pos.fen();
    best = std::max(best, -p.value);
  }
  return best;
}

// Distance to zero one move deeper: the winner takes the quickest zeroing
// or mating move or the shortest way on; the loser the longest way.
int dtz_by_moves(Position& pos, int wdlValue) {
  int best = wdlValue > 0 ? 1 << 20 : -1;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos)) {
    const bool zero = zeroing(pos, m.move);
    StateInfo st;
    pos.do_move(m.move, st, pos.gives_check(m.move, CheckInfo(pos)));
    int v;
    if (wdlValue > 0) {
      if (!legal_count(pos) && pos.checkers())
        v = 1;
      else if (zero)
        v = wdl(pos).value == -2 ? 1 : 1 << 20;
      else {
        const int d = dtz(pos).value;
        v = d < 0 ? -d + 1 : 1 << 20;
      }
      best = std::min(best, v);
    } else {
      v = zero ? -1 : -dtz(pos).value - 1;
      best = std::min(best, v);
    }
    pos.undo_move(m.move);
  }
  return best;
}

// A position with the states of the moves played on it.
struct Line {
  explicit Line(const std::string& fen) { ok = pos.set(fen, false, nullptr); }
  bool play(int from, int to) {
    for (const ExtMove& m : MoveList<GEN_LEGAL>(pos))
      if (move_from(m.move) == from && move_to(m.move) == to) {
        states.emplace_back();
        pos.do_move(m.move, states.back(), pos.gives_check(m.move, CheckInfo(pos)));
        return true;
      }
    return false;
  }
  Position pos;
  bool ok;
  std::deque<StateInfo> states;
};

std::vector<std::string> table_names() {
  std::vector<std::string> names;
  for (const auto& f : std::filesystem::directory_iterator(SyzygyDir))
    if (f.path().extension() == ".rtbw")
      names.push_back(f.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(TablebaseTest, KnownResults) {
  const struct {
    const char* fen;
    int wdl;
  } cases[] = {
      {"8/8/8/4k3/8/8/8/KQ6 w - - 0 1", 2},
      {"8/8/8/4k3/8/8/8/KQ6 b - - 0 1", -2},
      {"kq6/8/8/8/8/8/8/4K3 w - - 0 1", -2},    // the queen on the other side
      {"8/8/8/4k3/8/8/8/KR6 w - - 0 1", 2},
      {"8/8/3K4/8/8/8/8/r3k3 b - - 0 1", 2},
      {"k7/2Q5/1K6/8/8/8/8/8 b - - 0 1", 0},    // stalemate
      {"k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", -2},   // mate
      {"8/8/8/8/8/3k4/2Q5/K7 b - - 0 1", 0},    // the king takes the queen
      {"8/8/8/4k3/8/8/8/KB6 w - - 0 1", 0},
      {"8/8/8/4k3/8/8/8/KN6 b - - 0 1", 0},
      {"8/8/8/4k3/8/8/8/KBN5 w - - 0 1", 2},
      {"8/8/8/2k5/8/8/1r6/KQ6 w - - 0 1", 2},   // KQ against KR
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 2},   // KPvK, opposition won
      {"4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", 0},
      {"8/8/8/8/8/k7/p7/K7 w - - 0 1", 0},      // rook pawn, defender in the corner
      {"8/8/8/8/4k3/8/3p4/4K3 w - - 0 1", 0},
      {"K7/8/k7/8/8/8/8/7R b - - 0 1", -2},
  };
  for (const auto& c : cases) {
    const Probe p = wdl(c.fen);
    EXPECT_NE(p.success, 0) << c.fen;
    EXPECT_EQ(p.value, c.wdl) << c.fen;
  }

  // A lone minor piece never wins, for either colour.
  std::mt19937 rng(3);
  for (const char* material : {"KBvK", "KNvK", "KvKB", "KvKN"})
    for (int i = 0; i < 200; ++i) {
      Position pos;
      random_position(pos, material, i % 2 ? COLOR_BLACK : COLOR_WHITE, rng);
      const Probe p = wdl(pos);
      ASSERT_TRUE(p.success && p.value == 0) << pos.fen();
    }

  // King against king needs no table.
  Probe p = wdl("8/8/8/4k3/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(p.success, 1);
  EXPECT_EQ(p.value, 0);
}

TEST_F(TablebaseTest, UnprobeablePositionsFail) {
  const char* const fens[] = {
      "8/8/8/2k5/8/8/1r6/KQ1R4 w - - 0 1",                          // five pieces
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // thirty-two
      "4k3/8/8/8/8/8/8/4K2R w K - 0 1",                             // castling rights
  };
  for (const char* fen : fens) {
    Position pos;
    ASSERT_TRUE(pos.set(fen, false, nullptr));
    EXPECT_EQ(wdl(pos).success, 0) << fen;
    EXPECT_EQ(dtz(pos).success, 0) << fen;
    Search::RootMoves rootMoves;
    for (const ExtMove& m : MoveList<GEN_LEGAL>(pos))
      rootMoves.emplace_back(m.move);
    Value score = VALUE_NONE;
    EXPECT_FALSE(Tablebases::root_probe(pos, rootMoves, score)) << fen;
    EXPECT_FALSE(Tablebases::root_probe_wdl(pos, rootMoves, score)) << fen;
    EXPECT_EQ(rootMoves.size(), MoveList<GEN_LEGAL>(pos).size());
  }
}

// Every legal KPvK position, as given, with files mirrored and with colours
// swapped, against the bitbase.
TEST_F(TablebaseTest, KPvKAgreesWithTheBitbase) {
  int compared = 0;
  for (int wk = 0; wk < 64; ++wk)
    for (int bk = 0; bk < 64; ++bk)
      for (int p = 8; p < 56; ++p) {
        if ((p & 7) > 3 || wk == bk || wk == p || bk == p)
          continue;
        for (Color us : {COLOR_WHITE, COLOR_BLACK}) {
          Position pos;
          std::string board(64, '.');
          board[wk] = 'K', board[bk] = 'k', board[p] = 'P';
          if (!pos.set(board_fen(board, us), false, nullptr))
            continue;
          const bool won = Bitbases::probe(Square(wk), Square(p), Square(bk), us);
          const int expected = won ? (us == COLOR_WHITE ? 2 : -2) : 0;

          // Mirrored files, and colours swapped with the board turned.
          std::string mirrored(64, '.'), flipped(64, '.');
          mirrored[wk ^ 7] = 'K', mirrored[bk ^ 7] = 'k', mirrored[p ^ 7] = 'P';
          flipped[wk ^ 56] = 'k', flipped[bk ^ 56] = 'K', flipped[p ^ 56] = 'p';
          for (const std::string& fen : {board_fen(board, us), board_fen(mirrored, us), board_fen(flipped, ~us)}) {
            const Probe r = wdl(fen);
            ASSERT_EQ(r.success != 0 ? r.value : 99, expected) << fen;
          }
          ++compared;
        }
      }
  EXPECT_GT(compared, 150000);
}

// Across every table and both sides to move: the stored result agrees with
// the results one move deeper, and so does the distance to zero.
TEST_F(TablebaseTest, ResultsAgreeOneMoveDeeper) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> names = table_names();
  ASSERT_EQ(names.size(), 35u);

  for (const std::string& name : names)
    for (int i = 0; i < 40; ++i) {
      // Half of them with the colours of the table's name swapped.
      const size_t v = name.find('v');
      const std::string material = i % 4 < 2 ? name : name.substr(v + 1) + "v" + name.substr(0, v);
      Position pos;
      random_position(pos, material, i % 2 ? COLOR_BLACK : COLOR_WHITE, rng);
      const Probe w = wdl(pos);
      ASSERT_NE(w.success, 0) << pos.fen();
      ASSERT_EQ(w.value, wdl_by_moves(pos)) << pos.fen();

      if (i % 4 || !legal_count(pos))
        continue;
      const Probe d = dtz(pos);
      ASSERT_NE(d.success, 0) << pos.fen();
      ASSERT_EQ(d.value > 0, w.value > 0) << pos.fen();
      ASSERT_EQ(d.value < 0, w.value < 0) << pos.fen();
      // Values stored halved may read one ply off.
      if (w.value) {
        ASSERT_LE(std::abs(d.value - dtz_by_moves(pos, w.value)), 1) << pos.fen();
      }
    }
}

// Positions just after a double push that can be taken en passant, for
// either side; the result may hinge on the capture.
TEST_F(TablebaseTest, EnPassantPositionsAgreeOneMoveDeeper) {
  std::mt19937 rng(7);
  int checked = 0;
  for (Color us : {COLOR_WHITE, COLOR_BLACK})
    for (int f = 0; f < 8; ++f)
      for (int g : {f - 1, f + 1}) {
        if (g < 0 || g > 7)
          continue;
        for (int n = 0; n < 12; ++n) {
          // The pusher's pawn on its second rank, the taker's beside the target.
          std::string board(64, '.');
          const int from = us == COLOR_WHITE ? 8 + f : 48 + f, taker = us == COLOR_WHITE ? 24 + g : 32 + g;
          board[from] = us == COLOR_WHITE ? 'P' : 'p';
          board[taker] = us == COLOR_WHITE ? 'p' : 'P';
          int wk, bk;
          do
            wk = int(rng() % 64), bk = int(rng() % 64);
          while (board[wk] != '.' || board[bk] != '.' || wk == bk);
          board[wk] = 'K', board[bk] = 'k';
          Line g2(board_fen(board, us));
          if (!g2.ok || !g2.play(from, from + (us == COLOR_WHITE ? 16 : -16)) || g2.pos.ep_square() == SQUARE_NONE)
            continue;
          const Probe w = wdl(g2.pos);
          ASSERT_NE(w.success, 0) << g2.pos.fen();
          ASSERT_EQ(w.value, wdl_by_moves(g2.pos)) << g2.pos.fen();
          const Probe d = dtz(g2.pos);
          ASSERT_NE(d.success, 0) << g2.pos.fen();
          if (w.value) {
            EXPECT_LE(std::abs(d.value - dtz_by_moves(g2.pos, w.value)), 1) << g2.pos.fen();
          }
          ++checked;
        }
      }
  EXPECT_GT(checked, 100);

  // Without the en passant right black loses; taking en passant wins.
  EXPECT_EQ(wdl("8/8/8/8/pP6/k1K5/8/8 b - - 0 1").value, -2);
  Position pos;
  ASSERT_TRUE(pos.set("8/8/8/8/pP6/k1K5/8/8 b - b3 0 1", false, nullptr));
  EXPECT_EQ(wdl(pos).value, 2);
  EXPECT_EQ(dtz(pos).value, 1);
}

// Search threads load tables lazily while others probe them.
TEST_F(TablebaseTest, ConcurrentFirstProbesAgree) {
  std::mt19937 rng(99);
  std::vector<std::string> fens;
  for (const std::string& name : table_names())
    for (int i = 0; i < 30; ++i) {
      Position pos;
      random_position(pos, name, i % 2 ? COLOR_BLACK : COLOR_WHITE, rng);
      fens.push_back(pos.fen());
    }

  std::vector<int> expected;
  for (const std::string& fen : fens)
    expected.push_back(wdl(fen).value);

  init_tables(SyzygyDir);  // everything unloaded again
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (size_t i = 0; i < fens.size(); ++i) {
        const size_t k = (i * 7 + size_t(t) * 131) % fens.size();
        Position pos;
        pos.set(fens[k], false, nullptr);
        int success;
        const int v = Tablebases::probe_wdl(pos, &success);
        mismatches += !success || v != expected[k];
      }
    });
  for (std::thread& th : threads)
    th.join();
  EXPECT_EQ(mismatches, 0);
}

namespace {

Search::RootMoves root_moves(const Position& pos) {
  Search::RootMoves rootMoves;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos))
    rootMoves.emplace_back(m.move);
  return rootMoves;
}

std::vector<Move> moves_of(const Search::RootMoves& rootMoves) {
  std::vector<Move> v;
  for (const Search::RootMove& rm : rootMoves)
    v.push_back(rm.pv[0]);
  return v;
}

// The moves after which the opponent's result is `childWdl`.
std::vector<Move> moves_to(Position& pos, int childWdl) {
  std::vector<Move> v;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos)) {
    StateInfo st;
    pos.do_move(m.move, st, pos.gives_check(m.move, CheckInfo(pos)));
    if (wdl(pos).value == childWdl)
      v.push_back(m.move);
    pos.undo_move(m.move);
  }
  return v;
}

// A random position of the material whose distance to zero is one of `wanted`.
std::string find_position(const std::string& material, Color stm, std::initializer_list<int> wanted) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    Position pos;
    random_position(pos, material, stm, rng);
    const int d = dtz(pos).value;
    if (std::find(wanted.begin(), wanted.end(), d) != wanted.end())
      return pos.fen();
  }
  return "";
}

std::string with_clock(std::string fen, int halfmove) {
  const size_t end = fen.rfind(' ');
  const size_t start = fen.rfind(' ', end - 1);
  return fen.substr(0, start + 1) + std::to_string(halfmove) + fen.substr(end);
}

struct RootResult {
  bool ok;
  Value score;
  Search::RootMoves moves;
};

RootResult rank_root(const std::string& fen, bool useDtz = true) {
  Position pos;
  EXPECT_TRUE(pos.set(fen, false, nullptr)) << fen;
  RootResult r{false, VALUE_NONE, root_moves(pos)};
  r.ok = useDtz ? Tablebases::root_probe(pos, r.moves, r.score) : Tablebases::root_probe_wdl(pos, r.moves, r.score);
  return r;
}

}  // namespace

// Won: the moves that keep the win stay, in their order, scored as a win.
TEST_F(TablebaseTest, RootProbeKeepsTheWinningMoves) {
  const char* fen = "8/8/8/4k3/8/8/8/KQ6 w - - 0 1";
  Position pos;
  ASSERT_TRUE(pos.set(fen, false, nullptr));
  const std::vector<Move> winning = moves_to(pos, -2);

  for (bool useDtz : {true, false}) {
    const RootResult r = rank_root(fen, useDtz);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.score, 31946);
    EXPECT_EQ(moves_of(r.moves), winning);  // generation order kept
    for (const Search::RootMove& rm : r.moves)
      EXPECT_GT(rm.score, 0);
  }

  // Drawn: only the drawing moves stay, and the score is a draw.
  const char* drawn = "8/8/3k4/8/8/3r4/8/R3K3 w - - 0 1";
  ASSERT_TRUE(pos.set(drawn, false, nullptr));
  ASSERT_EQ(wdl(pos).value, 0);
  for (bool useDtz : {true, false}) {
    const RootResult r = rank_root(drawn, useDtz);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(moves_of(r.moves), moves_to(pos, 0));
  }
}

TEST_F(TablebaseTest, RootProbeNearTheFiftyMoveLimit) {
  // Far from the limit every quick enough win stays; at 96 only the fastest.
  const std::string fen = find_position("KQvK", COLOR_WHITE, {5});
  ASSERT_FALSE(fen.empty());
  const RootResult fresh = rank_root(with_clock(fen, 0));
  const RootResult late = rank_root(with_clock(fen, 96));
  ASSERT_TRUE(fresh.ok && late.ok);
  EXPECT_EQ(fresh.score, 31946);
  EXPECT_EQ(late.score, 66);  // ((200 - 5 - 96) * 135) / 200
  EXPECT_LT(late.moves.size(), fresh.moves.size());
  for (const Search::RootMove& rm : late.moves)
    EXPECT_EQ(rm.score, 5);

}

TEST_F(TablebaseTest, RootProbeScoresCursedWinsAndBlessedLosses) {
  // A win or loss in 60 or 61 plies with 50 played is one the count takes
  // away: ((200 - 60 - 50) * 135) / 200 and ((200 - 61 - 50) * 135) / 200
  // both truncate to 60.
  const std::string win = find_position("KBNvK", COLOR_WHITE, {60, 61});
  const std::string loss = find_position("KBNvK", COLOR_BLACK, {-60, -61});
  ASSERT_FALSE(win.empty());
  ASSERT_FALSE(loss.empty());
  EXPECT_EQ(rank_root(with_clock(win, 50)).score, 60);
  EXPECT_EQ(rank_root(with_clock(win, 30)).score, 31946);
  EXPECT_EQ(rank_root(with_clock(loss, 50)).score, -60);

  // Lost, but far from the count's reach: every move stays.
  const std::string lost = find_position("KRvK", COLOR_BLACK, {-10, -9, -8});
  ASSERT_FALSE(lost.empty());
  const RootResult r = rank_root(with_clock(lost, 10));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.score, -31946);
  Position pos;
  pos.set(lost, false, nullptr);
  EXPECT_EQ(r.moves.size(), MoveList<GEN_LEGAL>(pos).size());
}

TEST_F(TablebaseTest, RootProbeMatesAndRestrictedMoves) {
  // A mate scores 1 whatever the tables say; at the limit only mates stay.
  const char* fen = "1k6/8/1K6/8/8/8/8/Q7 w - - 99 60";
  Position pos;
  ASSERT_TRUE(pos.set(fen, false, nullptr));
  std::vector<Move> mates;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos)) {
    StateInfo st;
    pos.do_move(m.move, st, pos.gives_check(m.move, CheckInfo(pos)));
    if (pos.checkers() && !legal_count(pos))
      mates.push_back(m.move);
    pos.undo_move(m.move);
  }
  ASSERT_FALSE(mates.empty());
  const RootResult r = rank_root(fen);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(moves_of(r.moves), mates);
  for (const Search::RootMove& rm : r.moves)
    EXPECT_EQ(rm.score, 1);
  EXPECT_GT(rank_root(with_clock(fen, 4)).moves.size(), mates.size());

  // Back at the root after four quiet moves: a repetition in the reversible
  // stretch also asks for the fastest win.
  testing_support::Game game(with_clock(fen, 0));
  ASSERT_TRUE(game.play("a1a2 b8c8 a2a1 c8b8"));
  Search::RootMoves repeated = root_moves(game.pos);
  Value repeatedScore;
  ASSERT_TRUE(Tablebases::root_probe(game.pos, repeated, repeatedScore));
  EXPECT_EQ(moves_of(repeated), mates);

  // Only a losing move to choose from (as with searchmoves): the ranking
  // keeps it rather than leaving nothing to play.
  ASSERT_TRUE(pos.set("8/8/8/8/3k4/8/8/KQ6 w - - 0 1", false, nullptr));
  Search::RootMoves only;
  std::string hang = "b1d3";
  ASSERT_NE(UCI::to_move(pos, hang), MOVE_NONE);
  only.emplace_back(UCI::to_move(pos, hang));
  Value score = VALUE_NONE;
  EXPECT_FALSE(Tablebases::root_probe(pos, only, score));
  EXPECT_EQ(score, VALUE_NONE);
  ASSERT_EQ(only.size(), 1u);
  EXPECT_TRUE(Tablebases::root_probe_wdl(pos, only, score));
  ASSERT_EQ(only.size(), 1u);
  EXPECT_EQ(only[0].score, 0);
  EXPECT_EQ(score, 31946);
}
