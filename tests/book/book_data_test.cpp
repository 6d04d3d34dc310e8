#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book.h"
#include "uci/uci.h"

namespace fs = std::filesystem;

namespace {

const fs::path Source(VYN_SOURCE_DIR);
const char* const MainBook = "vyn_openings.txt";
const char* const DefaultPersonality = "VYN_26.8_Corvastel.ypf";

struct BookLine {
  int number;  // line number in the file, for messages
  std::vector<std::string> moves;
};

std::string trim(const std::string& s, const char* set = " \t\r\n") {
  const size_t first = s.find_first_not_of(set);
  if (first == std::string::npos)
    return "";
  return s.substr(first, s.find_last_not_of(set) - first + 1);
}

std::vector<std::string> read_lines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The variations of a book with their line numbers. Shipped books are written
// in lower case, so no lowering is needed to compare with what the engine reads.
std::vector<BookLine> read_book(const fs::path& path) {
  std::vector<BookLine> book;
  int number = 0;
  for (const std::string& raw : read_lines(path)) {
    ++number;
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#')
      continue;
    std::istringstream ss(line);
    BookLine bl{number, {std::istream_iterator<std::string>(ss), std::istream_iterator<std::string>()}};
    book.push_back(bl);
  }
  return book;
}

std::vector<fs::path> files_in(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  if (fs::is_directory(dir))
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file() && entry.path().extension() == extension)
        files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Section -> key -> value of a personality file, read the simple way the files
// are written (one "Key = value" per line, no spaces inside keys).
using Sections = std::map<std::string, std::map<std::string, std::string>>;

Sections read_personality(const fs::path& path) {
  Sections sections;
  std::string section;
  for (const std::string& raw : read_lines(path)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#')
      continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq != std::string::npos)
      sections[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1), " \t");
  }
  return sections;
}

}  // namespace

TEST(BookShippedData, EveryLineReplaysLegallyFromTheStartPosition) {
  const std::vector<fs::path> books = files_in(Source / "books", ".txt");
  ASSERT_FALSE(books.empty());

  for (const fs::path& path : books) {
    const std::string name = path.filename().string();
    const std::vector<BookLine> book = read_book(path);

    // What the engine keeps must be exactly what is checked here.
    ASSERT_TRUE(Book::load(path.string())) << name;
    ASSERT_EQ(Book::bookLines.size(), book.size()) << name;

    std::set<std::vector<std::string>> distinct;
    for (size_t i = 0; i < book.size(); ++i) {
      const BookLine& bl = book[i];
      const std::string where = name + ":" + std::to_string(bl.number);
      EXPECT_EQ(Book::bookLines[i], bl.moves) << where;
      EXPECT_TRUE(distinct.insert(bl.moves).second) << where << " repeats an earlier line";
      EXPECT_GE(bl.moves.size(), 8u) << where;
      EXPECT_LE(bl.moves.size(), 20u) << where;

      Position pos;
      std::deque<StateInfo> states;
      ASSERT_TRUE(pos.set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false, nullptr));
      for (size_t ply = 0; ply < bl.moves.size(); ++ply) {
        std::string text = bl.moves[ply];
        const Move m = UCI::to_move(pos, text);
        if (m == MOVE_NONE) {
          ADD_FAILURE() << where << ": move " << ply + 1 << " '" << bl.moves[ply] << "' is not legal in "
                        << pos.fen();
          break;
        }
        states.emplace_back();
        pos.do_move(m, states.back(), pos.gives_check(m, CheckInfo(pos)));
      }
    }
  }
}

TEST(BookShippedData, MainBookIsLargeAndCoversBothColours) {
  const std::vector<BookLine> book = read_book(Source / "books" / MainBook);
  EXPECT_GE(book.size(), 220u);

  for (const fs::path& path : files_in(Source / "books", ".txt"))
    EXPECT_GE(read_book(path).size(), 40u) << path.filename();

  // Continuations after a prefix, as the book offers them.
  auto after = [&](const std::vector<std::string>& prefix) {
    std::set<std::string> next;
    for (const BookLine& bl : book)
      if (bl.moves.size() > prefix.size() && std::equal(prefix.begin(), prefix.end(), bl.moves.begin()))
        next.insert(bl.moves[prefix.size()]);
    return next;
  };
  auto includes = [](const std::set<std::string>& got, const std::set<std::string>& want) {
    return std::includes(got.begin(), got.end(), want.begin(), want.end());
  };

  EXPECT_TRUE(includes(after({}), {"e2e4", "d2d4", "c2c4", "g1f3"}));
  EXPECT_TRUE(includes(after({"e2e4"}), {"e7e5", "c7c5", "e7e6", "c7c6", "d7d6", "d7d5", "g8f6", "g7g6"}));
  EXPECT_TRUE(includes(after({"d2d4"}), {"d7d5", "g8f6", "f7f5"}));
  EXPECT_TRUE(includes(after({"d2d4", "g8f6", "c2c4"}), {"e7e6", "g7g6", "c7c5"}));
  EXPECT_TRUE(includes(after({"e2e4", "c7c5", "g1f3"}), {"d7d6", "b8c6", "e7e6"}));
}

TEST(BookShippedData, PersonalitiesNameShippedBooks) {
  const std::vector<fs::path> files = files_in(Source / "personality", ".ypf");
  ASSERT_TRUE(fs::is_regular_file(Source / "personality" / DefaultPersonality));

  int withBook = 0;
  for (const fs::path& path : files) {
    const std::string name = path.filename().string();
    const std::map<std::string, std::string> book = read_personality(path)["BOOK"];
    ASSERT_TRUE(book.count("BookEnabled") && book.count("BookFile")) << name;

    if (name == DefaultPersonality) {
      // Analysis runs under the default personality and must search.
      EXPECT_EQ(book.at("BookEnabled"), "false");
      continue;
    }

    EXPECT_EQ(book.at("BookEnabled"), "true") << name;
    const std::string file = book.at("BookFile");
    // Relative, so the reader finds it beside the personality directory.
    EXPECT_EQ(file.rfind("books/", 0), 0u) << name << ": " << file;
    ASSERT_TRUE(fs::is_regular_file(Source / file)) << name << ": " << file;
    EXPECT_TRUE(Book::load((Source / file).string())) << name << ": " << file;
    ++withBook;
  }
  EXPECT_GE(withBook, 4);
}

// The engine reads the unquoted INFO entries; the explorer reads only quoted
// markers and the last line that matches them. Both must see the same texts.
TEST(BookShippedData, PersonalityTextsReadTheSameByEngineAndExplorer) {
  const std::map<std::string, std::string> markers = {
      {"Name", "Name = \""}, {"Description", "Description = \""}, {"Description_IT", "Description_IT = \""}};

  for (const fs::path& path : files_in(Source / "personality", ".ypf")) {
    const std::string name = path.filename().string();
    const std::vector<std::string> lines = read_lines(path);
    const std::map<std::string, std::string> info = read_personality(path)["INFO"];

    for (const auto& [key, marker] : markers) {
      std::vector<std::string> matching;
      for (const std::string& l : lines)
        if (l.find(marker) != std::string::npos)
          matching.push_back(l);
      ASSERT_EQ(matching.size(), 1u) << name << ": " << marker;

      const std::string& l = matching.front();
      const size_t start = l.find(marker) + marker.size();
      const size_t close = l.rfind('"');
      ASSERT_GE(close, start) << name << ": no closing quote in " << l;
      const std::string quoted = l.substr(start, close - start);
      EXPECT_EQ(quoted.find('"'), std::string::npos) << name << ": " << l;
      ASSERT_TRUE(info.count(key)) << name << ": " << key;
      EXPECT_EQ(quoted, info.at(key)) << name << ": " << key;
    }

    std::vector<std::string> eloLines;
    for (const std::string& l : lines)
      if (l.find("Elo = ") != std::string::npos)
        eloLines.push_back(trim(l));
    ASSERT_EQ(eloLines.size(), 1u) << name;
    ASSERT_TRUE(info.count("Elo")) << name;
    EXPECT_EQ(eloLines.front(), "Elo = " + info.at("Elo")) << name;
  }

  const std::map<std::string, std::string> info =
      read_personality(Source / "personality" / DefaultPersonality)["INFO"];
  EXPECT_EQ(info.at("Name"), "VYN 26.8 Corvastel");
}

TEST(BookShippedData, DataIsCopiedBesideTheProgram) {
  const fs::path built = fs::path(VYN_BINARY).parent_path();
  for (const char* dir : {"books", "personality"}) {
    for (const auto& entry : fs::directory_iterator(Source / dir)) {
      if (!entry.is_regular_file())
        continue;
      const fs::path copy = built / dir / entry.path().filename();
      ASSERT_TRUE(fs::is_regular_file(copy)) << copy;
      EXPECT_EQ(read_lines(copy), read_lines(entry.path())) << copy;
    }
  }
}
