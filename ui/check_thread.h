// The worker thread of one check run.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

// Starts a check run on a new thread that drives the dialog through its window
// handle alone. The thread never touches a dialog object, so the dialog may
// close and the process end while a run is under way. An empty handle when the
// thread could not be created.
win32::UniqueHandle StartCheckThread(HWND dialog);
