#include "sysinfo/windows_version.h"

#include <cstring>

namespace readercheck {

namespace {

constexpr uint32_t VER_PLATFORM_WIN32_NT_ID = 2;

const char* const UNSUPPORTED = "非対応のWindowsです";
const char* const UNKNOWN = "不明なWindowsバージョンです";
const char* const UNKNOWN_NT5 = "不明なWindowsバージョンです（Win2K系新OS？）";

const char* Windows3Name(const VersionRecord& v) {
    return v.minorVersion == 51 ? UNSUPPORTED : UNKNOWN;
}

// The 9x line tells its members apart by the build byte and, for the second
// edition of 98, by the letter in its service pack text.
const char* Windows4Name(const VersionRecord& v) {
    if (v.platformId == VER_PLATFORM_WIN32_NT_ID) {
        return UNSUPPORTED;
    }
    switch ((v.buildNumber >> 16) & 0xFF) {
        case 0x00:
            return UNSUPPORTED;
        case 0x0A:
            return v.csdVersion[1] == 'A' ? "Windows 98SE" : UNSUPPORTED;
        case 0x5A:
            return "Windows Me";
        default:
            return UNKNOWN;
    }
}

const char* Windows5Name(const VersionRecord& v) {
    switch (v.minorVersion) {
        case 0:
            return "Windows 2000";
        case 1:
            return "Windows XP";
        case 2:
            return UNSUPPORTED;
        default:
            return UNKNOWN_NT5;
    }
}

const char* Windows6Name(const VersionRecord& v) {
    switch (v.minorVersion) {
        case 0:
            return "Windows Vista";
        case 1:
            return "Windows 7";
        default:
            return UNKNOWN;
    }
}

const char* WindowsName(const VersionRecord& v) {
    switch (v.majorVersion) {
        case 3:
            return Windows3Name(v);
        case 4:
            return Windows4Name(v);
        case 5:
            return Windows5Name(v);
        case 6:
            return Windows6Name(v);
        default:
            return UNKNOWN;
    }
}

}  // namespace

bool ReadWindowsVersion(VersionQuery& query, VersionRecord* record) {
    std::memset(record, 0, sizeof *record);
    if (query.Query(VersionForm::Extended, record)) {
        return true;
    }
    std::memset(record, 0, sizeof *record);
    return query.Query(VersionForm::Plain, record);
}

void GetWindowsName(VersionQuery& query, char* buffer) {
    if (buffer == nullptr) {  // GCOVR_EXCL_BR_LINE: only the fuzz target passes none
        return;               // GCOVR_EXCL_LINE: as above
    }
    buffer[0] = '\0';
    VersionRecord version{};
    if (!ReadWindowsVersion(query, &version)) {
        return;
    }
    const char* name = WindowsName(version);
    std::strncat(buffer, name, WINDOWS_NAME_SIZE - 1);
}

std::string GetServicePackText(VersionQuery& query) {
    VersionRecord version{};
    if (!ReadWindowsVersion(query, &version)) {
        return "サービスパックの取得に失敗しました";
    }
    const char* csd = version.csdVersion;
    if (csd[0] == ' ' && csd[1] == '\0') {
        return "サービスパックなし。\r\n";
    }
    // The system ends the text with a zero byte; a text that fills the whole
    // field is taken up to its end and no further.
    const std::string servicePack(csd, strnlen(csd, sizeof version.csdVersion));
    return "サービスパックは　" + servicePack + "　です。\r\n";
}

}  // namespace readercheck
