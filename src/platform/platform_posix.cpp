// The POSIX half of the platform layer.
#ifndef _WIN32

#include "platform/platform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/platform_internal.h"

extern char** environ;

namespace fs = std::filesystem;

namespace Platform {

namespace {

// The program's full path as the PATH search would find it, or empty. Done
// before forking, where looking it up would not be safe.
std::string find_program(const std::string& name) {
  const char* env = std::getenv("PATH");
  const std::string dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos)
      end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return "";
}

}  // namespace

// Starts xdg-open on the page without a shell and without waiting for it. The
// grandchild is orphaned at once, so no zombie is left behind, and its
// standard streams go to /dev/null: a browser must never write into the
// protocol stream or read the GUI's commands.
void detail::desktop_open(const std::string& path) {
  const std::string program = find_program("xdg-open");
  if (program.empty())
    return;

  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const std::string target = ec ? path : absolute.string();

  char arg0[] = "xdg-open";
  char* const argv[] = {arg0, const_cast<char*>(target.c_str()), nullptr};
  const long openMax = sysconf(_SC_OPEN_MAX);
  const int maxFd = openMax > 0 && openMax < 4096 ? int(openMax) : 4096;

  const pid_t child = fork();
  if (child < 0)
    return;

  if (child == 0) {
    // Other threads may hold locks: only async-signal-safe calls from here on.
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      const int devNull = open("/dev/null", O_RDWR);
      if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(devNull, 1) < 0 || dup2(devNull, 2) < 0)
        _exit(127);
      for (int fd = 3; fd < maxFd; ++fd)
        close(fd);
      execve(program.c_str(), argv, environ);
      _exit(127);
    }
    _exit(0);
  }

  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

void raise_priority() {
  // Only from the default: a priority lowered by the user or a tournament
  // manager is their choice. Raising needs privileges most users lack;
  // failure is expected and harmless.
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (current == 0 && errno == 0)
    (void)setpriority(PRIO_PROCESS, 0, -5);
}

// An interrupted read, or one that would block on a non-blocking input, is
// not the end of input: wait for data and read again.
long long read_input(char* buffer, size_t size) {
  while (true) {
    const ssize_t n = read(0, buffer, size);
    if (n >= 0)
      return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd in = {0, POLLIN, 0};
      if (poll(&in, 1, -1) < 0 && errno != EINTR)
        return 0;
    } else if (errno != EINTR)
      return 0;
  }
}

namespace {

// One x86-64 huge page; the kernel can back a range with one only when it
// is aligned to it.
constexpr size_t HugePageSize = size_t(2) << 20;

size_t huge_page_length(size_t bytes) { return (bytes + HugePageSize - 1) & ~(HugePageSize - 1); }

}  // namespace

// Mapped anonymously, so the kernel zeroes it lazily; one huge page more is
// mapped so that an aligned start can be cut out of it.
void* allocate_large(size_t bytes) {
  if (bytes == 0 || bytes > SIZE_MAX - 2 * HugePageSize)
    return nullptr;
  const size_t length = huge_page_length(bytes);
  void* const raw = mmap(nullptr, length + HugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED)
    return nullptr;

  const uintptr_t start = uintptr_t(raw);
  const uintptr_t aligned = (start + HugePageSize - 1) & ~uintptr_t(HugePageSize - 1);
  if (aligned > start)
    munmap(raw, aligned - start);
  if (const size_t tail = start + HugePageSize - aligned)
    munmap(reinterpret_cast<void*>(aligned + length), tail);

  void* const mem = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  // Refused where huge pages are off or unknown: ordinary pages serve.
  (void)madvise(mem, length, MADV_HUGEPAGE);
#endif
  return mem;
}

void free_large(void* mem, size_t bytes) {
  if (mem)
    munmap(mem, huge_page_length(bytes));
}

size_t large_alignment() { return HugePageSize; }

std::string native_path(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\')
      c = '/';
  return p;
}

// Opened without blocking (a pipe with no writer would wait forever), and
// kept only when it is a regular file within the size.
detail::FileHandle detail::open_small_file(const std::string& path, size_t maxBytes, size_t& size) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return NoFile;

  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || uint64_t(st.st_size) > maxBytes) {
    close(fd);
    return NoFile;
  }
  size = size_t(st.st_size);
  return fd;
}

long long detail::read_some(FileHandle file, char* buffer, size_t n) {
  ssize_t got;
  while ((got = read(int(file), buffer, n)) < 0 && errno == EINTR) {
  }
  return got;
}

void detail::close_file(FileHandle file) { close(int(file)); }

std::vector<std::string> list_files(const std::string& dir, const std::string& extension) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (detail::ends_with_ignoring_case(name, extension))
      names.push_back(std::move(name));
  }
  return names;
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace Platform

#endif  // !_WIN32
