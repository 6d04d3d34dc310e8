// The explorer page as a user sees it: written by the button, loaded in a
// headless Chromium, its sidebar read and every item clicked. A screenshot of
// the last card is kept beside the build for a human to look at.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "personalities/personality.h"
#include "platform/platform.h"
#include "uci/uci.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char* const Chromium = "/usr/bin/chromium";
const std::chrono::seconds ChromiumLimit(60);
const char* const WindowSize = "1280,900";
const unsigned ScreenshotWidth = 1280, ScreenshotHeight = 900;

// Clicked last, so it is the card on the screenshot.
const char* const ShownId = "VYN_26.8_Corvastel";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every byte but those in keep as %XX.
std::string percent_encoded(const std::string& s, const std::string& keep = "") {
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || keep.find(char(c)) != std::string::npos) {
      out += char(c);
      continue;
    }
    char buf[4];
    std::snprintf(buf, sizeof buf, "%%%02X", c);
    out += buf;
  }
  return out;
}

std::string file_url(const fs::path& absolute) { return "file://" + percent_encoded(absolute.string(), "/-_.~"); }

int hex_digit(char c) {
  return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Undoes encodeURIComponent; the report holds nothing else, so the dump's
// own HTML escaping never touches it.
std::string percent_decoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const int hi = s[i] == '%' && i + 2 < s.size() ? hex_digit(s[i + 1]) : -1;
    const int lo = hi >= 0 ? hex_digit(s[i + 2]) : -1;
    if (lo >= 0) {
      out += char(hi * 16 + lo);
      i += 2;
    } else
      out += s[i];
  }
  return out;
}

struct RunResult {
  bool started = false;
  bool timedOut = false;
  int status = -1;  // exit code, or 128 + signal
  std::string out;
};

// Runs a program without a shell, standard output collected, standard error
// to a file. The program gets its own process group: the browser's helper
// processes go with it, after a normal end as after the time limit.
RunResult run_program(const std::vector<std::string>& args, const fs::path& errorFile, std::chrono::seconds limit) {
  RunResult r;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0)
    return r;

  std::vector<char*> argv;
  std::vector<std::string> copies(args);
  for (std::string& a : copies)
    argv.push_back(&a[0]);
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) {
    close(out[0]);
    close(out[1]);
    return r;
  }
  if (pid == 0) {
    setpgid(0, 0);
    const int devNull = open("/dev/null", O_RDONLY);
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (devNull < 0 || err < 0 || dup2(devNull, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err, 2) < 0)
      _exit(127);
    execve(argv[0], argv.data(), environ);
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the group exists whichever runs first
  close(out[1]);
  r.started = true;

  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool eof = false, exited = false;
  while (true) {
    bool readSomething = false;
    if (!eof) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char chunk[65536];
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n > 0) {
          r.out.append(chunk, size_t(n));
          readSomething = true;
        } else
          eof = true;
      }
    } else
      usleep(20000);

    // WNOWAIT leaves the leader a zombie, so its group id cannot be reused
    // before the stragglers are killed below.
    if (!exited) {
      siginfo_t info{};
      exited = waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
    }
    if (exited && !readSomething)
      break;
    if (std::chrono::steady_clock::now() > deadline) {
      r.timedOut = true;
      break;
    }
  }

  kill(-pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  close(out[0]);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

std::string tail(const std::string& text, size_t lines) {
  size_t pos = text.size();
  for (size_t n = 0; n <= lines && pos > 0; ++n)
    pos = text.rfind('\n', pos - 1);
  return pos == std::string::npos ? text : text.substr(pos + 1);
}

// The explorer page in an iframe; once it has loaded, every sidebar item is
// clicked (the shown one last) and what the page displayed is written into
// #report, one record a line, every field through encodeURIComponent.
std::string wrapper_page(const std::string& explorerUrl, const std::string& lastId) {
  return R"HTML(<!DOCTYPE html>
<html><head><meta charset='UTF-8'>
<style>
html, body { margin: 0; padding: 0; overflow: hidden; }
iframe { display: block; width: 100vw; height: 100vh; border: 0; }
#report { display: none; }
</style></head>
<body>
<iframe id='explorer' src=')HTML"
         + explorerUrl + R"HTML('></iframe>
<pre id='report'></pre>
<script>
const lastId = decodeURIComponent(')HTML"
         + percent_encoded(lastId) + R"HTML(');
const frame = document.getElementById('explorer');
frame.addEventListener('load', () => {
  const lines = [];
  const put = (...fields) => lines.push(fields.map(f => encodeURIComponent(String(f))).join(' '));
  try {
    const doc = frame.contentDocument;
    const text = id => { const e = doc.getElementById(id); return e ? e.textContent : '(missing)'; };
    put('empty-state', doc.querySelectorAll('#main-view > .empty-state').length);
    const ids = frame.contentWindow.eval('catalog.map(p => p.id)');
    put('catalog', ...ids);
    const items = Array.from(doc.querySelectorAll('#sidebar > .sidebar-item'));
    items.forEach((item, i) => {
      const span = cls => { const e = item.querySelector(cls); return e ? e.textContent : '(missing)'; };
      put('item', i, span('.name'), span('.elo'), item.getAttribute('onclick'));
    });
    const last = ids.indexOf(lastId);
    const order = items.map((_, i) => i).filter(i => i !== last);
    if (last >= 0) order.push(last);
    for (const i of order) {
      items[i].click();
      const cards = doc.querySelectorAll('#main-view > .detail-card');
      const heading = doc.querySelector(`#main-view > .detail-card > h2#name-${i}`);
      const active = items.map((it, j) => it.classList.contains('active') ? j : -1).filter(j => j >= 0);
      put('card', i, cards.length, heading ? heading.textContent : '(missing)', text(`elo-${i}`),
          text(`desc-${i}`), text(`desc-it-${i}`), active.join(','),
          doc.querySelectorAll('#main-view > .empty-state').length);
    }
  } catch (e) {
    put('error', e);
  }
  put('done');
  document.getElementById('report').textContent = lines.join('\n');
});
</script>
</body></html>
)HTML";
}

// The report's records, each a list of decoded fields.
std::vector<std::vector<std::string>> report_records(const std::string& dom) {
  std::vector<std::vector<std::string>> records;
  const std::string open = "<pre id=\"report\">";
  const size_t begin = dom.find(open);
  if (begin == std::string::npos)
    return records;
  const size_t end = dom.find("</pre>", begin);
  std::istringstream lines(dom.substr(begin + open.size(), end - begin - open.size()));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> record;
    for (std::string f; fields >> f;)
      record.push_back(percent_decoded(f));
    if (!record.empty())
      records.push_back(record);
  }
  return records;
}

struct Shown {
  std::string id, name, elo, desc, descIt;
};

// What the sidebar must show, read with the engine's own personality reader
// (not the explorer's scan), in page order: by file name, byte order.
std::vector<Shown> shipped_personalities(const fs::path& dir) {
  std::vector<std::string> ids;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().extension() == ".ypf")
      ids.push_back(entry.path().stem().string());
  std::sort(ids.begin(), ids.end());

  std::vector<Shown> shown;
  for (const std::string& id : ids) {
    Personality::PersonalityData d;
    EXPECT_TRUE(Personality::load((dir / (id + ".ypf")).string(), d)) << id;
    shown.push_back({id, d.name, std::to_string(d.elo), d.description, d.descriptionIt});
  }
  return shown;
}

// <build dir>/test-artifacts, the build dir being the parent of the test
// executable's directory.
fs::path artifact_dir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::current_path() : exe.parent_path().parent_path()) / "test-artifacts";
}

class ExplorerBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(Chromium, X_OK) != 0)
      GTEST_SKIP() << Chromium << " is not installed; the CI script installs it (apt-get install chromium)";

    oldDir = fs::current_path();
    dir = fs::temp_directory_path() / ("vyn_explorer_browser_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(fs::path(VYN_SOURCE_DIR) / "personality", dir / "personality", fs::copy_options::recursive);
    fs::current_path(dir);
    Platform::set_page_opener([this](const std::string& path) { opened.push_back(path); });
  }

  void TearDown() override {
    if (dir.empty())
      return;
    Platform::set_page_opener({});
    fs::current_path(oldDir);
    fs::remove_all(dir);
  }

  // One headless browser run on the wrapper page, with a fresh profile.
  RunResult browse(const std::vector<std::string>& extra, const std::string& what) {
    const fs::path profile = dir / ("profile-" + what);
    std::vector<std::string> args = {Chromium,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-dev-shm-usage",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--user-data-dir=" + profile.string(),
                                     "--allow-file-access-from-files",
                                     "--virtual-time-budget=5000"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file_url(dir / "wrapper.html"));

    const fs::path errors = dir / ("chromium-" + what + ".log");
    RunResult r = run_program(args, errors, ChromiumLimit);
    EXPECT_TRUE(r.started) << what;
    EXPECT_FALSE(r.timedOut) << what << ": no result within " << ChromiumLimit.count() << " s\n"
                             << tail(read_file(errors), 20);
    EXPECT_EQ(r.status, 0) << what << "\n" << tail(read_file(errors), 20);
    return r;
  }

  fs::path oldDir, dir;
  std::vector<std::string> opened;
};

}  // namespace

TEST_F(ExplorerBrowser, SidebarListsEveryShippedPersonalityAndClicksShowTheirCards) {
  const auto started = std::chrono::steady_clock::now();

  const std::vector<Shown> expected = shipped_personalities(dir / "personality");
  ASSERT_GE(expected.size(), 2u);
  const auto shownIt =
      std::find_if(expected.begin(), expected.end(), [](const Shown& s) { return s.id == ShownId; });
  ASSERT_NE(shownIt, expected.end()) << ShownId << " is not shipped";
  const size_t shownIndex = size_t(shownIt - expected.begin());

  UCI::init(Options);
  testing::internal::CaptureStdout();
  Options["Explore Personalities"] = std::string("");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(opened.size(), 1u);
  const fs::path page = fs::absolute(opened[0]);
  ASSERT_TRUE(fs::is_regular_file(page)) << page;

  std::ofstream(dir / "wrapper.html", std::ios::binary)
      << wrapper_page(file_url(page), ShownId);

  // First run: the DOM after the clicks.
  const RunResult dump = browse({"--dump-dom"}, "dom");
  const std::vector<std::vector<std::string>> records = report_records(dump.out);
  ASSERT_FALSE(records.empty()) << "no report in the dumped page:\n" << dump.out.substr(0, 2000);
  for (const auto& rec : records)
    ASSERT_NE(rec[0], "error") << (rec.size() > 1 ? rec[1] : "");
  ASSERT_EQ(records.back(), std::vector<std::string>{"done"});

  std::vector<std::string> catalogIds, expectedIds;
  std::vector<std::vector<std::string>> items, cards;
  std::string emptyState;
  for (const auto& rec : records) {
    if (rec[0] == "catalog")
      catalogIds.assign(rec.begin() + 1, rec.end());
    else if (rec[0] == "item")
      items.push_back(rec);
    else if (rec[0] == "card")
      cards.push_back(rec);
    else if (rec[0] == "empty-state" && rec.size() == 2)
      emptyState = rec[1];
  }
  for (const Shown& s : expected)
    expectedIds.push_back(s.id);

  // Before any click: the hint, and one sidebar item per file in file order.
  EXPECT_EQ(emptyState, "1");
  EXPECT_EQ(catalogIds, expectedIds);
  ASSERT_EQ(items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::vector<std::string> want = {"item", std::to_string(i), expected[i].name, "Elo " + expected[i].elo,
                                           "selectPersonality(" + std::to_string(i) + ")"};
    EXPECT_EQ(items[i], want) << expected[i].id;
  }

  // Every click shows exactly that personality's card and highlights only
  // its item; the default personality is clicked last.
  ASSERT_EQ(cards.size(), expected.size());
  EXPECT_EQ(cards.back()[1], std::to_string(shownIndex));
  std::vector<bool> seen(expected.size(), false);
  for (const auto& card : cards) {
    ASSERT_EQ(card.size(), 9u);
    const size_t i = std::stoul(card[1]);
    ASSERT_LT(i, expected.size());
    seen[i] = true;
    const Shown& s = expected[i];
    EXPECT_EQ(card[2], "1") << s.id << ": detail cards shown";
    EXPECT_EQ(card[3], s.name) << s.id;
    EXPECT_EQ(card[4], "\xE2\xAD\x90 Target Elo: " + s.elo) << s.id;
    EXPECT_EQ(card[5], "\xF0\x9F\x87\xAC\xF0\x9F\x87\xA7 " + s.desc) << s.id;
    EXPECT_EQ(card[6], "\xF0\x9F\x87\xAE\xF0\x9F\x87\xB9 " + s.descIt) << s.id;
    EXPECT_EQ(card[7], std::to_string(i)) << s.id << ": active sidebar items";
    EXPECT_EQ(card[8], "0") << s.id << ": the hint is still shown";
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), std::ptrdiff_t(expected.size()));

  // Second run: the same clicks, photographed. The picture is kept even when
  // it fails the checks below, which is when it is wanted most.
  const fs::path artifacts = artifact_dir();
  fs::create_directories(artifacts);
  fs::remove(artifacts / "explorer.png");
  std::ofstream(artifacts / "explorer-dom.html", std::ios::binary) << dump.out;

  const fs::path shot = dir / "explorer.png";
  browse({"--screenshot=" + shot.string(), std::string("--window-size=") + WindowSize}, "screenshot");
  if (fs::exists(shot))
    fs::copy_file(shot, artifacts / "explorer.png", fs::copy_options::overwrite_existing);
  std::printf("Explorer screenshot (card of %s): %s\n", ShownId, (artifacts / "explorer.png").c_str());

  const std::string png = read_file(shot);
  ASSERT_GT(png.size(), 8000u) << "screenshot missing or blank: " << shot;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  ASSERT_EQ(png.substr(12, 4), "IHDR");
  auto be32 = [&](size_t at) {
    return unsigned((unsigned char)png[at]) << 24 | unsigned((unsigned char)png[at + 1]) << 16
           | unsigned((unsigned char)png[at + 2]) << 8 | unsigned((unsigned char)png[at + 3]);
  };
  EXPECT_EQ(be32(16), ScreenshotWidth);
  EXPECT_EQ(be32(20), ScreenshotHeight);

  std::printf("Browser test took %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}
