// Pauses of a check run.
#pragma once

#include <windows.h>

#include "check/platform.h"

namespace win32 {

class SleepPauser : public readercheck::Pauser {
public:
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
};

}  // namespace win32
