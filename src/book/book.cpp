#include "book/book.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <sstream>

#include "platform/platform.h"

namespace Book {

std::vector<std::vector<std::string>> bookLines;
bool isLoaded = false;

namespace {
uint64_t rng = 0;  // seeded on the first draw
}

void seed(uint64_t s) { rng = s ? s : 0x9E3779B97F4A7C15ULL; }  // a zero state would stay zero

bool load(const std::string& path) {
  bookLines.clear();
  isLoaded = false;

  std::string text;
  if (!Platform::read_text_file(path, text))
    return false;

  std::istringstream file(text);

  std::string line;
  for (bool firstLine = true; std::getline(file, line); firstLine = false) {
    if (firstLine && line.rfind("\xEF\xBB\xBF", 0) == 0)
      line.erase(0, 3);  // a UTF-8 byte-order mark

    const size_t first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || line[first] == '#')
      continue;

    const size_t last = line.find_last_not_of(" \t\r\n");
    line = line.substr(first, last - first + 1);

    for (char& c : line)
      c = char(std::tolower(static_cast<unsigned char>(c)));

    std::istringstream ss(line);
    std::vector<std::string> tokens;
    for (std::string token; ss >> token;)
      tokens.push_back(token);

    if (!tokens.empty())
      bookLines.push_back(std::move(tokens));
  }

  isLoaded = !bookLines.empty();
  return isLoaded;
}

std::string getMove(const std::string& moves, int ply, int depth, int variety) {
  if (!isLoaded || ply >= depth)
    return "";

  std::istringstream ss(moves);
  std::vector<std::string> played;
  for (std::string token; ss >> token;)
    played.push_back(token);

  // Every line that continues the game votes for its next move; a move that
  // stands in more lines is drawn more often.
  std::vector<const std::string*> candidates;
  for (const auto& line : bookLines) {
    if (line.size() <= played.size())
      continue;

    bool matches = true;
    for (size_t i = 0; i < played.size() && matches; ++i)
      matches = line[i] == played[i];

    if (matches)
      candidates.push_back(&line[played.size()]);
  }

  if (candidates.empty())
    return "";

  if (variety <= 0)
    return *candidates.front();

  if (!rng)
    seed(uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count()));

  rng ^= rng >> 12;
  rng ^= rng << 25;
  rng ^= rng >> 27;
  const uint32_t r = uint32_t(rng * 0x2545F4914F6CDD1DULL);

  return *candidates[r % candidates.size()];
}

}  // namespace Book
