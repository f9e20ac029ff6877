#include "win32/thread.h"

#include <process.h>

namespace win32 {

UniqueHandle StartThread(ThreadProc proc, void* argument, unsigned* threadId) {
    // _beginthreadex rather than CreateThread, so the C runtime knows the thread.
    uintptr_t thread = _beginthreadex(nullptr, 0, proc, argument, 0, threadId);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the thread's handle
    return UniqueHandle(reinterpret_cast<HANDLE>(thread));
}

}  // namespace win32
