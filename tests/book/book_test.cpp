#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "book/book.h"

namespace {

using Lines = std::vector<std::vector<std::string>>;

// Writes content verbatim (binary, so "\r\n" stays) and returns the path.
std::string write_temp(const std::string& name, const std::string& content) {
  const std::string path = testing::TempDir() + "vyn_book_" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return path;
}

}  // namespace

TEST(BookLoad, ParsesLinesAsTheFileFormatSays) {
  struct Case {
    const char* what;
    const char* content;
    Lines lines;
  };
  const Case cases[] = {
      {"comments and blanks only", "# opening\n\n   \n\t# indented comment\n\r\n", {}},
      {"empty file", "", {}},
      {"trimmed and lower-cased", "  E2E4 E7E5\t\r\nD2D4\n", {{"e2e4", "e7e5"}, {"d2d4"}}},
      {"only a leading hash comments", "e2e4 # main line\n", {{"e2e4", "#", "main", "line"}}},
      {"comment after blanks", "   # e2e4\n c2c4\n", {{"c2c4"}}},
      {"runs of whitespace, no final newline", "e2e4\t\t e7e5   g1f3", {{"e2e4", "e7e5", "g1f3"}}},
      {"duplicates kept in file order", "d2d4 d7d5\ne2e4\nd2d4 d7d5\n", {{"d2d4", "d7d5"}, {"e2e4"}, {"d2d4", "d7d5"}}},
      {"promotion letter lowered", "A7A8Q\n", {{"a7a8q"}}},
  };

  int n = 0;
  for (const Case& c : cases) {
    const std::string path = write_temp("parse_" + std::to_string(n++) + ".txt", c.content);
    const bool result = Book::load(path);
    std::remove(path.c_str());

    EXPECT_EQ(Book::bookLines, c.lines) << c.what;
    EXPECT_EQ(result, !c.lines.empty()) << c.what;
    EXPECT_EQ(Book::isLoaded, result) << c.what;
  }
}

TEST(BookLoad, FailedLoadDropsThePreviousBook) {
  const std::string good = write_temp("good.txt", "e2e4 e7e5\n");
  const std::string comments = write_temp("comments.txt", "# nothing here\n");

  ASSERT_TRUE(Book::load(good));
  EXPECT_FALSE(Book::load(testing::TempDir() + "vyn_book_no_such_file.txt"));
  EXPECT_FALSE(Book::isLoaded);
  EXPECT_TRUE(Book::bookLines.empty());
  EXPECT_EQ(Book::getMove("", 0, 20, 0), "");

  ASSERT_TRUE(Book::load(good));
  EXPECT_FALSE(Book::load(comments));
  EXPECT_FALSE(Book::isLoaded);
  EXPECT_EQ(Book::getMove("", 0, 20, 0), "");

  std::remove(good.c_str());
  std::remove(comments.c_str());
}

TEST(BookGetMove, MatchesPlayedMovesAgainstLineBeginnings) {
  const std::string path = write_temp("lookup.txt",
                                      "e2e4 e7e5\n"
                                      "e2e4 e7e5 g1f3 b8c6\n"
                                      "e2e4 c7c5 g1f3\n"
                                      "d2d4 d7d5 c2c4\n"
                                      "A7A8Q B7B8Q\n");
  ASSERT_TRUE(Book::load(path));
  std::remove(path.c_str());

  struct Case {
    const char* moves;
    int ply, depth, variety;
    const char* expected;
  };
  const Case cases[] = {
      {"", 0, 20, 0, "e2e4"},                       // first token of the first line
      {"e2e4", 1, 20, 0, "e7e5"},
      {"e2e4 e7e5", 2, 20, 0, "g1f3"},              // the two-move line has nothing left
      {"e2e4 e7e5 g1f3 b8c6", 4, 20, 0, ""},        // a line as long as the game does not qualify
      {"e2e4 c7c5", 2, 20, 0, "g1f3"},
      {"  e2e4\t c7c5 ", 2, 20, 0, "g1f3"},         // played text split at any whitespace
      {"e2e4 d7d5", 2, 20, 0, ""},                  // left the book
      {"E2E4", 1, 20, 0, ""},                       // played moves are not lower-cased
      {"a7a8q", 1, 20, 0, "b7b8q"},
      {"a7a8Q", 1, 20, 0, ""},                      // upper-case promotion never matches
      {"d2d4 d7d5", 2, 3, 0, "c2c4"},               // ply below depth
      {"d2d4 d7d5", 3, 3, 0, ""},                   // ply equal to depth
      {"d2d4 d7d5", 4, 3, 0, ""},
      {"", 0, 0, 0, ""},                            // depth 0 disables the book
      {"", 0, 20, -7, "e2e4"},                      // negative variety behaves as 0
      {"d2d4", 1, 20, 50, "d7d5"},                  // a single candidate whatever the draw
  };
  for (const Case& c : cases)
    EXPECT_EQ(Book::getMove(c.moves, c.ply, c.depth, c.variety), c.expected)
        << "moves '" << c.moves << "' ply " << c.ply << " depth " << c.depth << " variety " << c.variety;
}

// Candidates are drawn uniformly per qualifying line, so a move standing in two
// lines comes twice as often as one standing in one; the size of a positive
// variety does not matter.
TEST(BookGetMove, DrawWeightsCandidatesByTheLinesThatCarryThem) {
  const std::string path = write_temp("weights.txt", "e2e4 e7e5\ne2e4 c7c5\nd2d4 d7d5\ne2e4\n");
  ASSERT_TRUE(Book::load(path));
  std::remove(path.c_str());

  const int draws = 3000;
  for (int variety : {1, 100}) {
    std::map<std::string, int> seen;
    for (int i = 0; i < draws; ++i)
      ++seen[Book::getMove("", 0, 20, variety)];

    ASSERT_EQ(seen.size(), 2u) << "variety " << variety;
    // Expected 2250 and 750; the bounds lie about seven standard deviations out.
    EXPECT_NEAR(seen["e2e4"], 2250, 170) << "variety " << variety;
    EXPECT_NEAR(seen["d2d4"], 750, 170) << "variety " << variety;
  }

  // The one-move line carries a first move but never an answer to it.
  std::map<std::string, int> replies;
  for (int i = 0; i < 400; ++i)
    ++replies[Book::getMove("e2e4", 1, 20, 50)];
  EXPECT_EQ(replies.size(), 2u);
  EXPECT_GT(replies["e7e5"], 0);
  EXPECT_GT(replies["c7c5"], 0);
  EXPECT_EQ(replies.count(""), 0u);
}

TEST(BookLoad, SkipsAByteOrderMarkAtTheStart) {
  ASSERT_TRUE(Book::load(write_temp("bom.txt", "\xEF\xBB\xBF" "e2e4 e7e5\n\xEF\xBB\xBF" "d2d4\n")));
  ASSERT_EQ(Book::bookLines.size(), 2u);
  EXPECT_EQ(Book::bookLines[0][0], "e2e4");
  EXPECT_EQ(Book::bookLines[1][0], "\xEF\xBB\xBF" "d2d4");  // only at the start of the file

  // A byte-order mark before a comment still leaves a comment.
  EXPECT_FALSE(Book::load(write_temp("bom_comment.txt", "\xEF\xBB\xBF# nothing\n")));
}

TEST(BookGetMove, AFixedSeedRepeatsTheSameChoices) {
  ASSERT_TRUE(Book::load(write_temp("seeded.txt", "e2e4\nd2d4\nc2c4\ng1f3\nb2b3\n")));

  auto draws = [] {
    std::string seq;
    for (int i = 0; i < 40; ++i)
      seq += Book::getMove("", 0, 10, 50) + " ";
    return seq;
  };

  Book::seed(12345);
  const std::string first = draws();
  Book::seed(12345);
  EXPECT_EQ(draws(), first);
  Book::seed(54321);
  EXPECT_NE(draws(), first);

  Book::seed(0);  // a zero seed must not freeze the generator
  const std::string fromZero = draws();
  std::map<std::string, int> seen;
  for (size_t i = 0; i + 5 <= fromZero.size(); i += 5)
    ++seen[fromZero.substr(i, 5)];
  EXPECT_GT(seen.size(), 1u);
}
