#include "win32/instance_mutex.h"

namespace win32 {

InstanceMutex::InstanceMutex(const char* name) : m_mutex(CreateMutexA(nullptr, TRUE, name)) {
    m_heldByAnotherCopy = GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceMutex::~InstanceMutex() {
    // Only the copy that created the mutex owns it; the other copy's handle
    // merely opened it and is just closed.
    if (m_mutex && !m_heldByAnotherCopy) {
        ReleaseMutex(m_mutex.Get());
    }
}

}  // namespace win32
