// The running Windows' name and service pack, as the PC information block
// and the start-up gate read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace readercheck {

// The fields of OSVERSIONINFO(EX)A that the tool uses.
struct VersionRecord {
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
    uint32_t platformId;
    char csdVersion[128];  // szCSDVersion; the system ends it with a zero byte
};

enum class VersionForm {
    Extended,  // OSVERSIONINFOEXA, 156 bytes
    Plain,     // OSVERSIONINFOA, 148 bytes
};

class VersionQuery {
public:
    virtual ~VersionQuery() = default;
    // GetVersionExA on a zero-filled record of the given form; false when it fails.
    virtual bool Query(VersionForm form, VersionRecord* record) = 0;
};

constexpr size_t WINDOWS_NAME_SIZE = 100;

// The extended form first, the plain form when that fails. The record is
// zero-filled before each call; false when both fail.
bool ReadWindowsVersion(VersionQuery& query, VersionRecord* record);

// Empties buffer (WINDOWS_NAME_SIZE bytes) and copies the display name of
// the running Windows into it; leaves it empty when the version is unknown.
void GetWindowsName(VersionQuery& query, char* buffer);

// A sentence about the service pack of the running Windows.
std::string GetServicePackText(VersionQuery& query);

}  // namespace readercheck
