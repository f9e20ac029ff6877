// The parts of the system that a fuzz target keeps fixed while it varies
// another: no pauses and the healthy PC (testsupport/healthy_pc.h).
#pragma once

#include <cstdint>

#include "check/platform.h"
#include "sysinfo/windows_version.h"

namespace readercheck::fuzzing {

// A fuzzed run must not sleep through its 500 ms pauses.
class NoPause : public Pauser {
public:
    void Pause(unsigned) override {}
};

// For the stages that load no library.
class NoLibraries : public LibraryLoader {
public:
    LibraryHandle Load(const char*) override;
    void* FindExport(LibraryHandle, const char*) override;
    void Free(LibraryHandle) override;
};

class FixedVersion : public VersionQuery {
public:
    bool Query(VersionForm form, VersionRecord* record) override;
};

// One batch of the healthy PC's services.
class RunningSmartCardService : public ServiceManager {
public:
    ServiceManagerHandle Open() override;
    uint32_t EnumerateBatch(ServiceManagerHandle manager, void* buffer, uint32_t bufferSize,
                            uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override;
    void Close(ServiceManagerHandle manager) override;

private:
    int m_openCount = 0;
};

}  // namespace readercheck::fuzzing
