#include "ui/reader_check_dlg.h"

#include "check/window_ops.h"
#include "ui/about_dlg.h"
#include "ui/resource.h"
#include "win32/dialog_icon.h"
#include "win32/module.h"
#include "win32/wide_text.h"

namespace {

// Shown when no worker thread could be made; nothing of a run has started.
const char START_FAILED_TEXT[] =
    "動作確認を開始できませんでした。\r\nもう一度「動 作 確 認 開 始」をクリックしてください。";

// How long the start button waits for the new worker before clearing the log.
constexpr DWORD WORKER_START_WAIT_MS = 50;

}  // namespace

CReaderCheckDlg::CReaderCheckDlg()
    : win32::Dialog(IDD_CHECK_DIALOG),
      m_icon(LoadIconA(win32::ProgramModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CReaderCheckDlg::~CReaderCheckDlg() {
    StopCheck();
}

void CReaderCheckDlg::StopCheck() {
    // The run stays owned here until the next start: a message dispatched
    // while it stops must never destroy it under its own Stop.
    if (m_check && !m_stopping) {
        m_stopping = true;
        m_check->Stop();
        m_stopping = false;
    }
}

BOOL CReaderCheckDlg::PreTranslateMessage(MSG* msg) {
    // Escape would cancel the dialog, in the middle of a check too.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        return TRUE;
    }
    // Ctrl+A selects the whole log, to copy it for the customer centre: the
    // multi-line edit control of Windows 7 does not do it by itself.
    if (msg->message == WM_KEYDOWN && msg->wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
        msg->hwnd == GetDlgItem(Handle(), IDC_LOG)) {
        SendMessageW(msg->hwnd, EM_SETSEL, 0, -1);
        return TRUE;
    }
    return win32::Dialog::PreTranslateMessage(msg);
}

BOOL CReaderCheckDlg::OnInitDialog() {
    win32::Dialog::OnInitDialog();
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    if (systemMenu != nullptr) {
        AddAboutToSystemMenu(systemMenu);
    }
    win32::SetWindowIcons(Handle(), m_icon);
    // The user leaves through the exit button only, which a run disables.
    if (systemMenu != nullptr) {
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    // The focus starts on the start button, and through the dialog manager,
    // so the button carries the default style with it: Enter starts a check
    // as a click does, instead of pressing the template's default (exit).
    HWND start = GetDlgItem(Handle(), IDC_START_CHECK);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(start), TRUE);
    return FALSE;  // the focus is set
}

void CReaderCheckDlg::AddAboutToSystemMenu(HMENU systemMenu) {
    wchar_t text[256];
    if (LoadStringW(win32::ProgramModule(), IDS_ABOUTBOX, text, 256) > 0) {
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
    }
}

bool CReaderCheckDlg::OnCommand(int id, int notifyCode, HWND control) {
    if (id == IDC_START_CHECK && notifyCode == BN_CLICKED) {
        OnStartCheck();
        return true;
    }
    return win32::Dialog::OnCommand(id, notifyCode, control);
}

bool CReaderCheckDlg::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        // Not while the dialog ends, nor from a message dispatched while a run
        // stops: that loop must not wait behind a box. Nor during a run, like
        // the buttons: closing the box would give the dialog its input back
        // under a box of the run, and a close would wait for the box.
        if (!IsEnding() && !m_stopping && !RunHoldsTheButtons()) {
            CAboutDlg about(Handle());
            about.DoModal();
        }
        return true;
    }
    // Alt+F4 sends a close command with no mouse position; the greyed menu
    // item and caption button send none at all.
    if (command == SC_CLOSE && lParam == 0) {
        return true;
    }
    return win32::Dialog::OnSysCommand(command, lParam);
}

bool CReaderCheckDlg::OnPaint() {
    return win32::PaintMinimizedIcon(Handle(), m_icon);
}

HICON CReaderCheckDlg::OnQueryDragIcon() {
    return m_icon;
}

void CReaderCheckDlg::OnInitMenuPopup(HMENU menu, bool systemMenu) {
    // The About entry is grey while a run holds the buttons, as they are.
    if (systemMenu) {
        const UINT state = RunHoldsTheButtons() ? MF_GRAYED : MF_ENABLED;
        EnableMenuItem(menu, IDM_ABOUTBOX, MF_BYCOMMAND | state);
    }
}

HBRUSH CReaderCheckDlg::OnCtlColor(HDC dc, HWND control, int kind) {
    HBRUSH brush = win32::Dialog::OnCtlColor(dc, control, kind);
    // The read-only log box asks as a static control, so the face, the
    // instruction and the log all get the window colour; buttons keep theirs.
    if (kind == CTLCOLOR_STATIC || kind == CTLCOLOR_DLG) {
        // The text colour goes with it, or a dark scheme shows black on black.
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        brush = GetSysColorBrush(COLOR_WINDOW);  // follows a scheme switched meanwhile
    }
    return brush;
}

void CReaderCheckDlg::OnDestroy() {
    // The run sees this before the window goes, so a box of it that comes
    // back for lack of an owner is never taken for an answer.
    if (m_check) {
        m_check->MarkDialogGone();
    }
}

void CReaderCheckDlg::OnEndSession(bool ending) {
    // Windows is closing the program (log-off, shutdown, or an installer
    // through the Restart Manager) and may end the process as soon as this
    // returns: the run gives back what it holds, then the dialog ends, so
    // the program leaves by itself.
    if (ending) {
        StopCheck();
    }
    win32::Dialog::OnEndSession(ending);
}

void CReaderCheckDlg::OnStartCheck() {
    // A second click that arrives before the run has disabled the button
    // (a double click, two queued clicks) belongs to the run already started.
    // A click while a run is being stopped or waited for starts nothing
    // either: that run is still on this thread's stack. Nor does a click
    // queued before the dialog began to end.
    if (IsEnding() || m_stopping || (m_check && m_check->HoldsTheButtons())) {
        return;
    }
    if (m_check) {
        // A run that has given the buttons back still frees its library.
        m_stopping = true;
        const bool ended = m_check->WaitForEnd();
        m_stopping = false;
        // Never a second worker beside the first, nor a run for a dialog
        // that Windows ended meanwhile.
        if (!ended || IsEnding()) {
            return;
        }
    }
    m_check = CheckRun::Start(Handle());
    if (!m_check) {
        MessageBoxW(Handle(), win32::WideFromCheckText(START_FAILED_TEXT).c_str(),
                    win32::WideFromCheckText(readercheck::ERROR_CAPTION).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    WaitForSingleObject(m_check->Thread(), WORKER_START_WAIT_MS);
    // The worker's first window calls are messages to this thread, handled once
    // this returns to the loop: its start text replaces the empty one at once.
    SetDlgItemTextW(Handle(), IDC_LOG, L"");
    HWND log = GetDlgItem(Handle(), IDC_LOG);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(log), TRUE);
}
