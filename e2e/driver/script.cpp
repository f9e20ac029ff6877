#include "script.h"

#include <sstream>

namespace uidriver {

std::vector<Command> ParseScript(const std::string& text) {
    std::vector<Command> commands;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        Command command;
        command.line = number;
        for (std::string word; words >> word;) {
            command.words.push_back(word);
        }
        if (!command.words.empty() && command.words[0][0] != '#') {
            commands.push_back(command);
        }
    }
    return commands;
}

std::string HexDecode(const std::string& hex) {
    std::string bytes;
    if (hex == "-") {
        return bytes;  // the empty text
    }
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string HexEncode(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    if (bytes.empty()) {
        return "-";
    }
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

}  // namespace uidriver
