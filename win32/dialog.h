// A dialog built from a template of the program's resources, run modally by
// its own message loop so that the dialog can see every message first
// (PreTranslateMessage). Derived dialogs override the named handlers they need.
#pragma once

#include <windows.h>

namespace win32 {

class Dialog {
public:
    // owner may be null: the dialog then has no owner and its own taskbar entry.
    explicit Dialog(UINT templateId, HWND owner = nullptr);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the dialog, disables the owner and pumps messages until
    // EndDialog; then destroys the window. Returns the result given to
    // EndDialog, or -1 when the dialog could not be created.
    INT_PTR DoModal();

    HWND Handle() const { return m_hwnd; }

protected:
    // Ends the modal loop with this result.
    void EndDialog(INT_PTR result);
    // EndDialog has been called: the modal loop returns at its next turn.
    bool IsEnding() const { return m_ended; }

    // Sees every message of the modal loop before the dialog's keyboard
    // handling; TRUE means handled, the message goes no further.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Message handlers. A handler that returns false (or a null handle) leaves
    // the message to the system's default dialog handling.
    virtual BOOL OnInitDialog();
    virtual bool OnCommand(int id, int notifyCode, HWND control);
    virtual bool OnSysCommand(WPARAM command, LPARAM lParam);
    virtual bool OnPaint();
    virtual HICON OnQueryDragIcon();
    // A menu of the window (systemMenu: its system menu) is about to open.
    virtual void OnInitMenuPopup(HMENU menu, bool systemMenu);
    // kind is one of the CTLCOLOR_ values (CTLCOLOR_DLG, CTLCOLOR_STATIC ...).
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, int kind);
    // The window is about to go; its controls still exist.
    virtual void OnDestroy();
    // Windows is ending the session (ending true) and may end the process as
    // soon as this returns. Ending, the dialog ends (IDCANCEL): Windows asks
    // each window, and an owner's loop waits for the box open over it.
    virtual void OnEndSession(bool ending);

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    UINT m_templateId;
    HWND m_owner;
    HWND m_hwnd = nullptr;
    bool m_ended = false;
    INT_PTR m_result = -1;
};

}  // namespace win32
