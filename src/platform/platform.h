#ifndef VYN_PLATFORM_PLATFORM_H
#define VYN_PLATFORM_PLATFORM_H

#include <istream>
#include <mutex>
#include <string>

// The few things the engine needs from the operating system.
namespace Platform {

// The one lock behind synchronised console output. Its holder may take it
// again; it lives until the process ends, so late printers never see it die.
std::recursive_mutex& output_mutex();

// Asks for a higher scheduling priority; the engine runs whatever it gets.
void raise_priority();

// Turns a path written with '\' separators into one for this system.
std::string native_path(const std::string& path);

// Reads one line; a trailing carriage return from a Windows GUI is dropped.
bool read_line(std::istream& in, std::string& line);

}  // namespace Platform

#endif
