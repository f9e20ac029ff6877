// Benchmark build only: runs one check with every call of its platform
// interfaces timed, and writes the times through OutputDebugStringA once the
// run has ended, so that writing them costs the run nothing.
#pragma once

#include "check/run_context.h"

namespace bench {

unsigned RunTimedCheck(const readercheck::CheckSystem& system);

}  // namespace bench
