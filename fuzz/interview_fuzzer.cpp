// The interview with every box result from the input: four bytes per box,
// taken as any int, so results other than Yes and No (such as 0 for a box
// that could not be shown) come up as often as the two answers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/operation_check.h"
#include "fuzz/fake_system.h"

using namespace readercheck;
using namespace readercheck::fuzzing;

namespace {

class NoServices : public ServiceManager {
public:
    ServiceManagerHandle Open() override {
        FUZZ_CHECK(!"the interview reads no service list");
        return nullptr;
    }
    uint32_t EnumerateBatch(ServiceManagerHandle, void*, uint32_t, uint32_t*, uint32_t*,
                            uint32_t*) override {
        FUZZ_CHECK(!"the interview reads no service list");
        return 0;
    }
    void Close(ServiceManagerHandle) override {
        FUZZ_CHECK(!"the interview reads no service list");
    }
};

bool IsOneFramedEntry(const std::string& log) {
    const std::string frame(65, '/');
    const std::string head = frame + "\r\n";
    const std::string tail = frame + "\r\n\r\n";
    return log.size() > head.size() + tail.size() && log.compare(0, head.size(), head) == 0 &&
           log.compare(log.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    FakeWindow window(&input);
    NoPause pauser;
    NoLibraries libraries;
    NoServices services;
    FixedVersion version;
    const CheckSystem system{window, pauser, libraries, services, version};

    RunContext run(system);
    const StageOutcome outcome = RunInterview(run);

    FUZZ_CHECK(window.Shown() == run.log.Text());
    FUZZ_CHECK(window.Questions() >= 1 && window.Questions() <= 8);
    FUZZ_CHECK(window.Notices() <= 1);
    if (outcome == StageOutcome::Continue) {
        // Going on writes nothing and warns of nothing.
        FUZZ_CHECK(run.log.Text().empty() && window.Warnings() == 0);
    } else {
        FUZZ_CHECK(window.Warnings() == 1 && IsOneFramedEntry(run.log.Text()));
    }
    return 0;
}
