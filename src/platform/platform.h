#ifndef VYN_PLATFORM_PLATFORM_H
#define VYN_PLATFORM_PLATFORM_H

#include <cstddef>
#include <filesystem>
#include <functional>
#include <istream>
#include <mutex>
#include <string>
#include <vector>

// The few things the engine needs from the operating system.
namespace Platform {

// The one lock behind synchronised console output. Its holder may take it
// again; it lives until the process ends, so late printers never see it die.
std::recursive_mutex& output_mutex();

// Asks for a higher scheduling priority; the engine runs whatever it gets.
void raise_priority();

// Turns a path written with '\' separators into one for this system.
std::string native_path(const std::string& path);

// The engine's paths are UTF-8 text (as GUIs send them); this is the same
// path for the standard library's file streams and filesystem calls.
std::filesystem::path to_path(const std::string& path);

// Moves the file from over to, replacing an existing to. False when nothing
// was moved.
bool replace_file(const std::string& from, const std::string& to);

// Reads one line; a trailing carriage return from a Windows GUI is dropped.
bool read_line(std::istream& in, std::string& line);

// Reads what standard input has, up to size bytes, waiting until something
// comes; 0 at its end or on an error. It bypasses the C library's buffers and
// locks, so a thread may stay blocked in it while the process ends; it is
// not to be mixed with std::cin.
long long read_input(char* buffer, size_t size);

// The largest personality or book file the engine reads: far above any real
// one, so an endless or huge file is never read.
constexpr size_t MaxTextFileSize = size_t(4) << 20;

// A regular file (after links) that can be opened for reading and holds at
// most maxBytes. Devices, pipes and directories are not: reading them could
// block or never end.
bool is_readable_file(const std::string& path, size_t maxBytes = MaxTextFileSize);

// Reads the whole of such a file; false, with content empty, for anything
// else, which callers treat as a file that cannot be opened.
bool read_text_file(const std::string& path, std::string& content, size_t maxBytes = MaxTextFileSize);

// Names of the entries of dir whose names end in extension (".ypf"), letter
// case ignored, in no particular order. Entries of every kind are listed; a
// missing or unreadable directory gives what could be read, never an error.
std::vector<std::string> list_files(const std::string& dir, const std::string& extension);

// Zeroed memory for one large, randomly probed table (the transposition
// table), aligned to large_alignment() and on large pages where the system
// gives them without privileges. Null when it cannot be had.
void* allocate_large(size_t bytes);

// Gives back a block from allocate_large; bytes is the count it was asked
// for. Null is ignored.
void free_large(void* mem, size_t bytes);

// What allocate_large's blocks are aligned to: a power of two, at least a
// cache line.
size_t large_alignment();

// Hands a file to the desktop (a page to the user's browser) and returns at
// once; whether anything opens is not reported.
void open_page(const std::string& path);

// Replaces what open_page does (tests record the path instead of starting a
// browser); an empty function restores the desktop opener.
void set_page_opener(std::function<void(const std::string&)> opener);

}  // namespace Platform

#endif
