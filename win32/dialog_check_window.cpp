#include "win32/dialog_check_window.h"

#include "win32/wide_text.h"

namespace win32 {

void DialogCheckWindow::SetItemText(int id, const char* text) {
    SetDlgItemTextW(m_link.dialog, id, WideFromCheckText(text).c_str());
}

int DialogCheckWindow::GetLineCount(int id) {
    return static_cast<int>(SendDlgItemMessageW(m_link.dialog, id, EM_GETLINECOUNT, 0, 0));
}

void DialogCheckWindow::ScrollLines(int id, int lines) {
    SendDlgItemMessageW(m_link.dialog, id, EM_LINESCROLL, 0, lines);
}

void DialogCheckWindow::EnableItem(int id, bool enabled) {
    if (id == IDC_START_CHECK && enabled) {
        m_link.buttonsGivenBack = true;  // before the click it allows can arrive
    }
    EnableWindow(GetDlgItem(m_link.dialog, id), enabled ? TRUE : FALSE);
}

int DialogCheckWindow::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    return MessageBoxW(m_link.dialog, WideFromCheckText(text).c_str(),
                       WideFromCheckText(caption).c_str(), flags);
}

bool DialogCheckWindow::IsGone() {
    return m_link.gone;
}

}  // namespace win32
