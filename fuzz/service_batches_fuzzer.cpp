// The service list served batch after batch from the input. Layout, in the
// order the check asks:
//   Open            one byte: 0xFF fails (null handle), anything else opens
//   each batch      error: one byte, 0 success, 1 or 2 ERROR_MORE_DATA,
//                   3 any code from four more bytes (byte % 4)
//                   records: one byte count, then per record service name,
//                   display name (each a name, see TakeName) and state (value)
//                   returned count: one byte, 0 honest (byte % 4), 1 the
//                   records plus one more byte, 2 any four bytes, 3 the
//                   buffer's whole capacity and beyond
// After MAX_BATCHES the list ends with an empty successful batch.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "check/operation_check.h"
#include "fuzz/fake_system.h"
#include "fuzz/fuzz_input.h"
#include "testsupport/service_batch.h"

using namespace readercheck;
using namespace readercheck::fuzzing;
using readercheck::testsupport::ServiceBatchWriter;

namespace {

constexpr int MAX_BATCHES = 40;

// The names the check looks for and their near misses.
const char* const NAMES[] = {
    "SCardSvr",
    "Smart Card Resource Manager",
    "Smart Card",
    "scardsvr",
    "SCARDSVR",
    "SCardSvr ",
    " SCardSvr",
    "SCardSv",
    "SCardSvrX",
    "Smart Card Resource Manage",
    "Smart Card Resource Manager ",
    "smart card resource manager",
    "Smart Card Resource ManagerX",
    "",
};
constexpr size_t NAME_COUNT = sizeof NAMES / sizeof NAMES[0];

// One byte: an index into NAMES, or past them a block of any bytes.
std::string TakeName(FuzzInput& input) {
    const size_t pick = input.Byte() % (NAME_COUNT + 1);
    if (pick < NAME_COUNT) {
        return NAMES[pick];
    }
    const FuzzInput::Block block = input.TakeBlock();
    return std::string(reinterpret_cast<const char*>(block.data), block.size);
}

class FuzzedServiceManager : public ServiceManager {
public:
    explicit FuzzedServiceManager(FuzzInput& input) : m_input(input) {}

    ServiceManagerHandle Open() override;
    uint32_t EnumerateBatch(ServiceManagerHandle manager, void* buffer, uint32_t bufferSize,
                            uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override;
    void Close(ServiceManagerHandle manager) override;

    // The handle closed exactly when one was opened.
    void CheckClosed() const { FUZZ_CHECK(m_opened == m_closed); }

private:
    uint32_t TakeError();
    uint32_t FillBatch(void* buffer, uint32_t bufferSize);

    FuzzInput& m_input;
    std::deque<std::string> m_strings;  // names of a batch that overstates its count
    bool m_opened = false;
    bool m_closed = false;
    bool m_listEnded = false;
    int m_batches = 0;
    uint32_t m_resume = 0;
};

ServiceManagerHandle const MANAGER = reinterpret_cast<ServiceManagerHandle>(0x5c3);

ServiceManagerHandle FuzzedServiceManager::Open() {
    FUZZ_CHECK(!m_opened);
    if (m_input.Byte() == 0xFF) {
        return nullptr;
    }
    m_opened = true;
    return MANAGER;
}

uint32_t FuzzedServiceManager::TakeError() {
    switch (m_input.Byte() % 4) {
        case 0:
            return 0;
        case 3:
            return m_input.U32();
        default:
            return 234;  // ERROR_MORE_DATA
    }
}

// Lays out the batch's records and returns the count the batch claims.
uint32_t FuzzedServiceManager::FillBatch(void* buffer, uint32_t bufferSize) {
    const int records = m_input.Byte();
    const int claim = m_input.Byte() % 4;
    m_strings.clear();
    ServiceBatchWriter batch = claim == 0 ? ServiceBatchWriter(buffer, bufferSize)
                                          : ServiceBatchWriter(buffer, bufferSize, &m_strings);
    for (int i = 0; i < records; ++i) {
        const std::string serviceName = TakeName(m_input);
        const std::string displayName = TakeName(m_input);
        batch.Add(serviceName, displayName, m_input.Value());
    }
    switch (claim) {
        case 1:
            return batch.PadTo(batch.Count() + 1 + m_input.Byte());
        case 2: {
            const uint32_t count = m_input.U32();
            batch.PadTo(count);
            return count;
        }
        case 3: {
            const uint32_t count = bufferSize / sizeof(ServiceStatusRecord) + m_input.Byte();
            batch.PadTo(count);
            return count;
        }
        default:
            return batch.Count();
    }
}

uint32_t FuzzedServiceManager::EnumerateBatch(ServiceManagerHandle manager, void* buffer,
                                              uint32_t bufferSize, uint32_t* bytesNeeded,
                                              uint32_t* servicesReturned, uint32_t* resumeHandle) {
    FUZZ_CHECK(m_opened && !m_closed && manager == MANAGER);
    FUZZ_CHECK(!m_listEnded);  // a successful batch is the last one asked for
    FUZZ_CHECK(buffer != nullptr && bytesNeeded != nullptr && servicesReturned != nullptr);
    FUZZ_CHECK(*bytesNeeded == 0 && *servicesReturned == 0);
    FUZZ_CHECK(resumeHandle != nullptr && *resumeHandle == m_resume);
    if (++m_batches > MAX_BATCHES) {
        m_listEnded = true;
        return 0;
    }
    const uint32_t error = TakeError();
    *servicesReturned = FillBatch(buffer, bufferSize);
    *bytesNeeded = m_input.Value();
    *resumeHandle = m_resume = m_batches;
    m_listEnded = error == 0;
    return error;
}

void FuzzedServiceManager::Close(ServiceManagerHandle manager) {
    FUZZ_CHECK(m_opened && !m_closed && manager == MANAGER);
    m_closed = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    FuzzedServiceManager services(input);
    FakeWindow window;
    NoPause pauser;
    FixedVersion version;
    NoLibraries libraries;
    const CheckSystem system{window, pauser, libraries, services, version};

    RunContext run(system);
    const StageOutcome outcome = RunServiceCheck(run);

    services.CheckClosed();
    FUZZ_CHECK(window.Shown() == run.log.Text());
    // Every finding is told in a box, and only a run without one goes on.
    FUZZ_CHECK((outcome == StageOutcome::Continue) == (window.Warnings() == 0));
    return 0;
}
