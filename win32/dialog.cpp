#include "win32/dialog.h"

#include "win32/module.h"

namespace win32 {
namespace {

// The work area of the monitor the window is on (of the primary screen
// should that be unknown, or the whole primary screen as the last resort).
RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return monitor.rcWork;
    }
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return area;
}

// Moves start so that start + size ends inside [low, high]; the start wins
// when the size does not fit: a window's title bar must stay within reach.
int KeepInside(int start, int size, LONG low, LONG high) {
    if (start + size > high) {
        start = high - size;
    }
    return start < low ? low : start;
}

// Templates place the dialogs at 0, 0; open them in the middle of the owner,
// or of the work area when there is none, and never beyond that work area
// (a tall dialog at a high DPI, a small screen).
void CenterWindow(HWND window, HWND owner) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return;  // left where the template put it
    }
    const RECT work = WorkAreaOf(owner != nullptr ? owner : window);
    RECT area = work;
    if (owner != nullptr && !GetWindowRect(owner, &area)) {
        area = work;
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    x = KeepInside(x, width, work.left, work.right);
    y = KeepInside(y, height, work.top, work.bottom);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Dialog::Dialog(UINT templateId, HWND owner) : m_templateId(templateId), m_owner(owner) {}

INT_PTR Dialog::DoModal() {
    m_ended = false;
    m_result = -1;
    HWND hwnd = CreateDialogParamW(ProgramModule(), MAKEINTRESOURCEW(m_templateId), m_owner,
                                   StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) {
        return -1;
    }
    // EnableWindow returns nonzero when the window was disabled already.
    bool ownerWasEnabled = m_owner != nullptr && !EnableWindow(m_owner, FALSE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    RunModalLoop();
    // Give the owner back its input before the dialog goes, so it becomes the
    // active window again.
    if (ownerWasEnabled) {
        EnableWindow(m_owner, TRUE);
    }
    DestroyWindow(hwnd);
    return m_result;
}

void Dialog::RunModalLoop() {
    MSG msg;
    while (!m_ended) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            // Leave WM_QUIT for an outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!PreTranslateMessage(&msg) && !IsDialogMessageW(m_hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Dialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_ended = true;
    // Wakes the loop when the handler ran inside GetMessage, as a message sent
    // from another thread does.
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

BOOL Dialog::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL Dialog::OnInitDialog() {
    CenterWindow(m_hwnd, m_owner);
    return TRUE;  // focus on the first tab stop
}

bool Dialog::OnCommand(int id, int notifyCode, HWND) {
    if (notifyCode == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
        EndDialog(id);
        return true;
    }
    return false;
}

bool Dialog::OnSysCommand(WPARAM, LPARAM) {
    return false;
}

bool Dialog::OnPaint() {
    return false;
}

HICON Dialog::OnQueryDragIcon() {
    return nullptr;
}

void Dialog::OnInitMenuPopup(HMENU, bool) {}

HBRUSH Dialog::OnCtlColor(HDC, HWND, int) {
    return nullptr;
}

void Dialog::OnDestroy() {}

void Dialog::OnEndSession(bool ending) {
    if (ending) {
        EndDialog(IDCANCEL);
    }
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        // NOLINTNEXTLINE(performance-no-int-to-ptr): DoModal's this
        reinterpret_cast<Dialog*>(lParam)->m_hwnd = hwnd;
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the pointer kept there above
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;  // messages before WM_INITDIALOG
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    return self->DialogProc(message, wParam, lParam);
}

INT_PTR Dialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            // NOLINTNEXTLINE(performance-no-int-to-ptr): the control's handle
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam, lParam);
        case WM_PAINT:
            return OnPaint();
        case WM_INITMENUPOPUP:
            // NOLINTNEXTLINE(performance-no-int-to-ptr): the menu's handle
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
            return FALSE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            // The messages run in the order of the CTLCOLOR_ kinds.
            return reinterpret_cast<INT_PTR>(OnCtlColor(
                reinterpret_cast<HDC>(wParam),   // NOLINT(performance-no-int-to-ptr): the DC
                reinterpret_cast<HWND>(lParam),  // NOLINT(performance-no-int-to-ptr): the control
                static_cast<int>(message - WM_CTLCOLORMSGBOX)));
        default:
            // WM_CLOSE among them: the default handling turns it into IDCANCEL.
            return FALSE;
    }
}

}  // namespace win32
