#include "ui/check_thread.h"

#include <new>

#include "ui/check_procedure.h"
#include "win32/service_control_manager.h"
#include "win32/sleep_pauser.h"
#include "win32/system_library_loader.h"
#include "win32/system_version_query.h"
#include "win32/thread.h"

namespace {

// How long a closing dialog waits for its run to give back what it holds.
constexpr DWORD STOP_WAIT_MS = 10000;
// How often the wait retries ending the worker's boxes, in case the worker
// had no message queue yet.
constexpr DWORD QUIT_RETRY_MS = 50;

using LinkHolder = std::shared_ptr<win32::DialogLink>;

unsigned __stdcall CheckThreadProc(void* argument) {
    const LinkHolder link = *static_cast<LinkHolder*>(argument);
    delete static_cast<LinkHolder*>(argument);
    // A queue before the first box, so a closing dialog can always end it.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    win32::DialogCheckWindow window(*link);
    win32::SleepPauser pauser;
    win32::SystemLibraryLoader libraries;
    win32::ServiceControlManager services;
    win32::SystemVersionQuery version;
    readercheck::CheckSystem system{window, pauser, libraries, services, version};
    return RunCheckProcedure(system);
}

}  // namespace

std::unique_ptr<CheckRun> CheckRun::Start(HWND dialog) {
    std::unique_ptr<CheckRun> run(new (std::nothrow) CheckRun(dialog));
    auto* handOver = run ? new (std::nothrow) LinkHolder(run->m_link) : nullptr;
    if (handOver == nullptr) {
        return nullptr;
    }
    unsigned threadId = 0;
    run->m_thread = win32::StartThread(CheckThreadProc, handOver, &threadId);
    if (!run->m_thread) {
        delete handOver;
        return nullptr;
    }
    run->m_threadId = threadId;
    return run;
}

bool CheckRun::Running() const {
    return WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

bool CheckRun::HoldsTheButtons() const {
    return Running() && !m_link->buttonsGivenBack;
}

bool CheckRun::WaitForEnd() {
    // The worker is past its boxes and only gives the buttons back; their
    // messages to this thread are all it needs. The user's clicks and keys
    // wait in the queue for the dialog's own loop.
    return WaitHandling(false, GetTickCount());
}

void CheckRun::Stop() {
    // A worker stuck in a driver call is waited for once: every stop after
    // the first (the dialog's end, its destructor) shares the first's time.
    if (!m_stopStarted) {
        m_stopStarted = true;
        m_stopStart = GetTickCount();
        m_link->gone = true;
    }
    WaitHandling(true, m_stopStart);
}

bool CheckRun::WaitHandling(bool stopping, DWORD start) {
    bool boxesEnded = !stopping;
    while (Running()) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= STOP_WAIT_MS) {
            return false;
        }
        // WM_QUIT ends the modal loop of a box the worker has open, and of any
        // it might still open; the run itself asks no more once it sees `gone`.
        if (!boxesEnded) {
            boxesEnded = PostThreadMessageW(m_threadId, WM_QUIT, 0, 0) != FALSE;
        }
        const DWORD slice = boxesEnded ? STOP_WAIT_MS - waited : QUIT_RETRY_MS;
        HANDLE thread = m_thread.Get();
        const DWORD wakeMask = stopping ? QS_ALLINPUT : QS_SENDMESSAGE;
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, slice, wakeMask) == WAIT_FAILED) {
            return false;
        }
        if (!stopping) {
            MSG msg;  // peeking handles the messages sent to this thread
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for whoever loops next
                return !Running();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}
