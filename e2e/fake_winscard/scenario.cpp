#include "scenario.h"

#include <cstdlib>
#include <sstream>

namespace fakescard {
namespace {

bool ParseNumber(const std::string& text, uint32_t* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    *value = static_cast<uint32_t>(parsed);
    return *end == '\0';
}

bool ParseBytes(const std::string& text, std::vector<uint8_t>* bytes) {
    std::istringstream words(text);
    std::string word;
    bytes->clear();
    while (words >> word) {
        char* end = nullptr;
        unsigned long value = std::strtoul(word.c_str(), &end, 16);
        if (*end != '\0' || value > 0xFF) {
            return false;
        }
        bytes->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

bool ParseGlobalKey(const std::string& key, const std::string& value, Scenario* s) {
    if (key == "trace") {
        s->tracePath = value;
        return true;
    }
    if (key == "list_length") {
        s->hasListLength = true;
        return ParseNumber(value, &s->listLength);
    }
    uint32_t* code = key == "establish" ? &s->establishCode
                     : key == "groups"  ? &s->groupsCode
                     : key == "list"    ? &s->listCode
                     : key == "release" ? &s->releaseCode
                                        : nullptr;
    return code != nullptr && ParseNumber(value, code);
}

bool ParseReaderKey(const std::string& key, const std::string& value, Reader* r) {
    if (key == "card") {
        r->cardPresent = value == "yes";
        return value == "yes" || value == "no";
    }
    if (key == "status_name") {
        r->statusName = value;
        return true;
    }
    if (key == "atr") {
        return ParseBytes(value, &r->atr);
    }
    if (key == "version") {
        return ParseBytes(value, &r->version);
    }
    if (key == "connect") {
        r->hasConnectCode = true;
        return ParseNumber(value, &r->connectCode);
    }
    if (key == "version_length") {
        r->hasVersionLength = true;
        return ParseNumber(value, &r->versionLength);
    }
    uint32_t* number = key == "status"       ? &r->statusCode
                       : key == "state"      ? &r->state
                       : key == "protocol"   ? &r->protocol
                       : key == "control"    ? &r->controlCode
                       : key == "disconnect" ? &r->disconnectCode
                                             : nullptr;
    return number != nullptr && ParseNumber(value, number);
}

std::string TrimLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

}  // namespace

bool ParseScenario(const std::string& text, Scenario* scenario, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = TrimLineEnd(line);
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        size_t blank = line.find(' ', start);
        std::string key = line.substr(start, blank - start);
        std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        bool ok;
        if (key == "reader") {
            scenario->readers.push_back(Reader{});
            scenario->readers.back().name = value;
            ok = !value.empty();
        } else if (ParseGlobalKey(key, value, scenario)) {
            ok = true;
        } else {
            ok =
                !scenario->readers.empty() && ParseReaderKey(key, value, &scenario->readers.back());
        }
        if (!ok) {
            *error = "line " + std::to_string(number) + ": " + line;
            return false;
        }
    }
    return true;
}

}  // namespace fakescard
