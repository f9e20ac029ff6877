// What the worker thread of a check run does with the system it was given.
// The tool runs the operation check; the benchmark's programs link their own
// definition instead.
#pragma once

#include "check/run_context.h"

// One whole check; the worker thread's result.
unsigned RunCheckProcedure(const readercheck::CheckSystem& system);
