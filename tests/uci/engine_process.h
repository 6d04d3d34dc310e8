#ifndef VYN_TESTS_ENGINE_PROCESS_H
#define VYN_TESTS_ENGINE_PROCESS_H

// Runs the built engine as a GUI would: a child process fed through its
// standard input, read line by line from its standard output, every read
// with a timeout. VYN_ENGINE, when set, is the command that starts the engine
// instead of the built binary (words separated by blanks, looked up on PATH),
// for example "wine /path/vyn.exe"; a Windows engine ends its lines in CR LF,
// so a trailing CR is dropped from every line read.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

class EngineProcess {
 public:
  // Starts the engine in workDir with the given arguments; its standard
  // input may be non-blocking, as some callers leave it.
  explicit EngineProcess(const std::string& workDir, const std::vector<std::string>& args = {},
                         bool nonblockingInput = false) {
    std::vector<std::string> words = engine_command();
    words.insert(words.end(), args.begin(), args.end());
    start(workDir, words, nonblockingInput);
  }

  // A shell script in place of the engine, for callers such as loops; $ENGINE
  // in it is the engine's command (its words hold no blanks, see above).
  struct Shell {
    std::string script;
  };
  EngineProcess(const Shell& shell, const std::string& workDir) {
    std::string engine;
    for (const std::string& w : engine_command())
      engine += w + " ";
    start(workDir, {"/bin/sh", "-c", "ENGINE='" + engine + "'; " + shell.script}, false);
  }

  ~EngineProcess() {
    if (toEngine >= 0)
      close(toEngine);
    if (pid > 0 && !exited) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (fromEngine >= 0)
      close(fromEngine);
    if (errors >= 0)
      close(errors);
  }

  bool started() const { return pid > 0; }

  // A path as the engine prints it: "personality\\x.ypf" keeps its '\\' for
  // a Windows engine (a command ending in ".exe") and takes '/' otherwise.
  static std::string engine_path(std::string path) {
    const std::string program = engine_command().back();
    const bool windows = program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
    if (!windows)
      for (char& c : path)
        if (c == '\\')
          c = '/';
    return path;
  }

  // The words of VYN_ENGINE, or the built binary.
  static std::vector<std::string> engine_command() {
    std::vector<std::string> words;
    if (const char* env = std::getenv("VYN_ENGINE")) {
      std::istringstream ss(env);
      for (std::string w; ss >> w;)
        words.push_back(w);
    }
    if (words.empty())
      words.push_back(VYN_BINARY);
    return words;
  }

  void send(const std::string& text) {
    const std::string line = text + "\n";
    if (write(toEngine, line.data(), line.size()) < 0) {
    }
  }

  void send_raw(const std::string& bytes) {
    if (write(toEngine, bytes.data(), bytes.size()) < 0) {
    }
  }

  void close_input() {
    close(toEngine);
    toEngine = -1;
  }

  // The next line of standard output, or false after the timeout or at its end.
  bool read_line(std::string& line, int timeoutMs = 10000) { return read_from(fromEngine, outBuffer, line, timeoutMs); }

  bool read_error_line(std::string& line, int timeoutMs = 10000) {
    return read_from(errors, errBuffer, line, timeoutMs);
  }

  // Reads until a line starts with prefix; every line read is kept in seen.
  bool expect(const std::string& prefix, std::vector<std::string>* seen = nullptr, int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (true) {
      const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now())
                               .count());
      if (left <= 0 || !read_line(line, left))
        return false;
      if (seen)
        seen->push_back(line);
      if (line.rfind(prefix, 0) == 0)
        return true;
    }
  }

  // Lines that arrive within the given time.
  std::vector<std::string> drain(int timeoutMs) {
    std::vector<std::string> lines;
    std::string line;
    while (read_line(line, timeoutMs))
      lines.push_back(line);
    return lines;
  }

  // Waits for the process to end; its exit status, or -1 after the timeout.
  int wait_exit(int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      int status;
      const pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid) {
        exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }

 private:
  void start(const std::string& workDir, std::vector<std::string> words, bool nonblockingInput) {
    // Built before forking: the child only execs.
    std::vector<char*> argv;
    for (std::string& w : words)
      argv.push_back(&w[0]);
    argv.push_back(nullptr);

    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err))
      return;

    pid = fork();
    if (pid == 0) {
      dup2(in[0], 0);
      if (nonblockingInput)
        fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
      dup2(out[1], 1);
      dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
        close(fd);
      if (chdir(workDir.c_str()) != 0)
        _exit(127);
      execvp(argv[0], argv.data());
      _exit(127);
    }

    close(in[0]);
    close(out[1]);
    close(err[1]);
    toEngine = in[1];
    fromEngine = out[0];
    errors = err[0];
    signal(SIGPIPE, SIG_IGN);
  }

  static bool read_from(int fd, std::string& buffer, std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      const size_t nl = buffer.find('\n');
      if (nl != std::string::npos) {
        line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
          line.pop_back();
        return true;
      }
      const int left = int(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
      if (left <= 0)
        return false;

      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, left) <= 0)
        return false;

      char chunk[4096];
      const ssize_t n = read(fd, chunk, sizeof(chunk));
      if (n <= 0)
        return false;
      buffer.append(chunk, size_t(n));
    }
  }

  pid_t pid = -1;
  int toEngine = -1, fromEngine = -1, errors = -1;
  bool exited = false;
  std::string outBuffer, errBuffer;
};

#endif
