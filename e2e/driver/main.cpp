// The end-to-end UI driver: runs a script of user actions against the tool
// under Wine and writes what it saw, byte for byte, to a results file.
// Usage: readercheck_driver SCRIPT RESULTS
#include <windows.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "check_dialog.h"
#include "process_counters.h"
#include "results.h"
#include "script.h"
#include "service_setup.h"
#include "tool_process.h"
#include "whole_file.h"
#include "window_query.h"

namespace uidriver {
namespace {

constexpr char kShotRequest[] = "C:\\readercheck\\shot-request.txt";
constexpr DWORD kShotTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kDialogPollMs = 10;  // fine enough to time a start
constexpr DWORD kWorkerEndTimeoutMs = 5000;

bool WriteWholeFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok;
}

// Text values under a key of the current user, read by programs started later.
void SetUserValues(const char* keyPath,
                   std::initializer_list<std::pair<const char*, std::string>> values) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const auto& [name, value] : values) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    RegCloseKey(key);
}

class Session {
public:
    explicit Session(Results& results) : m_results(results) {}

    void Execute(const Command& command);

private:
    const std::string& Word(const Command& command, size_t index);
    DWORD Number(const Command& command, size_t index);
    CheckDialog Dialog();
    void TakeShot(const std::string& name);

    void Launch(const Command& command);
    void FindCheckDialog(const Command& command);
    void WaitExit(const Command& command);
    void RecordFile(const Command& command);
    void TimedRun(const Command& command);
    void RecordWorkerEnd(DWORD threadId);
    void HoldDenyingMutex(const std::string& name);

    Results& m_results;
    std::map<std::string, std::unique_ptr<ToolProcess>> m_tools;
    HANDLE m_deniedMutex = nullptr;  // held until the driver ends
    HWND m_dialog = nullptr;
    DWORD m_dialogProcess = 0;
    bool m_shots = false;
    int m_dpi = 96;  // what the tools started next take
    std::string m_empty;
};

const std::string& Session::Word(const Command& command, size_t index) {
    return index < command.words.size() ? command.words[index] : m_empty;
}

DWORD Session::Number(const Command& command, size_t index) {
    return std::strtoul(Word(command, index).c_str(), nullptr, 0);
}

CheckDialog Session::Dialog() {
    return CheckDialog{m_dialog, m_dialogProcess, m_results,
                       [this](const std::string& name) { TakeShot(name); }, m_dpi};
}

// The runner on the Linux side takes the picture and removes the request.
void Session::TakeShot(const std::string& name) {
    if (!m_shots) {
        return;
    }
    Sleep(500);  // let the window finish painting
    WriteWholeFile(kShotRequest, name);
    for (DWORD waited = 0; waited < kShotTimeoutMs; waited += kPollMs) {
        if (GetFileAttributesA(kShotRequest) == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(kPollMs);
    }
    DeleteFileA(kShotRequest);
}

// launch NAME EXE DIRECTORY: returns before the process runs; "dialog"
// reports a failed start.
void Session::Launch(const Command& command) {
    auto tool = std::make_unique<ToolProcess>();
    tool->Start(Word(command, 2), Word(command, 3));
    m_tools[Word(command, 1)] = std::move(tool);
}

// dialog NAME CAPTION-HEX TIMEOUT: waits for that process's dialog.
void Session::FindCheckDialog(const Command& command) {
    auto tool = m_tools.find(Word(command, 1));
    std::string caption = HexDecode(Word(command, 2));
    DWORD begin = GetTickCount();
    std::string error = "unknown process";
    bool started = tool != m_tools.end() && tool->second->WaitStarted(Number(command, 3), &error);
    DWORD processId = started ? tool->second->Id() : 0;
    HWND found = nullptr;
    DWORD shownAt = 0;
    while (started && found == nullptr && GetTickCount() - begin < Number(command, 3)) {
        found = FindDialog(processId, caption);
        shownAt = GetTickCount();
        Sleep(kDialogPollMs);
    }
    std::string line = "DIALOG " + Word(command, 1);
    m_dialog = found;
    m_dialogProcess = processId;
    if (!started) {
        m_results.Write(line + " not-started " + error);
        return;
    }
    if (found == nullptr) {
        line += " missing";
        for (HWND other : VisibleDialogs(processId)) {
            line += " " + HexEncode(WindowText(other));
        }
        m_results.Write(line);
        return;
    }
    Sleep(300);  // the dialog is shown before its first paint has finished
    line += " found";
    for (const std::string& text : StaticTexts(found)) {
        line += " " + HexEncode(text);
    }
    m_results.Write(line);
    m_results.Write("PLACE " + Placement(found));
    m_results.Write("STARTUP " + Word(command, 1) + " " +
                    std::to_string(shownAt - tool->second->LaunchedAt()));
}

// Waits for the run's worker thread to end; a thread that can no longer be
// opened has ended already.
void Session::RecordWorkerEnd(DWORD threadId) {
    if (threadId == 0) {
        m_results.Write("WORKER unknown");
        return;
    }
    DWORD begin = GetTickCount();
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    bool ended =
        thread == nullptr || WaitForSingleObject(thread, kWorkerEndTimeoutMs) == WAIT_OBJECT_0;
    if (thread != nullptr) {
        CloseHandle(thread);
    }
    m_results.Write(std::string("WORKER ") + (ended ? "ended " : "running ") +
                    std::to_string(GetTickCount() - begin));
}

// timedrun ANSWERS TIMEOUT: a run as "run" does it, then when its time went,
// the end of its worker thread and the tool's counters.
void Session::TimedRun(const Command& command) {
    RunTiming timing;
    RunCheck(Dialog(), ParseAnswers(Word(command, 1)), Number(command, 2), "", &timing);
    DWORD wall = timing.enabledAt != 0 ? timing.enabledAt - timing.clickedAt : 0;
    m_results.Write("TIMING wall=" + std::to_string(wall) +
                    " answering=" + std::to_string(timing.answeringMs));
    RecordWorkerEnd(timing.workerThreadId);
    m_results.Write("COUNTERS " + FormatCounters(ReadProcessCounters(m_dialogProcess)));
    m_results.Write("HANDLETYPES " + HandleTypes(m_dialogProcess));
}

// denymutex NAME-HEX: creates the named mutex first, with an access list that
// admits nobody, as a copy started elevated leaves it for a normal one.
void Session::HoldDenyingMutex(const std::string& name) {
    // Everyone denied every access: no token the tool runs with gets in.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    alignas(DWORD) BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    bool made =
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) &&
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
        AddAccessDeniedAce(acl, ACL_REVISION, GENERIC_ALL | MUTEX_ALL_ACCESS, everyone) &&
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    m_deniedMutex = made ? CreateMutexA(&attributes, TRUE, name.c_str()) : nullptr;
    if (everyone != nullptr) {
        FreeSid(everyone);
    }
    // Creating it again, as the tool does, must now be refused, or the test
    // shows nothing.
    HANDLE again = CreateMutexA(nullptr, FALSE, name.c_str());
    DWORD error = GetLastError();
    if (again != nullptr) {
        CloseHandle(again);
    }
    m_results.Write(std::string("DENYMUTEX ") + (m_deniedMutex != nullptr ? "held" : "error") +
                    (again == nullptr && error == ERROR_ACCESS_DENIED ? " denied" : " open"));
}

// exit NAME TIMEOUT
void Session::WaitExit(const Command& command) {
    auto tool = m_tools.find(Word(command, 1));
    if (tool == m_tools.end()) {
        m_results.Write("EXIT " + Word(command, 1) + " unknown");
        return;
    }
    DWORD code = 0;
    bool ended = tool->second->WaitExit(Number(command, 2), &code);
    char text[64];
    wsprintfA(text, ended ? " code 0x%x" : " running", code);
    m_results.Write("EXIT " + Word(command, 1) + text + " windows " +
                    std::to_string(tool->second->MostWindowsSeen()));
}

// file PATH: records a file's content (or that it is absent).
void Session::RecordFile(const Command& command) {
    bool ok = false;
    std::string text = e2efile::ReadWholeFile(Word(command, 1), &ok);
    m_results.Write("FILE " + Word(command, 1) + (ok ? " " + HexEncode(text) : " absent"));
}

void Session::Execute(const Command& command) {
    const std::string& verb = command.words[0];
    if (verb == "service") {
        std::string error;
        bool ok = SetServiceState(Word(command, 1), Word(command, 2), &error);
        m_results.Write("SERVICE " + Word(command, 1) + (ok ? " ok" : " error " + error));
    } else if (verb == "copy") {
        bool ok = CopyFileA(Word(command, 1).c_str(), Word(command, 2).c_str(), FALSE);
        m_results.Write("COPY " + Word(command, 2) + (ok ? " ok" : " error"));
    } else if (verb == "launch") {
        Launch(command);
    } else if (verb == "dialog") {
        FindCheckDialog(command);
    } else if (verb == "run") {  // ANSWERS TIMEOUT [CLICKS | enter]
        DWORD clicks = Number(command, 3);
        RunCheck(Dialog(), ParseAnswers(Word(command, 1)), Number(command, 2), "", nullptr,
                 Word(command, 3) == "enter" ? 0
                 : clicks > 0                ? static_cast<int>(clicks)
                                             : 1);
        RecordLogAndButtons(Dialog());
    } else if (verb == "pixels") {
        RecordPixels(Dialog(), static_cast<int>(Number(command, 1)));
    } else if (verb == "denymutex") {
        HoldDenyingMutex(HexDecode(Word(command, 1)));
    } else if (verb == "darkcolors") {
        // White text on a black window, as a high-contrast scheme sets them.
        SetUserValues("Control Panel\\Colors",
                      {{"Window", "0 0 0"}, {"WindowText", "255 255 255"}});
    } else if (verb == "timedrun") {
        TimedRun(command);
    } else if (verb == "counters") {  // what the tool holds now
        m_results.Write("COUNTERS " + FormatCounters(ReadProcessCounters(m_dialogProcess)));
    } else if (verb == "runclose") {  // ANSWERS TEXT TIMEOUT [ACTION [WATCHED]]
        const std::string action = Word(command, 4).empty() ? "close" : Word(command, 4);
        RunCheck(Dialog(), ParseAnswers(Word(command, 1)), Number(command, 3),
                 HexDecode(Word(command, 2)), nullptr, 1, action, Word(command, 5));
        if (action == "about") {  // the run went on to its end
            RecordLogAndButtons(Dialog());
        }
    } else if (verb == "dpi") {  // for the programs started next
        m_dpi = static_cast<int>(Number(command, 1));
        HKEY key = nullptr;
        const DWORD dpi = Number(command, 1);
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                           sizeof dpi);
            RegCloseKey(key);
        }
    } else if (verb == "state") {
        RecordLogAndButtons(Dialog());
    } else if (verb == "escape") {
        PressKey(Dialog(), VK_ESCAPE, "ESCAPE");
    } else if (verb == "enter") {
        PressKey(Dialog(), VK_RETURN, "ENTER");
    } else if (verb == "selectall") {
        TypeSelectAll(Dialog());
    } else if (verb == "altf4") {
        PressAltF4(Dialog());
    } else if (verb == "about") {
        OpenAndCloseAbout(Dialog(), HexDecode(Word(command, 1)), Number(command, 2),
                          Word(command, 3) == "endsession");
    } else if (verb == "click") {
        PostClick(m_dialog, Number(command, 1));
    } else if (verb == "exit") {
        WaitExit(command);
    } else if (verb == "kill") {
        auto tool = m_tools.find(Word(command, 1));
        if (tool != m_tools.end()) {
            tool->second->Kill();
        }
    } else if (verb == "shots") {
        m_shots = Word(command, 1) == "on";
    } else if (verb == "shot") {
        TakeShot(Word(command, 1));
    } else if (verb == "version") {  // the Windows version Wine reports
        SetUserValues("Software\\Wine", {{"Version", Word(command, 1)}});
    } else if (verb == "file") {
        RecordFile(command);
    } else if (verb == "mark") {
        m_results.Write("MARK " + Word(command, 1));
    } else {
        // Read by nobody but a person looking at the results of a script
        // whose verb was misspelt: kept, as that script would pass otherwise.
        m_results.Write("ERROR line " + std::to_string(command.line) + ": unknown verb " + verb);
    }
}

}  // namespace
}  // namespace uidriver

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    bool read = false;
    std::string script = e2efile::ReadWholeFile(argv[1], &read);
    uidriver::Results results(argv[2]);
    if (!read || !results.IsOpen()) {
        return 2;
    }
    uidriver::Session session(results);
    for (const uidriver::Command& command : uidriver::ParseScript(script)) {
        session.Execute(command);
    }
    return 0;
}
