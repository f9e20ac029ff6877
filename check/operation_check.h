// The check run and its stages, in the order a run calls them.
#pragma once

#include "check/run_context.h"

namespace readercheck {

// The worker thread's procedure: one whole check. Always returns 1.
unsigned RunOperationCheck(const CheckSystem& system);

StageOutcome RunInterview(RunContext& run);
StageOutcome RunServiceCheck(RunContext& run);
void RunReaderCheck(RunContext& run);
void RunReaderTest(RunContext& run, ScardContext context, const char* name);

// The pause before each of the smart card steps 2, 3, 4, 5, 7 and 8.
constexpr unsigned STEP_PAUSE_MS = 500;

// The maker's readers are those whose names begin with these 12 bytes.
extern const char READER_NAME_PREFIX[];
constexpr size_t READER_NAME_PREFIX_LENGTH = 12;

}  // namespace readercheck
