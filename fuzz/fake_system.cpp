#include "fuzz/fake_system.h"

#include "fuzz/fuzz_input.h"
#include "testsupport/healthy_pc.h"

namespace readercheck::fuzzing {

namespace {

// Any non-null value: the handle is only ever passed back.
ServiceManagerHandle const FIXED_MANAGER = reinterpret_cast<ServiceManagerHandle>(0x5c3);

}  // namespace

LibraryHandle NoLibraries::Load(const char*) {
    FUZZ_CHECK(!"no library is loaded here");
    return nullptr;
}

void* NoLibraries::FindExport(LibraryHandle, const char*) {
    FUZZ_CHECK(!"no library is loaded here");
    return nullptr;
}

void NoLibraries::Free(LibraryHandle) {
    FUZZ_CHECK(!"no library is loaded here");
}

bool FixedVersion::Query(VersionForm, VersionRecord* record) {
    *record = testsupport::HealthyPcVersion();
    return true;
}

ServiceManagerHandle RunningSmartCardService::Open() {
    ++m_openCount;
    return FIXED_MANAGER;
}

uint32_t RunningSmartCardService::EnumerateBatch(ServiceManagerHandle manager, void* buffer,
                                                 uint32_t bufferSize, uint32_t* bytesNeeded,
                                                 uint32_t* servicesReturned, uint32_t*) {
    FUZZ_CHECK(manager == FIXED_MANAGER);
    testsupport::ServiceBatchWriter batch(buffer, bufferSize);
    *servicesReturned = batch.AddAll(testsupport::HealthyPcServices());
    *bytesNeeded = 0;
    return 0;
}

void RunningSmartCardService::Close(ServiceManagerHandle manager) {
    FUZZ_CHECK(manager == FIXED_MANAGER);
    FUZZ_CHECK(m_openCount-- == 1);
}

}  // namespace readercheck::fuzzing
