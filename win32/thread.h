// Worker thread start.
#pragma once

#include "win32/unique_handle.h"

namespace win32 {

using ThreadProc = unsigned(__stdcall*)(void* argument);

// Runs proc(argument) on a new thread, started at once with normal priority
// and the default stack, and gives its id. The caller owns the returned
// handle; it is empty when the thread could not be created, and proc then
// never runs.
UniqueHandle StartThread(ThreadProc proc, void* argument, unsigned* threadId);

}  // namespace win32
