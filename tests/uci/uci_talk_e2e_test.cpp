#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "talk/phrases.h"
#include "uci/engine_process.h"

namespace fs = std::filesystem;

namespace {

bool in_group(const std::string& text, const char* group, bool italian) {
  for (const std::string& p : Talk::phrases(group, italian))
    if (text == p)
      return true;
  return false;
}

bool ends_with_farewell(const std::string& text, bool italian) {
  for (const std::string& p : Talk::phrases("far", italian))
    if (text.size() > p.size() + 1 && text.compare(text.size() - p.size() - 1, p.size() + 1, " " + p) == 0)
      return true;
  return false;
}

struct GameLog {
  std::vector<std::string> remarks;  // the strong side's "info string" texts, in order
  bool mated = false;                // the weak side ended with no legal move
};

// The engine with Talk set as asked plays white against a weakened copy of
// itself, from the start position, until the game ends.
GameLog play(const std::string& talk, bool italian) {
  const fs::path dir = fs::temp_directory_path() / ("vyn_talk_e2e_" + std::to_string(getpid()) + talk + (italian ? "_it" : ""));
  fs::remove_all(dir);
  fs::create_directories(dir);

  GameLog log;
  {
    EngineProcess strong(dir.string()), weak(dir.string());
    strong.send("setoption name Talk value " + talk);
    strong.send("setoption name Italian Talk value " + std::string(italian ? "true" : "false"));
    weak.send("setoption name VYN Corvastel Elo value 500 Beginner");
    for (EngineProcess* e : {&strong, &weak}) {
      e->send("ucinewgame");
      e->send("isready");
      EXPECT_TRUE(e->expect("readyok"));
    }

    const std::regex bestmove("bestmove (\\S+).*");
    std::string moves;
    for (int ply = 0; ply < 300; ++ply) {
      EngineProcess& side = ply % 2 ? weak : strong;
      side.send("position startpos" + (moves.empty() ? std::string() : " moves" + moves));
      side.send(ply % 2 ? "go depth 1" : "go depth 7");
      std::vector<std::string> seen;
      EXPECT_TRUE(side.expect("bestmove", &seen, 60000));
      if (seen.empty())
        break;
      if (!(ply % 2))
        for (const std::string& l : seen)
          if (l.rfind("info string ", 0) == 0 && l.find("Warning") == std::string::npos)
            log.remarks.push_back(l.substr(12));

      std::smatch m;
      if (!std::regex_match(seen.back(), m, bestmove) || m[1] == "(none)") {
        log.mated = ply % 2 == 1;
        break;
      }
      moves += " " + m[1].str();
    }
    strong.send("quit");
    weak.send("quit");
    strong.wait_exit();
    weak.wait_exit();
  }
  fs::remove_all(dir);
  return log;
}

}  // namespace

TEST(UciTalkEndToEnd, AGameGetsOneWelcomeRemarksAndAFarewellWithTheMate) {
  for (bool italian : {false, true}) {
    const GameLog log = play("true", italian);
    ASSERT_TRUE(log.mated) << "the strong side should mate the weakest level";
    ASSERT_FALSE(log.remarks.empty());

    int welcomes = 0;
    for (const std::string& r : log.remarks)
      welcomes += in_group(r, "wel", italian);
    EXPECT_EQ(welcomes, 1);
    EXPECT_TRUE(in_group(log.remarks.front(), "wel", italian)) << log.remarks.front();

    // Between the welcome and the mate the engine spoke about the game.
    EXPECT_GE(log.remarks.size(), 3u);

    // The last remark comes with the mating move: the announcement and a farewell.
    EXPECT_TRUE(ends_with_farewell(log.remarks.back(), italian)) << log.remarks.back();
  }
}

TEST(UciTalkEndToEnd, TalkOffSaysNothing) {
  const GameLog log = play("false", false);
  EXPECT_TRUE(log.remarks.empty()) << log.remarks.front();
}
