#include "ui/check_thread.h"

#include <memory>
#include <new>

#include "check/operation_check.h"
#include "win32/dialog_check_window.h"
#include "win32/service_control_manager.h"
#include "win32/sleep_pauser.h"
#include "win32/system_library_loader.h"
#include "win32/system_version_query.h"
#include "win32/thread.h"
#ifdef READERCHECK_STAGE_TIMES
#include "tools/bench/stage_times.h"
#endif

namespace {

// Handed from the starting thread to the worker, which frees it.
struct CheckStart {
    HWND dialog;
};

unsigned __stdcall CheckThreadProc(void* argument) {
    std::unique_ptr<CheckStart> start(static_cast<CheckStart*>(argument));
    win32::DialogCheckWindow window(start->dialog);
    win32::SleepPauser pauser;
    win32::SystemLibraryLoader libraries;
    win32::ServiceControlManager services;
    win32::SystemVersionQuery version;
    readercheck::CheckSystem system{window, pauser, libraries, services, version};
#ifdef READERCHECK_STAGE_TIMES
    return bench::RunTimedCheck(system);  // the benchmark's build only
#else
    return readercheck::RunOperationCheck(system);
#endif
}

}  // namespace

win32::UniqueHandle StartCheckThread(HWND dialog) {
    std::unique_ptr<CheckStart> start(new (std::nothrow) CheckStart{dialog});
    if (!start) {
        return win32::UniqueHandle();
    }
    win32::UniqueHandle thread = win32::StartThread(CheckThreadProc, start.get());
    if (thread) {
        start.release();  // the worker owns it now
    }
    return thread;
}
