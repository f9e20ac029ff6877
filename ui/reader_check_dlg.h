// The check dialog: instruction, start button, log box and exit button. The
// start button runs one check on a worker thread, which then drives the log
// box, the buttons and the message boxes from outside.
#pragma once

#include <memory>

#include "ui/check_thread.h"
#include "win32/dialog.h"

class CReaderCheckDlg : public win32::Dialog {
public:
    CReaderCheckDlg();
    ~CReaderCheckDlg() override;

    // After the modal run: a check that the dialog's closing interrupted
    // gives back what it holds before the program ends.
    void StopCheck();

protected:
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    bool OnSysCommand(WPARAM command, LPARAM lParam) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override;
    void OnInitMenuPopup(HMENU menu, bool systemMenu) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, int kind) override;
    void OnDestroy() override;
    void OnEndSession(bool ending) override;

private:
    void AddAboutToSystemMenu(HMENU systemMenu);
    void OnStartCheck();
    bool RunHoldsTheButtons() const { return m_check && m_check->HoldsTheButtons(); }

    HICON m_icon;                       // shared resource icon, never destroyed
    std::unique_ptr<CheckRun> m_check;  // the last run started, finished or not
    bool m_stopping = false;            // waiting for m_check: it must stay as it is
};
