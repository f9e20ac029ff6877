#include "ui/reader_check_dlg.h"

#include "check/window_ops.h"
#include "ui/about_dlg.h"
#include "ui/resource.h"
#include "win32/dialog_icon.h"
#include "win32/module.h"

namespace {

// Shown when no worker thread could be made; nothing of a run has started.
const char START_FAILED_TEXT[] =
    "動作確認を開始できませんでした。\r\nもう一度「動 作 確 認 開 始」をクリックしてください。";

// How long the start button waits for the new worker before clearing the log.
constexpr DWORD WORKER_START_WAIT_MS = 50;

}  // namespace

CReaderCheckDlg::CReaderCheckDlg()
    : win32::Dialog(IDD_CHECK_DIALOG),
      m_icon(LoadIconA(win32::ProgramModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_windowBrush(CreateSolidBrush(GetSysColor(COLOR_WINDOW))) {}

CReaderCheckDlg::~CReaderCheckDlg() {
    StopCheck();
    DeleteWindowBrush();
}

void CReaderCheckDlg::StopCheck() {
    if (m_check) {
        m_check->Stop();
        m_check.reset();
    }
}

void CReaderCheckDlg::DeleteWindowBrush() {
    if (m_windowBrush != nullptr) {
        DeleteObject(m_windowBrush);
        m_windowBrush = nullptr;
    }
}

BOOL CReaderCheckDlg::PreTranslateMessage(MSG* msg) {
    // Escape would cancel the dialog, in the middle of a check too.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
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
    return TRUE;
}

void CReaderCheckDlg::AddAboutToSystemMenu(HMENU systemMenu) {
    char text[256];
    if (LoadStringA(win32::ProgramModule(), IDS_ABOUTBOX, text, sizeof text) > 0) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
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
        CAboutDlg about(Handle());
        about.DoModal();
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

HBRUSH CReaderCheckDlg::OnCtlColor(HDC dc, HWND control, int kind) {
    HBRUSH brush = win32::Dialog::OnCtlColor(dc, control, kind);
    // The read-only log box asks as a static control, so the face, the
    // instruction and the log all get the window colour; buttons keep theirs.
    if (kind == CTLCOLOR_STATIC || kind == CTLCOLOR_DLG) {
        // The text colour goes with it, or a dark scheme shows black on black.
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        brush = m_windowBrush;
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
    // Windows may end the process as soon as this returns.
    if (ending) {
        StopCheck();
    }
}

void CReaderCheckDlg::OnStartCheck() {
    // A second click that arrives before the run has disabled the button
    // (a double click, two queued clicks) belongs to the run already started.
    if (m_check && m_check->HoldsTheButtons()) {
        return;
    }
    if (m_check) {
        m_check->WaitForEnd();
    }
    m_check = CheckRun::Start(Handle());
    if (!m_check) {
        MessageBoxA(Handle(), START_FAILED_TEXT, readercheck::ERROR_CAPTION,
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    WaitForSingleObject(m_check->Thread(), WORKER_START_WAIT_MS);
    // The worker's first window calls are messages to this thread, handled once
    // this returns to the loop: its start text replaces the empty one at once.
    SetDlgItemTextA(Handle(), IDC_LOG, "");
    HWND log = GetDlgItem(Handle(), IDC_LOG);
    SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(log), TRUE);
}
