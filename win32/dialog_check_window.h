// The check dialog as a check run sees it, over the dialog's window handle.
// Every call is a synchronous message to the dialog's thread.
#pragma once

#include <windows.h>

#include <atomic>

#include "check/platform.h"

namespace win32 {

// What a dialog and the worker of its run share. The dialog's thread sets
// `gone` before its window goes away; the worker sets `buttonsGivenBack` just
// before it enables the start button again at the end of the run.
struct DialogLink {
    explicit DialogLink(HWND window) : dialog(window) {}

    const HWND dialog;  // NOLINT(misc-misplaced-const): the handle itself never changes
    std::atomic<bool> gone{false};
    std::atomic<bool> buttonsGivenBack{false};
};

class DialogCheckWindow : public readercheck::CheckWindow {
public:
    explicit DialogCheckWindow(DialogLink& link) : m_link(link) {}

    void SetItemText(int id, const char* text) override;
    int GetLineCount(int id) override;
    void ScrollLines(int id, int lines) override;
    void EnableItem(int id, bool enabled) override;
    int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
    bool IsGone() override;

private:
    DialogLink& m_link;
};

}  // namespace win32
