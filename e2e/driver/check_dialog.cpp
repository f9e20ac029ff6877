#include "check_dialog.h"

#include "check/control_ids.h"
#include "script.h"
#include "whole_file.h"
#include "window_query.h"

namespace uidriver {
namespace {

constexpr WPARAM kAboutCommand = 0x10;
constexpr DWORD kPollMs = 20;
constexpr DWORD kIdleStableMs = 300;
constexpr DWORD kKeyWaitMs = 1000;
constexpr DWORD kSettleMs = 50;
constexpr DWORD kSettleTimeoutMs = 5000;
constexpr DWORD kEndSessionTimeoutMs = 20000;

HWND FirstBox(const CheckDialog& dialog) {
    for (HWND window : VisibleDialogs(dialog.processId)) {
        if (window != dialog.window) {
            return window;
        }
    }
    return nullptr;
}

bool ButtonsEnabled(const CheckDialog& dialog) {
    return ItemEnabled(dialog.window, IDOK) && ItemEnabled(dialog.window, IDC_START_CHECK);
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

// Where a key goes: the window with the keyboard focus in the dialog's thread.
HWND FocusedWindow(const CheckDialog& dialog) {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.window, nullptr), &thread);
    return thread.hwndFocus != nullptr ? thread.hwndFocus : dialog.window;
}

int ButtonFor(char answer) {
    return answer == 'Y' ? IDYES : answer == 'N' ? IDNO : IDOK;
}

bool SameBox(const BoxInfo& a, const BoxInfo& b) {
    return a.caption == b.caption && a.text == b.text && a.flags == b.flags;
}

// A box can be visible a moment before its caption and text are set (the
// emulated 32-bit side makes that moment long): read until two reads agree.
BoxInfo ReadSettledBox(HWND box) {
    BoxInfo last = ReadBox(box);
    for (DWORD waited = 0; waited < kSettleTimeoutMs; waited += kSettleMs) {
        Sleep(kSettleMs);
        BoxInfo now = ReadBox(box);
        bool complete = !now.caption.empty() && !now.text.empty() && now.flags != FLAGS_UNKNOWN;
        if (complete && SameBox(now, last)) {
            return now;
        }
        last = now;
    }
    return last;
}

// Answers one box as scripted (or, past the script, with the button that
// ends it quietest) and records what it showed.
void AnswerBox(const CheckDialog& dialog, HWND box, const Answer* answer) {
    BoxInfo info = ReadSettledBox(box);
    std::string given = answer != nullptr ? std::string(1, answer->button) : "extra";
    if (answer != nullptr && !answer->shot.empty()) {
        dialog.shot(answer->shot);
    }
    int id = answer != nullptr ? ButtonFor(answer->button) : IDOK;
    if (GetDlgItem(box, id) == nullptr || !IsWindowVisible(GetDlgItem(box, id))) {
        given += "-missing";
        id = GetDlgItem(box, IDOK) != nullptr ? IDOK : IDNO;
    }
    char flags[16];
    wsprintfA(flags, "0x%x", info.flags);
    // A box of the run keeps the dialog disabled under it as long as it is open.
    const bool owned = GetWindow(box, GW_OWNER) == dialog.window;
    dialog.results.Write("BOX " + HexEncode(info.caption) + " " + HexEncode(info.text) + " " +
                         flags + " " + given + (owned ? " owned " : " unowned ") +
                         (IsWindowEnabled(dialog.window) ? "enabled" : "disabled"));
    // What the log box shows while the box is open, to check the order of
    // boxes and log entries.
    dialog.results.Write("BOXLOG " + HexEncode(ItemText(dialog.window, IDC_LOG)));
    PostClick(box, id);
    WaitGone(box, 10000);  // a box still open is answered again and counted as extra
}

// Both messages are sent to each of the process's windows, as the Restart
// Manager sends them, with room for the run to stop first.
void EndSession(const CheckDialog& dialog) {
    const std::vector<HWND> windows = VisibleDialogs(dialog.processId);
    bool mayEnd = true;
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_NORMAL,
                            kEndSessionTimeoutMs, &answer);
        mayEnd = mayEnd && answer != 0;
    }
    bool handled = true;
    for (HWND window : windows) {
        DWORD_PTR ignored = 0;
        handled = SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL,
                                      kEndSessionTimeoutMs, &ignored) != 0 &&
                  handled;
    }
    dialog.results.Write(std::string("ENDSESSION query ") + (mayEnd ? "1" : "0") +
                         (handled ? " handled" : " timeout"));
}

// What a close waits for: the log box, or a file the simulated system writes.
std::string WatchedText(const CheckDialog& dialog, const std::string& file) {
    bool read = false;
    return file.empty() ? ItemText(dialog.window, IDC_LOG) : e2efile::ReadWholeFile(file, &read);
}

}  // namespace

std::vector<Answer> ParseAnswers(const std::string& word) {
    std::vector<Answer> answers;
    if (word == "-") {
        return answers;
    }
    size_t start = 0;
    while (start <= word.size()) {
        size_t comma = word.find(',', start);
        std::string token = word.substr(start, comma - start);
        Answer answer;
        answer.button = token.empty() ? 'O' : token[0];
        size_t at = token.find('@');
        answer.shot = at == std::string::npos ? "" : token.substr(at + 1);
        answers.push_back(answer);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return answers;
}

void RunCheck(const CheckDialog& dialog, const std::vector<Answer>& answers, DWORD timeoutMs,
              const std::string& closeWhenLogHas, RunTiming* timing, int clicks,
              const std::string& action, const std::string& watched) {
    RunTiming unused;
    RunTiming& measured = timing != nullptr ? *timing : unused;
    measured = RunTiming{};
    measured.clickedAt = GetTickCount();
    for (int click = 0; click < clicks; ++click) {
        if (!PostClick(dialog.window, IDC_START_CHECK)) {
            dialog.results.Write("RUN no-start-button");
            return;
        }
    }
    if (clicks == 0) {
        PressKey(dialog, VK_RETURN, "ENTER");
    }
    std::string closeAt = closeWhenLogHas;
    size_t next = 0;
    bool busy = false;
    DWORD idleFor = 0;
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (!IsWindow(dialog.window)) {
            dialog.results.Write("RUN dialog-gone");
            return;
        }
        // Only once the run is under way: until the click is handled the log
        // box still shows the previous run.
        if (busy && !closeAt.empty() &&
            WatchedText(dialog, watched).find(closeAt) != std::string::npos) {
            closeAt.clear();
            if (action == "about" || action == "about-close") {
                PostMessageA(dialog.window, WM_SYSCOMMAND, kAboutCommand, 0);
                if (action == "about") {
                    continue;
                }
                Sleep(kKeyWaitMs);  // long enough for a box to open
            }
            dialog.results.Write("RUN closed");
            if (action == "endsession") {
                EndSession(dialog);
            } else {
                PostMessageA(dialog.window, WM_CLOSE, 0, 0);
            }
            return;
        }
        HWND box = FirstBox(dialog);
        if (box != nullptr) {
            busy = true;
            idleFor = 0;
            DWORD seenAt = GetTickCount();
            if (measured.workerThreadId == 0) {
                measured.workerThreadId = GetWindowThreadProcessId(box, nullptr);
            }
            AnswerBox(dialog, box, next < answers.size() ? &answers[next] : nullptr);
            measured.answeringMs += GetTickCount() - seenAt;
            ++next;
            continue;
        }
        bool idle = ButtonsEnabled(dialog) && IsWindowEnabled(dialog.window);
        busy = busy || !idle;
        if (busy && idle && idleFor == 0) {
            measured.enabledAt = GetTickCount();
        }
        idleFor = busy && idle ? idleFor + kPollMs : 0;
        if (idleFor >= kIdleStableMs) {
            dialog.results.Write("RUN done");
            return;
        }
        Sleep(kPollMs);
    }
    dialog.results.Write("RUN timeout");
}

void RecordLogAndButtons(const CheckDialog& dialog) {
    dialog.results.Write("LOG " + HexEncode(ItemText(dialog.window, IDC_LOG)));
    dialog.results.Write(std::string("BUTTONS ") + (ItemEnabled(dialog.window, IDOK) ? "1" : "0") +
                         " " + (ItemEnabled(dialog.window, IDC_START_CHECK) ? "1" : "0"));
    DWORD_PTR defaultId = 0;
    SendMessageTimeoutW(dialog.window, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &defaultId);
    char text[32];
    wsprintfA(text, "DEFID 0x%x", static_cast<unsigned>(defaultId));
    dialog.results.Write(text);
}

void RecordPixels(const CheckDialog& dialog, int controlId) {
    HWND control = GetDlgItem(dialog.window, controlId);
    RECT client = {};
    if (control == nullptr || !GetClientRect(control, &client)) {
        dialog.results.Write("PIXELS missing");
        return;
    }
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, client.left, client.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    size_t bright = 0;
    size_t dark = 0;
    for (DWORD pixel : pixels) {
        int low = 255;
        int high = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int channel = (pixel >> shift) & 0xFF;
            low = channel < low ? channel : low;
            high = channel > high ? channel : high;
        }
        bright += low >= 0xC0;
        dark += high <= 0x40;
    }
    dialog.results.Write("PIXELS " + std::to_string(controlId) + " bright " +
                         std::to_string(bright) + " dark " + std::to_string(dark) + " of " +
                         std::to_string(pixels.size()));
}

void PressKey(const CheckDialog& dialog, WPARAM key, const std::string& label) {
    HWND target = FocusedWindow(dialog);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), 0)) << 16;
    PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    PostMessageA(target, WM_KEYUP, key, scan | static_cast<LPARAM>(0xC0000001));
    Sleep(kKeyWaitMs);
    bool open = IsWindow(dialog.window) && IsWindowVisible(dialog.window);
    dialog.results.Write(label + (open ? " open" : " closed"));
}

void TypeSelectAll(const CheckDialog& dialog) {
    // Typed, not posted: the tool reads the Ctrl key's state, which only
    // input from the keyboard sets.
    SetForegroundWindow(dialog.window);
    Sleep(kSettleMs);
    INPUT keys[4] = {};
    const WORD order[4][2] = {
        {VK_CONTROL, 0}, {'A', 0}, {'A', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
    }
    SendInput(4, keys, sizeof keys[0]);
    Sleep(kKeyWaitMs);
    DWORD_PTR selection = 0;
    DWORD_PTR length = 0;
    HWND log = GetDlgItem(dialog.window, IDC_LOG);
    SendMessageTimeoutW(log, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection);
    SendMessageTimeoutW(log, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    dialog.results.Write("SELECTION " + std::to_string(LOWORD(selection)) + " " +
                         std::to_string(HIWORD(selection)) + " of " +
                         std::to_string(length));
}

void PressAltF4(const CheckDialog& dialog) {
    // First the keys as the keyboard sends them, then the command they make.
    HWND target = FocusedWindow(dialog);
    PostMessageA(target, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    PostMessageA(target, WM_SYSKEYUP, VK_F4, 0xE03E0001);
    Sleep(kKeyWaitMs);
    PostMessageA(dialog.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(kKeyWaitMs);
    bool open = IsWindow(dialog.window) && IsWindowVisible(dialog.window);
    dialog.results.Write(std::string("ALTF4 ") + (open ? "open" : "closed"));
}

void OpenAndCloseAbout(const CheckDialog& dialog, const std::string& caption, DWORD timeoutMs,
                       bool endSession) {
    PostMessageA(dialog.window, WM_SYSCOMMAND, kAboutCommand, 0);
    HWND about = nullptr;
    for (DWORD waited = 0; about == nullptr && waited < timeoutMs; waited += kPollMs) {
        Sleep(kPollMs);
        about = FindDialog(dialog.processId, caption);
    }
    if (about == nullptr) {
        dialog.results.Write("ABOUT missing");
        return;
    }
    std::string line = "ABOUT found";
    for (const std::string& text : StaticTexts(about)) {
        line += " " + HexEncode(text);
    }
    dialog.results.Write(line);
    dialog.results.Write("ABOUT place " + Placement(about));
    // The title line in the template's font, 9 point MS P Gothic.
    dialog.results.Write("ABOUT fit " + FirstLineFit(about, L"ＭＳ Ｐゴシック", 9, dialog.dpi));
    dialog.results.Write(std::string("ABOUT owner-disabled ") +
                         (IsWindowEnabled(dialog.window) ? "0" : "1"));
    dialog.shot("about");
    if (endSession) {
        EndSession(dialog);
        return;
    }
    PostClick(about, IDOK);
    bool closed = WaitGone(about, timeoutMs);
    Sleep(kIdleStableMs);
    bool back = IsWindow(dialog.window) && IsWindowEnabled(dialog.window);
    dialog.results.Write(std::string("ABOUT ") + (closed ? "closed" : "stuck") + " " +
                         (back ? "back" : "not-back"));
}

}  // namespace uidriver
