// The driver's input: one command per line, words separated by blanks. Texts
// that must keep their exact bytes travel as hexadecimal words.
#pragma once

#include <string>
#include <vector>

namespace uidriver {

struct Command {
    int line = 0;
    std::vector<std::string> words;  // words[0] is the verb
};

std::vector<Command> ParseScript(const std::string& text);
std::string HexDecode(const std::string& hex);
std::string HexEncode(const std::string& bytes);

}  // namespace uidriver
