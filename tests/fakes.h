// Scripted fakes of the system a check run talks to. Every fake records its
// calls into one shared, ordered event list, so a test can check both what
// was called and in which order across window, timer, library, service
// manager, version query and smart card.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/platform.h"
#include "check/run_context.h"
#include "sysinfo/windows_version.h"
#include "tests/fake_smart_card.h"
#include "testsupport/healthy_pc.h"

namespace readercheck::tests {

// Windows' own numbers, as the system speaks them: a fake never answers with
// the constant the code compares against.
constexpr int IDYES_RESULT = 6;
constexpr int IDNO_RESULT = 7;
constexpr unsigned MB_YESNO_FLAGS = 0x04;
constexpr unsigned MB_WARNING_FLAGS = 0x30;  // MB_OK | MB_ICONEXCLAMATION
constexpr uint32_t ERROR_MORE_DATA_RESULT = 234;
constexpr int LOG_ID = 1000;  // the log box

std::string Hex(uint64_t value);  // e.g. "0x30"

struct Event {
    std::string call;     // the call with its numeric arguments, e.g. "Scroll(1000,12)"
    std::string text;     // a text argument: window text, box text, export or reader name
    std::string caption;  // box caption
};

class Events {
public:
    void Add(std::string call, std::string text = "", std::string caption = "") {
        m_events.push_back({std::move(call), std::move(text), std::move(caption)});
    }
    const std::vector<Event>& All() const { return m_events; }
    // The calls alone, for comparing orders.
    std::vector<std::string> Calls() const;
    // The calls whose description starts with prefix.
    std::vector<Event> Matching(const std::string& prefix) const;

private:
    std::vector<Event> m_events;
};

struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
    bool operator==(const Box& other) const {
        return text == other.text && caption == other.caption && flags == other.flags;
    }
};
void PrintTo(const Box& box, std::ostream* os);

// The calls in order, as whole runs are compared: scroll amounts, export
// look-ups and version queries left out (their own tests pin those); smart
// card calls by name alone when asked.
std::vector<std::string> Trace(const Events& events, bool smartCardNamesOnly = false);
std::vector<std::string> Then(std::vector<std::string> first,
                              const std::vector<std::string>& second);

// Boxes as the user saw them, in order.
std::vector<Box> BoxesOf(const Events& events);
// Texts the log box was given, in order.
std::vector<std::string> LogTextsOf(const Events& events);

// Every warning box is shown before the first refresh that shows its framed
// entry, and every framed entry in the last refresh has had its box.
::testing::AssertionResult BoxesPrecedeTheirEntries(const Events& events);

// The check dialog. Questions (MB_YESNO) take their answers from the script;
// every other box is dismissed with OK.
class FakeWindow : public CheckWindow {
public:
    explicit FakeWindow(Events& events) : m_events(events) {}

    std::deque<int> answers;
    int okResult = 1;  // IDOK
    // The dialog goes away right after the goneAfterCount-th call that starts
    // with this text (a box's "Box(", a smart card call ...); empty: it stays.
    std::string goneAfter;
    size_t goneAfterCount = 1;

    void SetItemText(int id, const char* text) override;
    int GetLineCount(int id) override;
    void ScrollLines(int id, int lines) override;
    void EnableItem(int id, bool enabled) override;
    int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
    bool IsGone() override;

private:
    Events& m_events;
    std::string m_shown;
};

class FakePauser : public Pauser {
public:
    explicit FakePauser(Events& events) : m_events(events) {}
    void Pause(unsigned milliseconds) override;

private:
    Events& m_events;
};

// Hands out the fake smart card functions by export name. Checks on
// destruction that every loaded library was freed exactly once.
class FakeLibraryLoader : public LibraryLoader {
public:
    explicit FakeLibraryLoader(Events& events);
    ~FakeLibraryLoader() override;

    bool loadFails = false;
    std::map<std::string, void*> exports;  // all eight smart card functions at first

    LibraryHandle Load(const char* name) override;
    void* FindExport(LibraryHandle library, const char* exportName) override;
    void Free(LibraryHandle library) override;

private:
    Events& m_events;
    int m_loaded = 0;
};

using testsupport::MakeVersion;
using testsupport::ServiceEntry;

struct ServiceBatch {
    std::vector<ServiceEntry> services;
    uint32_t error = 0;                     // 0, ERROR_MORE_DATA_RESULT or any other
    std::optional<uint32_t> returnedCount;  // what the call claims; the records written if unset
};

// Serves its batches in order, laid out in the caller's buffer as the system
// does (testsupport/service_batch.h); a batch with a returned count leaves
// the whole buffer to records. Checks on destruction that every opened
// handle was closed exactly once.
class FakeServiceManager : public ServiceManager {
public:
    explicit FakeServiceManager(Events& events) : m_events(events) {}
    ~FakeServiceManager() override;

    bool openFails = false;
    std::vector<ServiceBatch> batches;

    ServiceManagerHandle Open() override;
    uint32_t EnumerateBatch(ServiceManagerHandle manager, void* buffer, uint32_t bufferSize,
                            uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override;
    void Close(ServiceManagerHandle manager) override;

private:
    Events& m_events;
    std::deque<std::string> m_strings;  // of a batch with a returned count
    size_t m_next = 0;
    uint32_t m_resume = 0;
    int m_open = 0;
};

// Answers each form with its record, or fails when it has none. A failing
// call scribbles over the record, as a careless system might.
class FakeVersionQuery : public VersionQuery {
public:
    explicit FakeVersionQuery(Events& events) : m_events(events) {}

    std::optional<VersionRecord> extended;
    std::optional<VersionRecord> plain;

    bool Query(VersionForm form, VersionRecord* record) override;

private:
    Events& m_events;
};

// The whole system of one test, sharing one event list.
struct FakeSystem {
    FakeSystem() : libraries(events), system{window, pauser, libraries, services, version} {}

    Events events;
    FakeWindow window{events};
    FakePauser pauser{events};
    FakeSmartCard smartCard{events};
    FakeLibraryLoader libraries;
    FakeServiceManager services{events};
    FakeVersionQuery version{events};
    CheckSystem system;
};

// A Windows 7 PC with the given service pack text whose smart card service
// runs, with the answers Yes, Yes, Yes ready for the interview.
void UseHealthyPc(FakeSystem& fake, const std::string& servicePack = "Service Pack 1");

}  // namespace readercheck::tests
