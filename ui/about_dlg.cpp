#include "ui/about_dlg.h"

#include <string>

namespace {

// How many pixels a one-line static text needs beyond its width, measured
// with its own font: in the template's fixed width the version at the end
// of the title line wraps out of sight with some fonts and DPI settings.
int Overflow(HWND line) {
    const int length = GetWindowTextLengthW(line);
    RECT client;
    if (length <= 0 || !GetClientRect(line, &client)) {
        return 0;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(line, &text[0], length + 1);
    HDC dc = GetDC(line);
    if (dc == nullptr) {
        return 0;
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_GETFONT answers with the font's handle
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(line, WM_GETFONT, 0, 0));
    font = SelectObject(dc, font);
    SIZE extent{};
    const bool measured = GetTextExtentPoint32W(dc, text.c_str(), length, &extent) != FALSE;
    SelectObject(dc, font);
    ReleaseDC(line, dc);
    const int needed = extent.cx - (client.right - client.left);
    return measured && needed > 0 ? needed : 0;
}

// A left-aligned static text of the template. The box's template keeps its
// ids in 16 bits, so IDC_STATIC reads back as 0xFFFF.
bool IsTextLine(HWND child) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    return LOWORD(GetDlgCtrlID(child)) == LOWORD(IDC_STATIC) && (style & SS_TYPEMASK) == SS_LEFT;
}

void Widen(HWND window, int by) {
    RECT rect;
    if (GetWindowRect(window, &rect)) {
        SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left + by, rect.bottom - rect.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MoveRight(HWND dialog, HWND control, int by) {
    RECT rect;
    if (GetWindowRect(control, &rect)) {
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        SetWindowPos(control, nullptr, rect.left + by, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

BOOL CAboutDlg::OnInitDialog() {
    // A line that does not fit is widened to fit, and the box with it, the
    // OK button keeping its distance from the right edge; lines that fit
    // leave everything where the template puts it. Before the centring, so
    // the box is centred at its final size.
    int widest = 0;
    for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsTextLine(child)) {
            const int needed = Overflow(child);
            Widen(child, needed);
            widest = needed > widest ? needed : widest;
        }
    }
    if (widest > 0) {
        Widen(Handle(), widest);
        MoveRight(Handle(), GetDlgItem(Handle(), IDOK), widest);
    }
    return win32::Dialog::OnInitDialog();
}
