#include "ui/unsupported_os.h"

#include "ui/resource.h"
#include "win32/dialog_icon.h"
#include "win32/module.h"

CUnsupportedOS::CUnsupportedOS()
    : win32::Dialog(IDD_UNSUPPORTED_OS),
      m_icon(LoadIconA(win32::ProgramModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

BOOL CUnsupportedOS::OnInitDialog() {
    win32::Dialog::OnInitDialog();
    win32::SetWindowIcons(Handle(), m_icon);
    // The template's caption is a placeholder; the title comes from the strings.
    wchar_t title[256];
    if (LoadStringW(win32::ProgramModule(), IDS_APP_TITLE, title, 256) > 0) {
        SetWindowTextW(Handle(), title);
    }
    return TRUE;
}

bool CUnsupportedOS::OnPaint() {
    return win32::PaintMinimizedIcon(Handle(), m_icon);
}

HICON CUnsupportedOS::OnQueryDragIcon() {
    return m_icon;
}
