// Benchmark build only, never shipped: what the check costs on this system
// with nothing of ours in it. The check dialog from the same template and
// resources, the same worker thread and the same 50 ms wait after starting
// it; the worker replays the window calls, boxes and pauses recorded from a
// healthy run of the tool (baseline_script.inc) and makes no other call: no
// service manager, no smart card library, no version query.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <cstring>
#include <string>

#include "ui/resource.h"
#include "win32/dialog.h"
#include "win32/dialog_icon.h"
#include "win32/module.h"

namespace {

// One recorded call: 'D'/'E' disable/enable item a, 'T' the first a bytes of
// the log as the log box's text, 'S' scroll to the end, 'B' box a, 'P' pause
// a ms.
struct Op {
    char kind;
    int a;
};

struct Box {
    const char* text;
    const char* caption;
    unsigned flags;
};

struct Script {
    int readers;
    const char* log;
    const Op* ops;
    size_t opCount;
    const Box* boxes;
};

#include "tools/bench/baseline_script.inc"

constexpr DWORD WORKER_START_WAIT_MS = 50;

// The tool learns its readers from the simulated library's scenario file at
// each run; the baseline reads the same file to pick the script it replays.
int ScenarioReaders() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("READERCHECK_SCENARIO", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return 1;
    }
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    char text[8192];
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    text[read] = '\0';
    int readers = 0;
    for (const char* at = text; (at = std::strstr(at, "reader ")) != nullptr; at += 7) {
        readers += at == text || at[-1] == '\n';
    }
    return readers;
}

const Script& ScriptFor(int readers) {
    for (const Script& script : SCRIPTS) {
        if (script.readers == readers) {
            return script;
        }
    }
    return SCRIPTS[0];
}

unsigned __stdcall ReplayThreadProc(void* argument) {
    HWND dialog = static_cast<HWND>(argument);
    const Script& script = ScriptFor(ScenarioReaders());
    // Each refresh sets a longer beginning of the one final log, as the
    // append-only log of the tool does.
    std::string log(script.log);
    for (size_t i = 0; i < script.opCount; ++i) {
        const Op& op = script.ops[i];
        switch (op.kind) {
            case 'D':
            case 'E':
                EnableWindow(GetDlgItem(dialog, op.a), op.kind == 'E');
                break;
            case 'T': {
                const char kept = log[op.a];
                log[op.a] = '\0';
                SetDlgItemTextA(dialog, IDC_LOG, log.c_str());
                log[op.a] = kept;
                break;
            }
            case 'S': {
                LRESULT lines = SendDlgItemMessageA(dialog, IDC_LOG, EM_GETLINECOUNT, 0, 0);
                SendDlgItemMessageA(dialog, IDC_LOG, EM_LINESCROLL, 0, lines);
                break;
            }
            case 'B': {
                const Box& box = script.boxes[op.a];
                MessageBoxA(dialog, box.text, box.caption, box.flags);
                break;
            }
            case 'P':
                Sleep(op.a);
                break;
        }
    }
    return 1;
}

// The check dialog's look and start button, as the tool's dialog has them.
class CBaselineDlg : public win32::Dialog {
public:
    CBaselineDlg()
        : win32::Dialog(IDD_CHECK_DIALOG),
          m_icon(LoadIconA(win32::ProgramModule(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
          m_windowBrush(CreateSolidBrush(GetSysColor(COLOR_WINDOW))) {}
    ~CBaselineDlg() override { DeleteObject(m_windowBrush); }

protected:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
            return TRUE;
        }
        return win32::Dialog::PreTranslateMessage(msg);
    }

    BOOL OnInitDialog() override {
        win32::Dialog::OnInitDialog();
        HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
        char text[256];
        if (systemMenu != nullptr &&
            LoadStringA(win32::ProgramModule(), IDS_ABOUTBOX, text, sizeof text) > 0) {
            AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
        }
        win32::SetWindowIcons(Handle(), m_icon);
        if (systemMenu != nullptr) {
            EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        }
        return TRUE;
    }

    bool OnCommand(int id, int notifyCode, HWND control) override {
        if (id == IDC_START_CHECK && notifyCode == BN_CLICKED) {
            OnStartCheck();
            return true;
        }
        return win32::Dialog::OnCommand(id, notifyCode, control);
    }

    bool OnPaint() override { return win32::PaintMinimizedIcon(Handle(), m_icon); }
    HICON OnQueryDragIcon() override { return m_icon; }

    HBRUSH OnCtlColor(HDC dc, HWND control, int kind) override {
        HBRUSH brush = win32::Dialog::OnCtlColor(dc, control, kind);
        if (kind == CTLCOLOR_STATIC || kind == CTLCOLOR_DLG) {
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            brush = m_windowBrush;
        }
        return brush;
    }

private:
    void OnStartCheck() {
        uintptr_t worker = _beginthreadex(nullptr, 0, ReplayThreadProc, Handle(), 0, nullptr);
        if (worker == 0) {
            return;
        }
        HANDLE thread = reinterpret_cast<HANDLE>(worker);
        WaitForSingleObject(thread, WORKER_START_WAIT_MS);
        CloseHandle(thread);
        SetDlgItemTextA(Handle(), IDC_LOG, "");
        HWND log = GetDlgItem(Handle(), IDC_LOG);
        SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(log), TRUE);
    }

    HICON m_icon;
    HBRUSH m_windowBrush;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    CBaselineDlg dialog;
    dialog.DoModal();
    return 0;
}
