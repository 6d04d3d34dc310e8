#include "board/misc.h"

#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "platform/platform.h"

namespace {

const std::string Version = "26.8.1";

// Copies everything that passes through a console buffer into the log file.
struct Tie : public std::streambuf {
  Tie(std::streambuf* b, std::streambuf* l) : buf(b), logBuf(l) {}

  int sync() override { return logBuf->pubsync(), buf->pubsync(); }
  int overflow(int c) override { return log(buf->sputc(char(c)), "<< "); }
  int underflow() override { return buf->sgetc(); }
  int uflow() override { return log(buf->sbumpc(), ">> "); }

  std::streambuf *buf, *logBuf;

  int log(int c, const char* prefix) {
    static int last = '\n';  // shared by both directions
    if (last == '\n')
      logBuf->sputn(prefix, 3);
    return last = logBuf->sputc(char(c));
  }
};

class Logger {
  Logger() : in(std::cin.rdbuf(), file.rdbuf()), out(std::cout.rdbuf(), file.rdbuf()) {}
  ~Logger() { start(false); }

  std::ofstream file;
  Tie in, out;

 public:
  static void start(bool b) {
    static Logger l;

    if (b && !l.file.is_open()) {
      l.file.open("io_log.txt", std::ifstream::out);
      std::cin.rdbuf(&l.in);
      std::cout.rdbuf(&l.out);
    } else if (!b && l.file.is_open()) {
      std::cout.rdbuf(l.out.buf);
      std::cin.rdbuf(l.in.buf);
      l.file.close();
    }
  }
};

int64_t hits[2], means[2];

}  // namespace

const std::string engine_info(bool toUci) {
  std::stringstream ss;
  ss << "VYN " << Version << " 64" << " POPCNT" << (toUci ? "\nid author " : " by ") << "Quellmark";
  return ss.str();
}

void dbg_hit_on(bool b) {
  ++hits[0];
  if (b)
    ++hits[1];
}

void dbg_hit_on(bool c, bool b) {
  if (c)
    dbg_hit_on(b);
}

void dbg_mean_of(int v) {
  ++means[0];
  means[1] += v;
}

void dbg_print() {
  if (hits[0])
    std::cerr << "Total " << hits[0] << " Hits " << hits[1] << " hit rate (%) "
              << 100 * hits[1] / hits[0] << std::endl;
  if (means[0])
    std::cerr << "Total " << means[0] << " Mean " << double(means[1]) / means[0] << std::endl;
}

std::ostream& operator<<(std::ostream& os, SyncCout sc) {
  if (sc == SYNC_COUT_LOCK)
    Platform::output_mutex().lock();
  if (sc == SYNC_COUT_UNLOCK)
    Platform::output_mutex().unlock();
  return os;
}

void start_logger(bool b) { Logger::start(b); }
