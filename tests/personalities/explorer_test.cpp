#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "personalities/explorer.h"
#include "personalities/personality.h"
#include "platform/platform.h"
#include "uci/uci.h"

namespace fs = std::filesystem;

namespace {

const fs::path Source(VYN_SOURCE_DIR);

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
    ++n;
  return n;
}

PersonalityInfo info(const char* id, const char* name, const char* elo, const char* desc, const char* descIt) {
  PersonalityInfo p;
  p.id = id;
  p.name = name;
  p.elo = elo;
  p.desc = desc;
  p.desc_it = descIt;
  return p;
}

// Each test runs in a scratch working directory with a personality/ folder,
// and pages are recorded instead of reaching a browser.
class ExplorerFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UCI::init(Options); }

  void SetUp() override {
    oldDir = fs::current_path();
    dir = fs::temp_directory_path()
          / ("vyn_explorer_" + std::to_string(getpid()) + "_"
             + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "personality");
    fs::current_path(dir);
    Platform::set_page_opener([this](const std::string& path) { opened.push_back(path); });
  }

  void TearDown() override {
    Platform::set_page_opener({});
    fs::current_path(oldDir);
    fs::remove_all(dir);
  }

  static void write(const std::string& file, const std::string& text) {
    std::ofstream(fs::path("personality") / file, std::ios::binary) << text;
  }

  static std::map<std::string, PersonalityInfo> scan_by_id() {
    std::map<std::string, PersonalityInfo> byId;
    for (const PersonalityInfo& p : scanPersonalities())
      byId[p.id] = p;
    return byId;
  }

  // Presses a button option the way setoption does; returns what it printed.
  static std::string press(const char* option) {
    testing::internal::CaptureStdout();
    Options[option] = std::string();
    return testing::internal::GetCapturedStdout();
  }

  fs::path oldDir, dir;
  std::vector<std::string> opened;
};

}  // namespace

TEST_F(ExplorerFiles, ScanReadsTheQuotedMarkers) {
  const struct {
    const char* file;
    const char* text;
    const char* name;
    const char* elo;
    const char* desc;
    const char* descIt;
  } cases[] = {
      {"empty", "", "Unknown", "?", "No description", "Nessuna descrizione"},
      {"quoted", "Name = \"Bold Attacker\"\n", "Bold Attacker", "?", "No description", "Nessuna descrizione"},
      {"unquoted", "Name = Bold Attacker\n", "Unknown", "?", "No description", "Nessuna descrizione"},
      {"tight", "Name=\"Bold Attacker\"\n", "Unknown", "?", "No description", "Nessuna descrizione"},
      {"inner", "Name = \"A \"quoted\" word\"\n", "A \"quoted\" word", "?", "No description", "Nessuna descrizione"},
      {"unclosed", "Name = \"Unclosed\n", "Unclosed", "?", "No description", "Nessuna descrizione"},
      {"elo", "[INFO]\nElo = 2500\n", "Unknown", "2500", "No description", "Nessuna descrizione"},
      {"eloquoted", "Elo = \"2500\"\n", "Unknown", "\"2500\"", "No description", "Nessuna descrizione"},
      {"eloblanks", "Elo = \t 1800 \t\r\n", "Unknown", "1800", "No description", "Nessuna descrizione"},
      {"italian", "Description_IT = \"Gioca\"\n", "Unknown", "?", "No description", "Gioca"},
      {"english", "Description = \"Attacks\"\n", "Unknown", "?", "Attacks", "Nessuna descrizione"},
      {"later", "# Name = \"First\"\nElo = 1000\n[INFO]\nName = \"Second\"\nElo = 2000\n", "Second", "2000",
       "No description", "Nessuna descrizione"},
      // Every marker is looked for on every line, anywhere in it.
      {"oneline", "# x Name = \"N\" Elo = 1300 Description = \"D\" Description_IT = \"I\"", "N\" Elo = 1300 Description = \"D\" Description_IT = \"I",
       "1300 Description = \"D\" Description_IT = \"I\"", "D\" Description_IT = \"I", "I"},
      {"crlf", "# Name = \"Windows\"\r\n# Description = \"Lines\"\r\nElo = 900\r\n", "Windows", "900", "Lines",
       "Nessuna descrizione"},
      {"utf8", "# Description_IT = \"Così gioca ♟\"\n", "Unknown", "?", "No description", "Così gioca ♟"},
  };
  for (const auto& c : cases)
    write(std::string(c.file) + ".ypf", c.text);

  const std::map<std::string, PersonalityInfo> byId = scan_by_id();
  ASSERT_EQ(byId.size(), std::size(cases));
  for (const auto& c : cases) {
    ASSERT_TRUE(byId.count(c.file)) << c.file;
    const PersonalityInfo& p = byId.at(c.file);
    EXPECT_EQ(p.name, c.name) << c.file;
    EXPECT_EQ(p.elo, c.elo) << c.file;
    EXPECT_EQ(p.desc, c.desc) << c.file;
    EXPECT_EQ(p.desc_it, c.descIt) << c.file;
  }
}

TEST_F(ExplorerFiles, ScanListsEveryEntryEndingInYpf) {
  write("Sharp.YPF", "Name = \"Sharp\"\n");
  write("notes.txt", "Name = \"Not a personality\"\n");
  write("old.ypf.bak", "Name = \"Backup\"\n");
  fs::create_directory("personality/folder.ypf");
  // Windows may refuse links to a user without the privilege: then the
  // dangling link is not part of the test.
  std::error_code linkError;
  fs::create_symlink("personality/nowhere", "personality/dangling.ypf", linkError);
  std::vector<std::string> unreadable = {"folder"};
  if (!linkError)
    unreadable.push_back("dangling");

  const std::map<std::string, PersonalityInfo> byId = scan_by_id();
  std::vector<std::string> ids;
  for (const auto& entry : byId)
    ids.push_back(entry.first);
  const std::vector<std::string> expected =
      linkError ? std::vector<std::string>{"Sharp", "folder"} : std::vector<std::string>{"Sharp", "dangling", "folder"};
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(byId.at("Sharp").name, "Sharp");

  // Entries that cannot be read as files keep every default.
  for (const std::string& id : unreadable) {
    const PersonalityInfo& p = byId.at(id);
    EXPECT_EQ(p.name, "Unknown") << id;
    EXPECT_EQ(p.elo, "?") << id;
    EXPECT_EQ(p.desc, "No description") << id;
    EXPECT_EQ(p.desc_it, "Nessuna descrizione") << id;
  }

  fs::remove_all("personality");
  EXPECT_TRUE(scanPersonalities().empty());
}

TEST(ExplorerText, SortIsByIdInByteOrder) {
  std::vector<PersonalityInfo> entries;
  for (const char* id : {"alpha", "\xC3\x84pfel", "Zeta", "_x", "Calm_Defender", "Bold_Attacker", "Zeta2"})
    entries.push_back(info(id, "n", "1", "d", "i"));
  sortPersonalities(entries);

  std::vector<std::string> ids;
  for (const PersonalityInfo& p : entries)
    ids.push_back(p.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"Bold_Attacker", "Calm_Defender", "Zeta", "Zeta2", "_x", "alpha",
                                           "\xC3\x84pfel"}));
}

TEST(ExplorerText, JsonArrayLayout) {
  EXPECT_EQ(generateJsonArray({}), "[\n]");

  EXPECT_EQ(generateJsonArray({info("Bold_Attacker", "Bold Attacker", "2300", "Attacks", "Attacca")}),
            "[\n"
            "  {\n"
            "    \"id\": \"Bold_Attacker\",\n"
            "    \"name\": \"Bold Attacker\",\n"
            "    \"elo\": \"2300\",\n"
            "    \"desc\": \"Attacks\",\n"
            "    \"desc_it\": \"Attacca\"\n"
            "  }\n"
            "]");

  const std::string two = generateJsonArray(
      {info("A", "Così ♟", "?", "No description", "Nessuna descrizione"), info("B", "b", "2900", "x", "y")});
  EXPECT_EQ(two,
            "[\n"
            "  {\n"
            "    \"id\": \"A\",\n"
            "    \"name\": \"Così ♟\",\n"
            "    \"elo\": \"?\",\n"
            "    \"desc\": \"No description\",\n"
            "    \"desc_it\": \"Nessuna descrizione\"\n"
            "  },\n"
            "  {\n"
            "    \"id\": \"B\",\n"
            "    \"name\": \"b\",\n"
            "    \"elo\": \"2900\",\n"
            "    \"desc\": \"x\",\n"
            "    \"desc_it\": \"y\"\n"
            "  }\n"
            "]");
}

TEST(ExplorerText, HostileTextsAreEscaped) {
  const std::string hostile = "</script><b x='1'>\"q\" \\ & end\nline\ttab\x01\xE2\x80\xA8";
  const std::vector<PersonalityInfo> entries = {info("bad\"id</script>", hostile.c_str(), "<2300>", "a\\b", "c\rd")};

  const std::string json = generateJsonArray(entries);
  EXPECT_NE(json.find("\"id\": \"bad\\\"id\\u003c/script>\","), std::string::npos) << json;
  EXPECT_NE(json.find("\"name\": \"\\u003c/script>\\u003cb x='1'>\\\"q\\\" \\\\ & end\\nline\\ttab\\u0001\\u2028\","),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"elo\": \"\\u003c2300>\","), std::string::npos) << json;
  EXPECT_NE(json.find("\"desc\": \"a\\\\b\","), std::string::npos) << json;
  EXPECT_NE(json.find("\"desc_it\": \"c\\rd\"\n"), std::string::npos) << json;
  EXPECT_EQ(json.find('<'), std::string::npos);

  const std::string page = generateExplorerPage(entries);
  EXPECT_EQ(count(page, "</script>"), 1u);
  EXPECT_EQ(count(page, "<b x"), 0u);
  EXPECT_NE(page.find("<span class='name'>&lt;/script&gt;&lt;b x=&#39;1&#39;&gt;&quot;q&quot; \\ &amp; end\n"
                      "line\ttab\x01\xE2\x80\xA8</span>\n"
                      "<span class='elo'>Elo &lt;2300&gt;</span>\n"),
            std::string::npos);
}

TEST(ExplorerText, UciComboStringPutsTheDefaultFirst) {
  EXPECT_EQ(generateUciComboString({}), "VYN 26.8 Corvastel");
  EXPECT_EQ(generateUciComboString({info("VYN_26.8_Corvastel", "", "", "", ""), info("Sharp", "", "", "", "")}),
            "VYN 26.8 Corvastel|Sharp");
  EXPECT_EQ(generateUciComboString(
                {info("b", "", "", "", ""), info("VYN_26.8_Corvastel", "", "", "", ""), info("a", "", "", "", "")}),
            "VYN 26.8 Corvastel|b|a");
}

TEST_F(ExplorerFiles, ExploreButtonWritesThePageAndOpensIt) {
  write("Calm_Defender.ypf", "# Name = \"Calm Defender\"\n[INFO]\nElo = 1800\n# Description = \"Defends\"\n");
  write("Bold_Attacker.ypf",
        "# Name = \"Bold Attacker\"\n# Description = \"Attacks\"\n# Description_IT = \"Attacca\"\nElo = 2300\n");
  write("alpha.ypf", "");
  write("Zeta.ypf", "");
  write("VYN_Personality_Explorer.html", "an old page that must go");

  EXPECT_EQ(press("Explore Personalities"), "info string Scanning personality directory and generating explorer...\n");
  ASSERT_EQ(opened, std::vector<std::string>{Platform::native_path("personality\\VYN_Personality_Explorer.html")});

  const std::string page = read_file("personality/VYN_Personality_Explorer.html");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang='it'>\n<head>\n<meta charset='UTF-8'>\n", 0), 0u);
  EXPECT_EQ(page.find("an old page"), std::string::npos);
  EXPECT_NE(page.find("<title>VYN 26.8 - Personality Explorer</title>\n<style>\n"), std::string::npos);
  EXPECT_NE(page.find("<h1>♟ VYN 26.8 Personality Explorer</h1>\n"), std::string::npos);
  EXPECT_NE(page.find(".live-params { display: none;"), std::string::npos);
  EXPECT_NE(page.find("@media (max-width: 768px)"), std::string::npos);

  // Sorted by id, indexes in that order.
  EXPECT_NE(page.find("<div class='container'>\n<div class='sidebar' id='sidebar'>\n"
                      "<div class='sidebar-item' onclick='selectPersonality(0)'>\n"
                      "<span class='name'>Bold Attacker</span>\n<span class='elo'>Elo 2300</span>\n</div>\n"
                      "<div class='sidebar-item' onclick='selectPersonality(1)'>\n"
                      "<span class='name'>Calm Defender</span>\n<span class='elo'>Elo 1800</span>\n</div>\n"
                      "<div class='sidebar-item' onclick='selectPersonality(2)'>\n"
                      "<span class='name'>Unknown</span>\n<span class='elo'>Elo ?</span>\n</div>\n"
                      "<div class='sidebar-item' onclick='selectPersonality(3)'>\n"
                      "<span class='name'>Unknown</span>\n<span class='elo'>Elo ?</span>\n</div>\n"
                      "</div>\n<div class='main-view' id='main-view'>\n<div class='empty-state'>\n"
                      "<h3>👈 Select a personality</h3>\n"),
            std::string::npos);
  EXPECT_NE(page.find("<script>\nconst catalog = [\n  {\n    \"id\": \"Bold_Attacker\",\n"
                      "    \"name\": \"Bold Attacker\",\n    \"elo\": \"2300\",\n    \"desc\": \"Attacks\",\n"
                      "    \"desc_it\": \"Attacca\"\n  },\n  {\n    \"id\": \"Calm_Defender\",\n"),
            std::string::npos);
  const size_t zeta = page.find("\"id\": \"Zeta\""), alpha = page.find("\"id\": \"alpha\"");
  EXPECT_LT(zeta, alpha);
  EXPECT_NE(alpha, std::string::npos);
  EXPECT_NE(page.find("  }\n];\nconst sidebar = document.getElementById('sidebar');\n"
                      "const mainView = document.getElementById('main-view');\n"),
            std::string::npos);

  for (const char* fragment :
       {"function selectPersonality(index)", "function loadLiveFile(event, index)", "class='detail-card'",
        "id='name-${index}'", "id='country-${index}'", "id='resign-${index}'", "id='elo-${index}'",
        "id='desc-${index}'", "id='desc-it-${index}'", "📂 Load an .ypf file to view live parameters",
        "onchange='loadLiveFile(event, ${index})'", "<h3>📊 Live parameters from file:</h3>",
        "id='param-grid-${index}'", "'⭐ Target Elo: '", "'🇬🇧 '", "'🇮🇹 '", "Open_Personality_Explorer.cmd",
        "classList.remove('active')", "classList.add('active')", "readAsText", ".style.display = 'block'"})
    EXPECT_NE(page.find(fragment), std::string::npos) << fragment;
  // Texts from files reach the page as text only.
  EXPECT_EQ(page.find("${p."), std::string::npos);
  EXPECT_EQ(page.find("innerHTML = p"), std::string::npos);

  EXPECT_EQ(page.substr(page.size() - 25), "</script>\n</body>\n</html>");
}

TEST_F(ExplorerFiles, EmptyDirectoryGivesAnEmptyCatalogue) {
  EXPECT_EQ(press("Explore Personalities"), "info string Scanning personality directory and generating explorer...\n");
  ASSERT_EQ(opened.size(), 1u);
  const std::string page = read_file("personality/VYN_Personality_Explorer.html");
  EXPECT_NE(page.find("<div class='sidebar' id='sidebar'>\n</div>\n<div class='main-view' id='main-view'>\n"),
            std::string::npos);
  EXPECT_NE(page.find("<script>\nconst catalog = [\n];\n"), std::string::npos);
}

TEST_F(ExplorerFiles, PageThatCannotBeWrittenIsReportedAndNotOpened) {
  // A directory where the page should go: the page cannot be created.
  fs::create_directory("personality/VYN_Personality_Explorer.html");
  EXPECT_EQ(press("Explore Personalities"),
            "info string Scanning personality directory and generating explorer...\n"
            "info string Warning: Could not write explorer page: "
                + Platform::native_path("personality\\VYN_Personality_Explorer.html") + "\n");

  fs::remove_all("personality");
  EXPECT_EQ(press("Explore Personalities"),
            "info string Scanning personality directory and generating explorer...\n"
            "info string Warning: Could not write explorer page: "
                + Platform::native_path("personality\\VYN_Personality_Explorer.html") + "\n");
  EXPECT_TRUE(opened.empty());
}

TEST_F(ExplorerFiles, CreateButtonOpensTheCreatorPage) {
  EXPECT_EQ(press("Create Personality"), "info string Opening Personality Creator...\n");
  EXPECT_EQ(opened, std::vector<std::string>{Platform::native_path("personality\\VYN_Personality_Creator.html")});
  EXPECT_FALSE(fs::exists("personality/VYN_Personality_Explorer.html"));
}

// The shipped files must show in the explorer exactly as the engine reads them.
TEST(ExplorerShipped, EveryShippedPersonalityIsListedWithItsTexts) {
  const fs::path oldDir = fs::current_path();
  fs::current_path(Source);
  std::vector<PersonalityInfo> entries = scanPersonalities();
  fs::current_path(oldDir);

  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(Source / "personality"))
    if (entry.path().extension() == ".ypf")
      files.push_back(entry.path().stem().string());
  std::sort(files.begin(), files.end());

  sortPersonalities(entries);
  std::vector<std::string> ids;
  for (const PersonalityInfo& p : entries)
    ids.push_back(p.id);
  ASSERT_EQ(ids, files);
  EXPECT_NE(std::find(ids.begin(), ids.end(), "VYN_26.8_Corvastel"), ids.end());

  for (const PersonalityInfo& p : entries) {
    Personality::PersonalityData d;
    ASSERT_TRUE(Personality::load((Source / "personality" / (p.id + ".ypf")).string(), d)) << p.id;
    EXPECT_NE(p.name, "Unknown") << p.id;
    EXPECT_EQ(p.name, d.name) << p.id;
    EXPECT_EQ(p.elo, std::to_string(d.elo)) << p.id;
    EXPECT_NE(p.desc, "No description") << p.id;
    EXPECT_EQ(p.desc, d.description) << p.id;
    EXPECT_NE(p.desc_it, "Nessuna descrizione") << p.id;
    EXPECT_EQ(p.desc_it, d.descriptionIt) << p.id;
  }
}

namespace {

const char* const PersonalityKeys[] = {
    "Name", "Author", "Description", "Description_IT", "Elo", "Version", "VYN_PawnStrengthMg",
    "VYN_KnightStrengthMg", "VYN_BishopStrengthMg", "VYN_RookStrengthMg", "VYN_QueenStrengthMg",
    "VYN_PawnStrengthEg", "VYN_KnightStrengthEg", "VYN_BishopStrengthEg", "VYN_RookStrengthEg",
    "VYN_QueenStrengthEg", "VYN_PawnStructureWeight", "VYN_PassedPawnsWeight", "VYN_SpaceWeight",
    "VYN_KingSafetyWeight", "VYN_MobilityWeight", "VYN_InitiativeWeight", "VYN_HangingFear",
    "VYN_SacrificeTendency", "VYN_AttackAggression", "VYN_DefenseSolidity", "VYN_MaterialGrab",
    "VYN_BlunderResistance", "VYN_CenterControl", "VYN_FlankPlay", "VYN_OpenFilePreference",
    "VYN_OutpostPreference", "VYN_BishopPairBonus", "VYN_Rook7thRank", "VYN_DrawAvoidance",
    "VYN_RiskTolerance", "VYN_TimePressure", "VYN_OptimismBias", "WillToWin", "BookEnabled", "BookFile",
    "BookDepth", "BookVariety", "ThinkingPace", "MinimumReflection"};

const fs::path CreatorPage = Source / "personality" / "VYN_Personality_Creator.html";

}  // namespace

TEST(ExplorerShipped, CreatorPageIsSelfContainedAndOffersEveryKey) {
  const std::string page = read_file(CreatorPage);
  ASSERT_FALSE(page.empty());
  // Each key is named in the generator, in its table or as its line's start.
  for (const char* key : PersonalityKeys)
    EXPECT_TRUE(page.find(std::string("'") + key + "'") != std::string::npos
                || page.find(std::string("'") + key + " = '") != std::string::npos)
        << key;
  for (const char* section : {"INFO", "PIECE_VALUES", "POSITIONAL", "TACTICAL", "STRATEGIC", "PSYCHOLOGICAL", "BOOK",
                              "TIME"})
    EXPECT_NE(page.find(section), std::string::npos) << section;
  for (const char* elo : {"500", "800", "1000", "1300", "1500", "1800", "2000", "2300", "2500", "2700", "2850"})
    EXPECT_NE(page.find(std::string("<option>") + elo + "</option>"), std::string::npos) << elo;
  EXPECT_NE(page.find("<option selected>2900</option>"), std::string::npos);
  for (const char* external : {"http:", "https:", "<link", " src=", "@import"})
    EXPECT_EQ(page.find(external), std::string::npos) << external;
}

// Runs the page's own generator under node, where node is installed, and
// reads what it produces with the engine's reader and the explorer's scan.
TEST_F(ExplorerFiles, CreatorOutputIsReadByEngineAndExplorer) {
  if (std::system("node --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "node is not installed";

  const std::string page = read_file(CreatorPage);
  const std::string open = "<script id='ypf-generator'>";
  const size_t start = page.find(open);
  ASSERT_NE(start, std::string::npos);
  const size_t end = page.find("</script>", start);
  ASSERT_NE(end, std::string::npos);
  const std::string generator = page.substr(start + open.size(), end - start - open.size());

  const struct {
    const char* file;
    const char* values;  // a JavaScript object literal, as the form hands it over
  } inputs[] = {
      {"defaults", "{Name: 'Plain One'}"},
      {"chosen", "{Name: 'Bold Attacker', Author: 'Me', Description: 'Attacks', Description_IT: 'Attacca',"
                 " Elo: '2300', Version: '2.0', VYN_SpaceWeight: '1.25', VYN_DrawAvoidance: '0.1',"
                 " WillToWin: '40', BookEnabled: false, BookFile: 'books/a.txt', BookDepth: '7',"
                 " BookVariety: '90', ThinkingPace: '60', MinimumReflection: '250', VYN_Rook7thRank: 'x'}"},
      {"hostile", "{Name: ' He said \"hi\" ', Description: 'Plays like Elo = 3000\\nand \"more\"',"
                  " Description_IT: 'Name = \"X\" gioca', Elo: '99999', ThinkingPace: '5', WillToWin: '-500'}"},
  };
  std::string script = generator;
  for (const auto& in : inputs)
    script += std::string("\nrequire('fs').writeFileSync('personality/") + in.file + ".ypf', buildYpf(" + in.values
              + "));";
  std::ofstream("gen.js") << script;
  ASSERT_EQ(std::system("node gen.js"), 0);

  std::map<std::string, Personality::PersonalityData> read;
  for (const auto& in : inputs)
    ASSERT_TRUE(Personality::load(std::string("personality/") + in.file + ".ypf", read[in.file])) << in.file;
  const std::map<std::string, PersonalityInfo> listed = scan_by_id();
  ASSERT_EQ(listed.size(), std::size(inputs));

  const Personality::PersonalityData defaults;
  const Personality::PersonalityData& d = read["defaults"];
  EXPECT_EQ(d.name, "Plain One");
  EXPECT_EQ(d.elo, 2900);
  EXPECT_DOUBLE_EQ(d.drawAvoidance, 0.5);
  EXPECT_DOUBLE_EQ(d.spaceWeight, 1.0);
  EXPECT_TRUE(d.bookEnabled);
  EXPECT_EQ(d.bookDepth, defaults.bookDepth);
  EXPECT_EQ(d.bookVariety, defaults.bookVariety);
  EXPECT_EQ(d.thinkingPace, defaults.thinkingPace);
  EXPECT_EQ(listed.at("defaults").name, "Plain One");
  EXPECT_EQ(listed.at("defaults").elo, "2900");

  const Personality::PersonalityData& c = read["chosen"];
  EXPECT_EQ(c.name, "Bold Attacker");
  EXPECT_EQ(c.author, "Me");
  EXPECT_EQ(c.description, "Attacks");
  EXPECT_EQ(c.descriptionIt, "Attacca");
  EXPECT_EQ(c.elo, 2300);
  EXPECT_EQ(c.version, "2.0");
  EXPECT_DOUBLE_EQ(c.spaceWeight, 1.25);
  EXPECT_DOUBLE_EQ(c.drawAvoidance, 0.1);
  EXPECT_DOUBLE_EQ(c.rook7thRank, 1.0);
  EXPECT_EQ(c.willToWin, 40);
  EXPECT_FALSE(c.bookEnabled);
  EXPECT_EQ(c.bookFile, "books/a.txt");
  EXPECT_EQ(c.bookDepth, 7);
  EXPECT_EQ(c.bookVariety, 90);
  EXPECT_EQ(c.thinkingPace, 60);
  EXPECT_EQ(c.minimumReflection, 250);
  const PersonalityInfo& ci = listed.at("chosen");
  EXPECT_EQ(ci.name, "Bold Attacker");
  EXPECT_EQ(ci.elo, "2300");
  EXPECT_EQ(ci.desc, "Attacks");
  EXPECT_EQ(ci.desc_it, "Attacca");

  // Quotes and " = " in texts cannot forge or cut an explorer marker, and
  // numbers stay within what the engine's options accept.
  const Personality::PersonalityData& h = read["hostile"];
  const PersonalityInfo& hi = listed.at("hostile");
  EXPECT_EQ(hi.name, h.name);
  EXPECT_EQ(hi.desc, h.description);
  EXPECT_EQ(hi.desc_it, h.descriptionIt);
  EXPECT_EQ(hi.elo, std::to_string(h.elo));
  EXPECT_EQ(h.name.find('"'), std::string::npos);
  EXPECT_NE(h.name.find("He said"), std::string::npos);
  EXPECT_NE(h.description.find("3000"), std::string::npos);
  EXPECT_EQ(h.thinkingPace, 10);
  EXPECT_EQ(h.willToWin, -100);
}
