#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "book/book.h"
#include "personalities/personality.h"
#include "platform/platform.h"
#include "uci/uci.h"

namespace fs = std::filesystem;
using Personality::PersonalityData;

namespace {

// Runs a test inside a scratch working directory with a personality/ folder.
class PersonalityFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UCI::init(Options); }

  void SetUp() override {
    oldDir = fs::current_path();
    dir = fs::temp_directory_path() / ("vyn_pers_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "personality");
    fs::current_path(dir);
  }

  void TearDown() override {
    // Leave the engine as the other tests expect it.
    Personality::set_active(PersonalityData());
    for (const char* name : {"VYN Corvastel Elo", "Contempt", "Minimum Thinking Time", "Slow Mover"})
      Options[name] = std::string(name[0] == 'V' ? "2900 World Elite" : name[0] == 'S' ? "10" : "0");
    Book::load("");
    fs::current_path(oldDir);
    fs::remove_all(dir);
  }

  static void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

  // Loads text as a personality file into a default record.
  static PersonalityData read(const std::string& text, bool* ok = nullptr) {
    write("personality/t.ypf", text);
    PersonalityData d;
    const bool loaded = Personality::load("personality/t.ypf", d);
    if (ok)
      *ok = loaded;
    return d;
  }

  fs::path oldDir, dir;
};

}  // namespace

TEST_F(PersonalityFiles, ReaderRulesForSectionsKeysAndValues) {
  bool ok = false;
  PersonalityData d = read("# only a comment\n\n   \n", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(d.name, "Default");

  d = read("Name = Outside\n"
           "[INFO]\n"
           "  # note\n"
           "Name = A # B\n"
           "Author = \"Quoted\"\n"
           "Version =\n"
           "=5\n"
           "Elo = 1800abc\n"
           "[info]\n"
           "Description = ignored\n"
           "[BOOK]\n"
           "Book Depth = 12\n"
           "BookVariety\t= 7\n"
           "[ INFO ]\n"
           "Elo = 1\n");
  EXPECT_EQ(d.name, "A # B");
  EXPECT_EQ(d.author, "\"Quoted\"");
  EXPECT_EQ(d.version, "");
  EXPECT_EQ(d.elo, 1800);
  EXPECT_EQ(d.description, "Default personality");
  EXPECT_EQ(d.bookDepth, 12);
  EXPECT_EQ(d.bookVariety, 50);  // a tab before '=' keeps the key from matching
}

TEST_F(PersonalityFiles, ByteOrderMarkIsSkipped) {
  EXPECT_EQ(read("\xEF\xBB\xBF[INFO]\nName = Marked\n").name, "Marked");
}

TEST_F(PersonalityFiles, ConversionsFallBackToTheKeysDefault) {
  const struct {
    const char* text;
    int elo;
  } elos[] = {{"Elo = 1800\nElo = strong", 2900}, {"Elo = 99999999999", 2900}, {"Elo = -50", -50},
              {"Elo = 3.7", 3}, {"Elo = 0x10", 0}};
  for (const auto& c : elos)
    EXPECT_EQ(read(std::string("[INFO]\n") + c.text + "\n").elo, c.elo) << c.text;

  const PersonalityData d = read("[PSYCHOLOGICAL]\nVYN_DrawAvoidance = x\nVYN_RiskTolerance = x\nVYN_TimePressure = 1.5x\n"
                                 "VYN_OptimismBias = 1e999\nWillToWin = 30\nVYN_WillToWin = 99\n"
                                 "[POSITIONAL]\nVYN_MobilityWeight = 0.25\n[TIME]\nElo = 100\nThinkingPace = 5\n");
  EXPECT_DOUBLE_EQ(d.drawAvoidance, 0.5);
  EXPECT_DOUBLE_EQ(d.riskTolerance, 1.0);
  EXPECT_DOUBLE_EQ(d.timePressure, 1.5);
  EXPECT_DOUBLE_EQ(d.optimismBias, 1.0);  // out of range
  EXPECT_EQ(d.willToWin, 30);
  EXPECT_DOUBLE_EQ(d.mobilityWeight, 0.25);
  EXPECT_EQ(d.elo, 2900);  // Elo belongs to INFO only
  EXPECT_EQ(d.thinkingPace, 5);

  errno = 1234;
  read("[PSYCHOLOGICAL]\nVYN_OptimismBias = 1e999\n");
  EXPECT_EQ(errno, 1234);

  const struct {
    const char* value;
    bool enabled;
  } words[] = {{"No", false}, {"FALSE", false}, {"0", false}, {"off", true}, {"", true}, {"yes", true}};
  for (const auto& w : words)
    EXPECT_EQ(read(std::string("[BOOK]\nBookEnabled = ") + w.value + "\n").bookEnabled, w.enabled) << w.value;
}

TEST_F(PersonalityFiles, BookPathsResolveBesideThenInsideTheDirectory) {
  fs::create_directories("books");
  fs::create_directories("personality/books");
  write("books/main.txt", "e2e4\n");
  write("personality/books/own.txt", "d2d4\n");

  EXPECT_EQ(read("[BOOK]\nBookFile = books\\main.txt\n").bookFile, Platform::native_path("books\\main.txt"));
  EXPECT_EQ(read("[BOOK]\nBookFile = books/own.txt\n").bookFile, Platform::native_path("personality\\books/own.txt"));
  EXPECT_EQ(read("[BOOK]\nBookFile = books/missing.txt\n").bookFile, "books/missing.txt");
  for (const char* absolute : {"/books/a.txt", "C:\\b.txt", "\\\\server\\b.txt"})
    EXPECT_EQ(read(std::string("[BOOK]\nBookFile = ") + absolute + "\n").bookFile, absolute);
}

TEST_F(PersonalityFiles, MissingFileWarnsAndLeavesTheRecord) {
  PersonalityData d;
  d.name = "Kept";
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Personality::load("personality/Nobody.ypf", d));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "info string Warning: Could not open personality file: personality/Nobody.ypf\n");
  EXPECT_EQ(d.name, "Kept");
}

TEST_F(PersonalityFiles, SelectingAppliesMirrorsOptionsAndLoadsTheBook) {
  fs::create_directories("books");
  write("books/b.txt", "e2e4 e7e5\n");
  write("personality/Bold_Attacker.ypf",
        "[INFO]\nName = Bold Attacker\nElo = 2222\n"
        "[PSYCHOLOGICAL]\nWillToWin = 40\n"
        "[BOOK]\nBookEnabled = true\nBookFile = books/b.txt\nBookDepth = 12\n"
        "[TIME]\nThinkingPace = 5\nMinimumReflection = 300\n");

  Options["Slow Mover"] = std::string("80");
  testing::internal::CaptureStdout();
  Options["Personality"] = std::string("Bold Attacker");
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(out,
            "info string Personality Book loaded: books/b.txt\n"
            "info string Personality loaded: Bold Attacker\n"
            "info string Personality selected: " + Platform::native_path("personality\\Bold_Attacker.ypf") + "\n");
  EXPECT_EQ(CurrentPersonalityFile, Platform::native_path("personality\\Bold_Attacker.ypf"));
  EXPECT_EQ(UCI::elo_level(), 2300);             // rounded to the ladder
  EXPECT_EQ(Personality::get_active_elo(), 2222);  // the record keeps its own
  EXPECT_EQ(int(Options["Contempt"]), 40);
  EXPECT_EQ(int(Options["Minimum Thinking Time"]), 300);
  EXPECT_EQ(int(Options["Slow Mover"]), 80);  // 5 is out of range: left as it was
  EXPECT_TRUE(Book::isLoaded);

  // A failed selection changes nothing and says so twice.
  testing::internal::CaptureStdout();
  Options["Personality File"] = std::string("Nobody");
  const std::string nobody = Platform::native_path("personality\\Nobody.ypf");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "info string Warning: Could not open personality file: " + nobody + "\n"
            "info string Warning: Could not load personality file: " + nobody + "\n");
  EXPECT_EQ(CurrentPersonalityFile, Platform::native_path("personality\\Bold_Attacker.ypf"));

  testing::internal::CaptureStdout();
  Options["Personality File"] = std::string("<empty>");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// GUIs send UTF-8: a personality under C:\Users\José must load.
TEST_F(PersonalityFiles, NonAsciiPathLoads) {
  const std::string folder = u8"Jos\u00e9 \u00e0";
  fs::create_directories(fs::u8path(folder));
  std::ofstream(fs::u8path(folder + "/Caf\u00e9.ypf")) << "[INFO]\nName = Caf\u00e9\nElo = 2222\n";

  PersonalityData d;
  ASSERT_TRUE(Personality::load(folder + "/Caf\u00e9.ypf", d));
  EXPECT_EQ(d.name, u8"Caf\u00e9");
  EXPECT_EQ(d.elo, 2222);
}

TEST_F(PersonalityFiles, SelectionNamesBecomePaths) {
  const struct {
    const char* value;
    const char* path;
  } cases[] = {
      {"Sharp.ypf", "personality\\Sharp.ypf"},
      {"Sharp.YPF", "personality\\Sharp.YPF.ypf"},
      {"sub/Sharp", "sub/Sharp"},
      {"D:\\my files\\Sharp.ypf", "D:\\my files\\Sharp.ypf"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    Options["Personality File"] = std::string(c.value);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Could not load personality file: " + Platform::native_path(c.path) + "\n"), std::string::npos)
        << out;
  }
}
