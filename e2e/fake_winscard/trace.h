// Appends one line per smart card call to the scenario's trace file, so a
// test can check the arguments the program passed.
#pragma once

#include <string>

namespace fakescard {

void AppendLine(const std::string& path, const std::string& line);
std::string Hex(unsigned long long value);

}  // namespace fakescard
