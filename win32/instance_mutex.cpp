#include "win32/instance_mutex.h"

namespace win32 {

InstanceMutex::InstanceMutex(const char* name) : m_mutex(CreateMutexA(nullptr, TRUE, name)) {
    // A copy started elevated creates the mutex with an access list that
    // admits administrators only; the others are then denied it.
    const DWORD error = GetLastError();
    m_heldByAnotherCopy = error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

InstanceMutex::~InstanceMutex() {
    // Only the copy that created the mutex owns it; the other copy's handle
    // merely opened it and is just closed.
    if (m_mutex && !m_heldByAnotherCopy) {
        ReleaseMutex(m_mutex.Get());
    }
}

}  // namespace win32
