// What the worker thread of a check run does with the system it was given.
// In a file of its own, so that a program built from these sources may link
// another definition.
#pragma once

#include "check/run_context.h"

// One whole check; the worker thread's result.
unsigned RunCheckProcedure(const readercheck::CheckSystem& system);
