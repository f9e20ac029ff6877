#include "win32/dialog_check_window.h"

namespace win32 {

void DialogCheckWindow::SetItemText(int id, const char* text) {
    SetDlgItemTextA(m_dialog, id, text);
}

int DialogCheckWindow::GetLineCount(int id) {
    return static_cast<int>(SendDlgItemMessageA(m_dialog, id, EM_GETLINECOUNT, 0, 0));
}

void DialogCheckWindow::ScrollLines(int id, int lines) {
    SendDlgItemMessageA(m_dialog, id, EM_LINESCROLL, 0, lines);
}

void DialogCheckWindow::EnableItem(int id, bool enabled) {
    EnableWindow(GetDlgItem(m_dialog, id), enabled ? TRUE : FALSE);
}

int DialogCheckWindow::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    return MessageBoxA(m_dialog, text, caption, flags);
}

}  // namespace win32
