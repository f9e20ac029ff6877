// The system as the fuzz targets drive it: the check dialog, and the parts
// that a target keeps fixed while it varies another (no pauses and the
// healthy PC, testsupport/healthy_pc.h).
#pragma once

#include <cstdint>
#include <string>

#include "check/platform.h"
#include "fuzz/fuzz_input.h"
#include "sysinfo/windows_version.h"

namespace readercheck::fuzzing {

// The check dialog. It keeps what the log box shows and checks on every call
// what the real dialog relies on: only the log box gets text and it only ever
// grows, boxes carry texts and known flags, and only the two buttons are
// switched.
class FakeWindow : public CheckWindow {
public:
    // answers: every box's result, four bytes each, taken as any int; without
    // it every question is answered Yes and every other box with OK.
    explicit FakeWindow(FuzzInput* answers = nullptr) : m_answers(answers) {}

    void SetItemText(int id, const char* text) override;
    int GetLineCount(int id) override;
    void ScrollLines(int id, int lines) override;
    void EnableItem(int id, bool enabled) override;
    int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
    bool IsGone() override { return false; }

    const std::string& Shown() const { return m_shown; }
    int Warnings() const { return m_warnings; }
    int Questions() const { return m_questions; }
    int Notices() const { return m_notices; }
    bool ButtonsEnabled() const { return m_exitEnabled && m_startEnabled; }

private:
    FuzzInput* m_answers;
    std::string m_shown;
    int m_lines = 1;
    int m_warnings = 0;
    int m_questions = 0;
    int m_notices = 0;
    bool m_exitEnabled = true;
    bool m_startEnabled = true;
};

// A fuzzed run must not sleep through its 500 ms pauses.
class NoPause : public Pauser {
public:
    void Pause(unsigned) override {}
};

// For the stages that load no library.
class NoLibraries : public LibraryLoader {
public:
    LibraryHandle Load(const char*) override {
        FUZZ_CHECK(!"no library is loaded here");
        return nullptr;
    }
    void* FindExport(LibraryHandle, const char*) override {
        FUZZ_CHECK(!"no library is loaded here");
        return nullptr;
    }
    void Free(LibraryHandle) override { FUZZ_CHECK(!"no library is loaded here"); }
};

class FixedVersion : public VersionQuery {
public:
    bool Query(VersionForm form, VersionRecord* record) override;
};

// One batch of the healthy PC's services.
class RunningSmartCardService : public ServiceManager {
public:
    ServiceManagerHandle Open() override;
    uint32_t EnumerateBatch(ServiceManagerHandle manager, void* buffer, uint32_t bufferSize,
                            uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override;
    void Close(ServiceManagerHandle manager) override;

private:
    int m_openCount = 0;
};

}  // namespace readercheck::fuzzing
