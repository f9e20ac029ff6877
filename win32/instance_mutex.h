// The named mutex that lets only one copy of the program run at a time.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace win32 {

class InstanceMutex {
public:
    // Creates the mutex initially owned. A mutex that cannot be created is
    // no reason to stop: that copy then simply runs unprotected.
    explicit InstanceMutex(const char* name);
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // Another copy created the mutex first and is still running.
    bool HeldByAnotherCopy() const { return m_heldByAnotherCopy; }

private:
    UniqueHandle m_mutex;
    bool m_heldByAnotherCopy = false;
};

}  // namespace win32
