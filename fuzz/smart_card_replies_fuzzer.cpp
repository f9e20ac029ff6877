// Smart card replies of every shape: result codes, reader lists, status
// names, states, protocols, ATRs and version replies with any lengths.
// The first byte picks the whole run (even) or the reader check alone
// (odd); every later byte answers the smart card calls (fake_smart_card.h).
// The user answers Yes, Yes, Yes and the smart card service runs.
#include <cstddef>
#include <cstdint>

#include "check/operation_check.h"
#include "fuzz/fake_smart_card.h"
#include "fuzz/fake_system.h"

using namespace readercheck;
using namespace readercheck::fuzzing;

namespace {

void RunWhole(const CheckSystem& system, const FakeWindow& window) {
    FUZZ_CHECK(RunOperationCheck(system) == 1);
    FUZZ_CHECK(window.ButtonsEnabled());
}

// The reader check alone, so that its log can be held against what the log
// box shows at its end.
void RunReadersOnly(const CheckSystem& system, FakeSmartCard& card, const FakeWindow& window) {
    RunContext run(system);
    LoadedLibrary library(card.Library(), SMART_CARD_LIBRARY);
    FUZZ_CHECK(BindSmartCardApi(card.Library(), library.Get(), &run.api));
    RunReaderCheck(run);
    FUZZ_CHECK(window.Shown() == run.log.Text());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const bool whole = (input.Byte() & 1) == 0;

    FakeSmartCard card(input);
    FakeWindow window;
    NoPause pauser;
    RunningSmartCardService services;
    FixedVersion version;
    const CheckSystem system{window, pauser, card.Library(), services, version};

    if (whole) {
        RunWhole(system, window);
    } else {
        RunReadersOnly(system, card, window);
    }
    card.CheckAllReleased();
    return 0;
}
