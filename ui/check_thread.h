// The worker thread of one check run, as the check dialog holds it.
#pragma once

#include <windows.h>

#include <memory>

#include "win32/dialog_check_window.h"
#include "win32/unique_handle.h"

class CheckRun {
public:
    // Starts a run on a new thread that drives the dialog through its window
    // handle alone. Null when the thread could not be created.
    static std::unique_ptr<CheckRun> Start(HWND dialog);

    HANDLE Thread() const { return m_thread.Get(); }

    // The worker is still running and has not given the buttons back yet, so
    // a click on the start button belongs to this run.
    bool HoldsTheButtons() const;

    // Waits for a run that has given the buttons back and only frees its
    // library now, handling the window calls it still sends meanwhile. False
    // when it has not ended within the bounded time.
    bool WaitForEnd();

    // The dialog's window is going away: from here the run shows nothing.
    void MarkDialogGone() { m_link->gone = true; }

    // The dialog is going away. The run stops at its next call into the
    // window or the system and gives back what it holds; a box it has open
    // is ended. Waits for that while dispatching this thread's messages (the
    // worker's window calls are messages to it), for a bounded time: a worker
    // stuck in a driver call does not keep the process alive. The time counts
    // from the first call: a later one waits only for what is left of it.
    void Stop();

private:
    explicit CheckRun(HWND dialog) : m_link(std::make_shared<win32::DialogLink>(dialog)) {}

    bool Running() const;
    // Waits for the worker until the bounded time from start is over.
    // Stopping, it ends the worker's boxes and dispatches every message of
    // this thread; otherwise it handles only the messages sent to this thread.
    bool WaitHandling(bool stopping, DWORD start);

    std::shared_ptr<win32::DialogLink> m_link;  // the worker holds it too
    win32::UniqueHandle m_thread;
    DWORD m_threadId = 0;
    bool m_stopStarted = false;
    DWORD m_stopStart = 0;  // tick count of the first Stop
};
