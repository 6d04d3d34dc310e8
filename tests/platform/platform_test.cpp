#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/misc.h"
#include "platform/platform.h"

TEST(Platform, ReadLineDropsOneCarriageReturn) {
  std::istringstream in("uci\r\nisready\nposition startpos\r\r\n\r\nlast");
  std::string line;
  const char* const expected[] = {"uci", "isready", "position startpos\r", "", "last"};
  for (const char* e : expected) {
    ASSERT_TRUE(Platform::read_line(in, line));
    EXPECT_EQ(line, e);
  }
  EXPECT_FALSE(Platform::read_line(in, line));
}

TEST(Platform, NativePathUsesTheSystemsSeparator) {
#ifdef _WIN32
  EXPECT_EQ(Platform::native_path("personality\\x.ypf"), "personality\\x.ypf");
#else
  EXPECT_EQ(Platform::native_path("personality\\x.ypf"), "personality/x.ypf");
  EXPECT_EQ(Platform::native_path("a\\b\\c"), "a/b/c");
#endif
  EXPECT_EQ(Platform::native_path("vynconf.vyn"), "vynconf.vyn");
  EXPECT_EQ(Platform::native_path(""), "");
}

static bool free_for_another_thread(std::recursive_mutex& m) {
  return std::async(std::launch::async, [&m] {
           const bool got = m.try_lock();
           if (got)
             m.unlock();
           return got;
         }).get();
}

// The holder may take the output lock again; other threads must wait.
TEST(Platform, OutputLockIsReentrantAndExclusive) {
  std::recursive_mutex& m = Platform::output_mutex();
  EXPECT_EQ(&m, &Platform::output_mutex());

  m.lock();
  ASSERT_TRUE(m.try_lock());
  EXPECT_FALSE(free_for_another_thread(m));

  // A synchronised line printed while already holding the lock must not block.
  testing::internal::CaptureStdout();
  sync_cout << "info string held" << sync_endl;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "info string held\n");

  m.unlock();
  m.unlock();
  EXPECT_TRUE(free_for_another_thread(m));
}

namespace {

namespace fs = std::filesystem;

// A scratch directory of its own for each test process.
fs::path scratch_dir(const char* tag) {
  const fs::path dir = fs::temp_directory_path() / ("vyn_platform_" + std::to_string(getpid()) + "_" + tag);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace

TEST(Platform, ListFilesMatchesTheExtensionInAnyCase) {
  const fs::path dir = scratch_dir("list");
  for (const char* f : {"a.ypf", "B.YPF", "c.Ypf", ".ypf", "d.ypf.txt", "e.txt", "ypf", "fypf"})
    std::ofstream(dir / f) << "x";
  fs::create_directory(dir / "sub.ypf");  // listed: entries are not filtered by kind
  fs::create_directory(dir / "other");
  std::ofstream(dir / "other" / "nested.ypf") << "x";  // not recursive

  EXPECT_EQ(sorted(Platform::list_files(dir.string(), ".ypf")),
            (std::vector<std::string>{".ypf", "B.YPF", "a.ypf", "c.Ypf", "sub.ypf"}));
  EXPECT_EQ(Platform::list_files(dir.string(), ".YPF").size(), 5u);

  // Nothing to list is not an error.
  EXPECT_TRUE(Platform::list_files((dir / "missing").string(), ".ypf").empty());
  EXPECT_TRUE(Platform::list_files((dir / "a.ypf").string(), ".ypf").empty());
  EXPECT_TRUE(Platform::list_files("", ".ypf").empty());

  fs::remove_all(dir);
}

TEST(Platform, PageOpenerCanBeReplacedAndRestored) {
  std::vector<std::string> opened;
  Platform::set_page_opener([&opened](const std::string& p) { opened.push_back(p); });
  Platform::open_page("personality/a.html");
  Platform::open_page("b c.html");
  Platform::set_page_opener({});
  EXPECT_EQ(opened, (std::vector<std::string>{"personality/a.html", "b c.html"}));
}

#ifndef _WIN32
// The desktop opener runs whatever "xdg-open" comes first on PATH; a stand-in
// script reports how it was started. It waits until the test has seen
// open_page return, so an opener that waited for its child would time out.
TEST(Platform, DesktopOpenerStartsXdgOpenDetachedAndSilenced) {
  const fs::path dir = scratch_dir("open");
  const fs::path script = dir / "xdg-open";
  std::ofstream(script) << "#!/bin/sh\n"
                           "d=$(dirname \"$0\")\n"
                           "i=0\n"
                           "while [ ! -e \"$d/go\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
                           "echo leak-out\n"
                           "echo leak-err >&2\n"
                           "printf '%s\\n' \"$1\" \"$(readlink /proc/$$/fd/0)\" \"$(readlink /proc/$$/fd/1)\" "
                           "\"$(readlink /proc/$$/fd/2)\" \"$$\" \"$i\" > \"$d/report.tmp\"\n"
                           "mv \"$d/report.tmp\" \"$d/report\"\n";
  fs::permissions(script, fs::perms::owner_all);

  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", (dir.string() + ":" + savedPath).c_str(), 1);

  const fs::path oldDir = fs::current_path();
  fs::current_path(dir);

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Platform::open_page("page one.html");
  std::ofstream(dir / "go") << "";

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(dir / "report") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();

  fs::current_path(oldDir);
  setenv("PATH", savedPath.c_str(), 1);

  std::vector<std::string> report;
  std::ifstream in(dir / "report");
  for (std::string line; std::getline(in, line);)
    report.push_back(line);
  ASSERT_EQ(report.size(), 6u) << "the stand-in did not run";

  EXPECT_EQ(report[0], (dir / "page one.html").string());  // one argument, absolute
  for (int fd = 0; fd < 3; ++fd)
    EXPECT_EQ(report[1 + fd], "/dev/null") << "fd " << fd;
  EXPECT_LT(std::stoi(report[5]), 200) << "open_page waited for the program";
  EXPECT_EQ(out.find("leak"), std::string::npos);
  EXPECT_EQ(err.find("leak"), std::string::npos);

  // Not our child, so it can never linger as our zombie.
  int status;
  EXPECT_EQ(waitpid(pid_t(std::stoi(report[4])), &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);

  fs::remove_all(dir);
}

#else
// A page that cannot be opened is a silent failure: nothing on the protocol
// stream, no dialog waiting for a click, and the call returns.
TEST(Platform, DesktopOpenerFailsSilentlyAndAtOnce) {
  const fs::path dir = scratch_dir("open");
  testing::internal::CaptureStdout();
  const auto start = std::chrono::steady_clock::now();
  Platform::open_page((dir / "missing page.html").string());
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_LT(took, std::chrono::seconds(10));
  fs::remove_all(dir);
}
#endif

// Only regular files within the size are read: a device, a pipe without a
// writer or a directory would block the engine or never end.
TEST(Platform, TextFilesAreReadOnlyWhenRegularAndSmall) {
  const fs::path dir = scratch_dir("textfile");
  std::ofstream(dir / "small.txt", std::ios::binary) << "e2e4 e7e5\n";
  std::ofstream(dir / "big.txt", std::ios::binary) << std::string(2000, 'x');

  struct Case {
    std::string path;
    bool readable;
  };
  std::vector<Case> cases = {
      {(dir / "small.txt").string(), true}, {(dir / "big.txt").string(), false},
      {dir.string(), false},                {(dir / "none").string(), false},
  };
#ifdef _WIN32
  cases.push_back({"NUL", false});
#else
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  cases.push_back({fifo, false});
  cases.push_back({"/dev/zero", false});
#endif
  for (const Case& c : cases) {
    std::string text = "stale";
    EXPECT_EQ(Platform::is_readable_file(c.path, 1000), c.readable) << c.path;
    EXPECT_EQ(Platform::read_text_file(c.path, text, 1000), c.readable) << c.path;
    EXPECT_EQ(text, c.readable ? "e2e4 e7e5\n" : "") << c.path;
  }
  fs::remove_all(dir);
}

// GUIs send paths as UTF-8; a folder such as C:\Users\José must open.
TEST(Platform, NonAsciiPathsAreListedReadAndReplaced) {
  const fs::path dir = scratch_dir("utf8") / fs::u8path(u8"Jos\u00e9 \u00e0\u00e8");
  fs::create_directories(dir);
  std::ofstream(dir / fs::u8path(u8"Caf\u00e9.ypf"), std::ios::binary) << "x";
  const std::string utf8Dir = dir.u8string();

  EXPECT_EQ(Platform::list_files(utf8Dir, ".ypf"), std::vector<std::string>{u8"Caf\u00e9.ypf"});
  std::string text;
  EXPECT_TRUE(Platform::read_text_file(utf8Dir + "/" + u8"Caf\u00e9.ypf", text));
  EXPECT_EQ(text, "x");

  // Replacing an existing file, as the phrase memory does after each pick.
  std::ofstream(dir / "new", std::ios::binary) << "new";
  EXPECT_TRUE(Platform::replace_file(utf8Dir + "/new", utf8Dir + "/" + u8"Caf\u00e9.ypf"));
  EXPECT_TRUE(Platform::read_text_file(utf8Dir + "/" + u8"Caf\u00e9.ypf", text));
  EXPECT_EQ(text, "new");
  EXPECT_FALSE(fs::exists(dir / "new"));
  EXPECT_FALSE(Platform::replace_file(utf8Dir + "/new", utf8Dir + "/other"));

  fs::remove_all(dir.parent_path());
}

// A priority lowered before start-up is the user's choice and stays.
#ifdef _WIN32
TEST(Platform, RaisingThePriorityKeepsALoweredOne) {
  const HANDLE self = GetCurrentProcess();
  ASSERT_TRUE(SetPriorityClass(self, BELOW_NORMAL_PRIORITY_CLASS));
  Platform::raise_priority();
  EXPECT_EQ(GetPriorityClass(self), DWORD(BELOW_NORMAL_PRIORITY_CLASS));

  ASSERT_TRUE(SetPriorityClass(self, NORMAL_PRIORITY_CLASS));
  Platform::raise_priority();
  EXPECT_EQ(GetPriorityClass(self), DWORD(HIGH_PRIORITY_CLASS));
  SetPriorityClass(self, NORMAL_PRIORITY_CLASS);
}
#else
TEST(Platform, RaisingThePriorityKeepsALoweredOne) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setpriority(PRIO_PROCESS, 0, 10) != 0)
      _exit(2);
    Platform::raise_priority();
    errno = 0;
    _exit(getpriority(PRIO_PROCESS, 0) == 10 && errno == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

// The transposition table's block: aligned as promised, zeroed even where a
// freed block of the same size was dirtied, writable to its end, and gone
// once freed.
TEST(Platform, LargeBlocksAreAlignedZeroedAndFreed) {
  const size_t align = Platform::large_alignment(), odd = (size_t(3) << 20) + 40;
  EXPECT_GE(align, 64u);
#ifndef _WIN32
  EXPECT_EQ(align, size_t(2) << 20);
#endif
  for (size_t bytes : {size_t(32), odd, odd, size_t(16) << 20}) {
    char* const p = static_cast<char*>(Platform::allocate_large(bytes));
    ASSERT_NE(p, nullptr) << bytes;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % align, 0u) << bytes;
    EXPECT_TRUE(std::all_of(p, p + bytes, [](char c) { return c == 0; })) << bytes;
    std::memset(p, 0x5A, bytes);
    Platform::free_large(p, bytes);
#ifdef __linux__
    unsigned char resident;
    errno = 0;
    EXPECT_TRUE(mincore(p, 1, &resident) == -1 && errno == ENOMEM) << "still mapped after free: " << bytes;
#endif
  }
  EXPECT_EQ(Platform::allocate_large(SIZE_MAX), nullptr);
}

#ifdef __linux__
// Kilobytes of huge pages in the mappings /proc/self/smaps lists over
// [begin, end).
static size_t anon_huge_kb(uintptr_t begin, uintptr_t end) {
  std::ifstream smaps("/proc/self/smaps");
  size_t kb = 0;
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long long lo, hi;
    char dash;
    if (std::sscanf(line.c_str(), "%llx%c%llx ", &lo, &dash, &hi) == 3 && dash == '-')
      inside = lo < end && hi > begin;
    else if (inside && line.rfind("AnonHugePages:", 0) == 0)
      kb += std::stoul(line.substr(14));
  }
  return kb;
}

TEST(Platform, TouchedLargeBlocksSitOnHugePages) {
  std::string modes, line;
  std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), modes);
  if (modes.empty() || modes.find("[never]") != std::string::npos)
    GTEST_SKIP() << "transparent huge pages are off or missing on this system";
  for (std::ifstream status("/proc/self/status"); std::getline(status, line);)
    if (line.rfind("THP_enabled:", 0) == 0 && line.find('0') != std::string::npos)
      GTEST_SKIP() << "transparent huge pages are disabled for this process";

  // A fragmented machine may have no free 2 MB page at one moment: a few
  // tries, then the same request made by hand tells whether the kernel
  // gives huge pages at all just now.
  const size_t bytes = size_t(8) << 20;
  for (int attempt = 0; attempt < 3; ++attempt) {
    char* const p = static_cast<char*>(Platform::allocate_large(bytes));
    ASSERT_NE(p, nullptr);
    std::memset(p, 1, bytes);
    const size_t kb = anon_huge_kb(reinterpret_cast<uintptr_t>(p), reinterpret_cast<uintptr_t>(p) + bytes);
    Platform::free_large(p, bytes);
    if (kb > 0)
      return;
  }

  const size_t span = bytes + (size_t(2) << 20);
  void* const raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(raw, MAP_FAILED);
  char* const aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(raw) + (size_t(2) << 20) - 1)
                                                & ~((uintptr_t(2) << 20) - 1));
  madvise(aligned, bytes, MADV_HUGEPAGE);
  std::memset(aligned, 1, bytes);
  const size_t control =
      anon_huge_kb(reinterpret_cast<uintptr_t>(aligned), reinterpret_cast<uintptr_t>(aligned) + bytes);
  munmap(raw, span);
  if (control == 0)
    GTEST_SKIP() << "the kernel gives no huge page just now (memory too fragmented)";
  ADD_FAILURE() << "no huge page behind a touched 8 MB block, though the kernel gave one to a plain request";
}
#endif
