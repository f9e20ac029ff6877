// The check dialog as a check run sees it, over the dialog's window handle.
// Every call is a synchronous message to the dialog's thread; a handle whose
// window has gone makes each call a harmless no-op.
#pragma once

#include <windows.h>

#include "check/platform.h"

namespace win32 {

class DialogCheckWindow : public readercheck::CheckWindow {
public:
    explicit DialogCheckWindow(HWND dialog) : m_dialog(dialog) {}

    void SetItemText(int id, const char* text) override;
    int GetLineCount(int id) override;
    void ScrollLines(int id, int lines) override;
    void EnableItem(int id, bool enabled) override;
    int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
    bool IsGone() override { return !IsWindow(m_dialog); }

private:
    HWND m_dialog;
};

}  // namespace win32
