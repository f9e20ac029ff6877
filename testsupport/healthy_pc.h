// The PC that every stage but the one under test runs on: Windows 7 with its
// first service pack, and a service list in which the smart card service runs.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "testsupport/service_batch.h"
#include "sysinfo/windows_version.h"

namespace readercheck::testsupport {

inline VersionRecord MakeVersion(uint32_t major, uint32_t minor, uint32_t build, uint32_t platform,
                                 const std::string& servicePack) {
    VersionRecord record{};
    record.majorVersion = major;
    record.minorVersion = minor;
    record.buildNumber = build;
    record.platformId = platform;
    std::memcpy(record.csdVersion, servicePack.data(),
                std::min(servicePack.size(), sizeof(record.csdVersion)));
    return record;
}

inline VersionRecord HealthyPcVersion(const std::string& servicePack = "Service Pack 1") {
    return MakeVersion(6, 1, 7601, 2, servicePack);  // VER_PLATFORM_WIN32_NT
}

// One batch, the smart card service among others, all running.
inline std::vector<ServiceEntry> HealthyPcServices() {
    constexpr uint32_t running = 4;  // SERVICE_RUNNING, as the system says it
    return {{"AudioSrv", "Windows Audio", running},
            {"SCardSvr", "Smart Card", running},
            {"Spooler", "Print Spooler", running}};
}

}  // namespace readercheck::testsupport
