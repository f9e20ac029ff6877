#include "window_query.h"

namespace uidriver {
namespace {

constexpr UINT kTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    DWORD processId;
    bool dialogsOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (!search->dialogsOnly || lstrcmpA(className, "#32770") == 0) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> Collect(DWORD processId, bool dialogsOnly) {
    Search search{processId, dialogsOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsStaticClass(HWND window) {
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, "Static") == 0;
}

bool IsIconStatic(HWND window) {
    LONG style = GetWindowLongA(window, GWL_STYLE);
    return IsStaticClass(window) && (style & SS_TYPEMASK) == SS_ICON;
}

bool ShowsIcon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR icon = 0;
        if (IsIconStatic(child) && IsWindowVisible(child) &&
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &icon) &&
            icon != 0) {
            return true;
        }
    }
    return false;
}

bool ShowsButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && IsWindowVisible(button);
}

unsigned InferFlags(HWND box) {
    bool yes = ShowsButton(box, IDYES);
    bool no = ShowsButton(box, IDNO);
    bool ok = ShowsButton(box, IDOK);
    bool others = ShowsButton(box, IDCANCEL) || ShowsButton(box, IDABORT) ||
                  ShowsButton(box, IDRETRY) || ShowsButton(box, IDIGNORE);
    unsigned buttons = FLAGS_UNKNOWN;
    if (yes && no && !ok && !others) {
        buttons = MB_YESNO;
    } else if (ok && !yes && !no && !others) {
        buttons = MB_OK;
    }
    return buttons | (ShowsIcon(box) ? MB_ICONEXCLAMATION : 0);
}

}  // namespace

std::vector<HWND> VisibleDialogs(DWORD processId) {
    return Collect(processId, true);
}

int CountVisibleWindows(DWORD processId) {
    return static_cast<int>(Collect(processId, false).size());
}

HWND FindDialog(DWORD processId, const std::string& caption) {
    for (HWND window : VisibleDialogs(processId)) {
        if (WindowText(window) == caption) {
            return window;
        }
    }
    return nullptr;
}

// Read as UTF-16, what the window holds whatever the code pages of the tool
// and the driver, and given back in code page 932 to compare with the
// expected texts.
std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr || !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                                  kTimeoutMs, &length)) {
        return "";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kTimeoutMs, &copied)) {
        return "";
    }
    const int wide = static_cast<int>(copied);
    const int size = WideCharToMultiByte(932, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(932, 0, text.data(), wide, &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

bool ItemEnabled(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr && IsWindowEnabled(item);
}

std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsStaticClass(child) && !IsIconStatic(child)) {
            texts.push_back(WindowText(child));
        }
    }
    return texts;
}

std::string Placement(HWND window) {
    RECT rect = {};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetWindowRect(window, &rect);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    char text[128];
    wsprintfA(text, "%d %d %d %d in %d %d %d %d", rect.left, rect.top, rect.right, rect.bottom,
              work.left, work.top, work.right, work.bottom);
    return text;
}

// The font is made as the dialog manager makes a template's: the tool's own
// font handle means nothing in this process.
std::string FirstLineFit(HWND dialog, const wchar_t* face, int points, int dpi) {
    HWND line = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr && line == nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        line = IsStaticClass(child) && !IsIconStatic(child) ? child : nullptr;
    }
    RECT client = {};
    if (line == nullptr || !GetClientRect(line, &client)) {
        return "missing";
    }
    const std::string bytes = WindowText(line);
    std::wstring text(bytes.size() + 1, L'\0');
    const int length = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           &text[0], static_cast<int>(text.size()));
    HFONT font = CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, face);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return std::to_string(extent.cx) + " in " + std::to_string(client.right - client.left);
}

BoxInfo ReadBox(HWND box) {
    BoxInfo info;
    info.caption = WindowText(box);
    HWND text = GetDlgItem(box, kMessageBoxTextId);
    if (text == nullptr) {
        std::vector<std::string> texts = StaticTexts(box);
        info.text = texts.empty() ? "" : texts.front();
    } else {
        info.text = WindowText(text);
    }
    info.flags = InferFlags(box);
    return info;
}

bool PostClick(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0);
}

}  // namespace uidriver
