// What the simulated smart card system answers during one load of the
// library: read from a small text file each time the library is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fakescard {

struct Reader {
    std::string name;
    bool cardPresent = true;
    bool hasConnectCode = false;
    uint32_t connectCode = 0;
    uint32_t statusCode = 0;
    std::string statusName;  // empty: the reader's own name
    uint32_t state = 6;      // SCARD_SPECIFIC
    uint32_t protocol = 2;   // SCARD_PROTOCOL_T1
    std::vector<uint8_t> atr;
    uint32_t controlCode = 0;
    std::vector<uint8_t> version;
    bool hasVersionLength = false;
    uint32_t versionLength = 0;
    uint32_t disconnectCode = 0;
};

struct Scenario {
    uint32_t establishCode = 0;
    uint32_t groupsCode = 0;
    uint32_t listCode = 0;
    bool hasListLength = false;
    uint32_t listLength = 0;
    uint32_t releaseCode = 0;
    std::string tracePath;
    std::vector<Reader> readers;
};

// One "key value" per line; "reader NAME" opens a block whose keys follow.
// Unknown keys and malformed values are reported in *error.
bool ParseScenario(const std::string& text, Scenario* scenario, std::string* error);

}  // namespace fakescard
