// Benchmark build only, never shipped: what the check costs on this system
// with nothing of the check in it. The tool's own check dialog and run, with
// a procedure that replays the window calls, boxes and pauses of a healthy
// run of the timed tool through the same window and pauser and makes no
// other call: no service manager, no smart card library, no version query.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "check/control_ids.h"
#include "e2e/driver/whole_file.h"
#include "ui/check_procedure.h"
#include "ui/reader_check_dlg.h"

namespace {

// bench.py records the replay from the timed tool's run and puts the one for
// the current reader count here.
const char REPLAY_PATH[] = "C:\\readercheck\\replay.txt";

// The replay's words, read with Win32 calls: a file stream would make the
// program larger than the tool, and its memory is compared.
class Replay {
public:
    Replay() {
        bool read = false;
        m_text = e2efile::ReadWholeFile(REPLAY_PATH, &read);
    }

    // The next blank-separated word; empty at the end.
    std::string Word() {
        const size_t begin = std::min(m_text.find_first_not_of(" \r\n", m_at), m_text.size());
        m_at = std::min(m_text.find_first_of(" \r\n", begin), m_text.size());
        return m_text.substr(begin, m_at - begin);
    }
    unsigned Number() { return std::strtoul(Word().c_str(), nullptr, 10); }
    std::string Bytes() {
        const std::string hex = Word();
        std::string bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
        }
        return bytes;
    }

private:
    std::string m_text;
    size_t m_at = 0;
};

}  // namespace

// One call per line, as the run made it: "log HEX" (the final log, whose
// beginnings the refreshes show), "text LENGTH", "lines", "scroll LINES",
// "enable ID", "disable ID", "box FLAGS CAPTION-HEX TEXT-HEX", "pause MS".
unsigned RunCheckProcedure(const readercheck::CheckSystem& system) {
    Replay replay;
    std::string log;
    for (std::string verb = replay.Word(); !verb.empty(); verb = replay.Word()) {
        if (verb == "log") {
            log = replay.Bytes();
        } else if (verb == "text") {
            system.window.SetItemText(IDC_LOG, log.substr(0, replay.Number()).c_str());
        } else if (verb == "lines") {
            system.window.GetLineCount(IDC_LOG);
        } else if (verb == "scroll") {
            system.window.ScrollLines(IDC_LOG, static_cast<int>(replay.Number()));
        } else if (verb == "enable" || verb == "disable") {
            system.window.EnableItem(static_cast<int>(replay.Number()), verb == "enable");
        } else if (verb == "box") {
            const unsigned flags = replay.Number();
            const std::string caption = replay.Bytes();
            system.window.ShowMessageBox(replay.Bytes().c_str(), caption.c_str(), flags);
        } else if (verb == "pause") {
            system.pauser.Pause(replay.Number());
        }
    }
    return 1;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    CReaderCheckDlg dialog;
    dialog.DoModal();
    dialog.StopCheck();
    return 0;
}
