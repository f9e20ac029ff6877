#include "tests/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "tests/sjis.h"
#include "testsupport/all_zero.h"

namespace readercheck::tests {
namespace {

LibraryHandle const LIBRARY = reinterpret_cast<LibraryHandle>(0x11B0);
ServiceManagerHandle const MANAGER = reinterpret_cast<ServiceManagerHandle>(0x5C3);
constexpr uint32_t ERROR_NO_MORE_BATCHES = 6;  // ERROR_INVALID_HANDLE
constexpr uint32_t RESUME_STEP = 17;

}  // namespace

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::vector<std::string> Events::Calls() const {
    std::vector<std::string> calls;
    for (const Event& event : m_events) {
        calls.push_back(event.call);
    }
    return calls;
}

std::vector<Event> Events::Matching(const std::string& prefix) const {
    std::vector<Event> found;
    for (const Event& event : m_events) {
        if (event.call.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(event);
        }
    }
    return found;
}

std::vector<std::string> Trace(const Events& events, bool smartCardNamesOnly) {
    std::vector<std::string> calls;
    for (const std::string& call : events.Calls()) {
        if (call == "Find" || call.rfind("Query(", 0) == 0) {
            continue;
        }
        if (call.rfind("Scroll(", 0) == 0) {
            calls.push_back("Scroll");
        } else if (smartCardNamesOnly && call.rfind("SCard", 0) == 0) {
            calls.push_back(call.substr(0, call.find('(')));
        } else {
            calls.push_back(call);
        }
    }
    return calls;
}

std::vector<std::string> Then(std::vector<std::string> first,
                              const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void PrintTo(const Box& box, std::ostream* os) {
    *os << "Box(" << Hex(box.flags) << ", [" << Readable(box.caption) << "], ["
        << Readable(box.text) << "])";
}

std::vector<Box> BoxesOf(const Events& events) {
    std::vector<Box> boxes;
    for (const Event& event : events.Matching("Box(")) {
        unsigned flags = std::strtoul(event.call.c_str() + 4, nullptr, 16);
        boxes.push_back({event.text, event.caption, flags});
    }
    return boxes;
}

std::vector<std::string> LogTextsOf(const Events& events) {
    std::vector<std::string> texts;
    for (const Event& event : events.Matching("SetText(" + std::to_string(LOG_ID) + ")")) {
        texts.push_back(event.text);
    }
    return texts;
}

namespace {

size_t FramedEntries(const std::string& text) {
    const std::string slashLine = std::string(65, '/') + "\r\n";
    size_t lines = 0;
    for (size_t at = text.find(slashLine); at != std::string::npos;
         at = text.find(slashLine, at + slashLine.size())) {
        ++lines;
    }
    return lines / 2;  // an opening and a closing line per entry
}

}  // namespace

::testing::AssertionResult BoxesPrecedeTheirEntries(const Events& events) {
    size_t warnings = 0;
    size_t shown = 0;
    for (const Event& event : events.All()) {
        if (event.call == "Box(" + Hex(MB_WARNING_FLAGS) + ")") {
            ++warnings;
        } else if (event.call == "SetText(" + std::to_string(LOG_ID) + ")") {
            shown = FramedEntries(event.text);
            if (shown > warnings) {
                return ::testing::AssertionFailure()
                       << "the log box shows " << shown << " entries after only " << warnings
                       << " warning boxes";
            }
        }
    }
    if (shown != warnings) {
        return ::testing::AssertionFailure()
               << warnings << " warning boxes but " << shown << " entries in the last refresh";
    }
    return ::testing::AssertionSuccess();
}

void FakeWindow::SetItemText(int id, const char* text) {
    m_events.Add("SetText(" + std::to_string(id) + ")", text);
    if (id == LOG_ID) {
        m_shown = text;
    }
}

int FakeWindow::GetLineCount(int id) {
    m_events.Add("LineCount(" + std::to_string(id) + ")");
    return static_cast<int>(std::count(m_shown.begin(), m_shown.end(), '\n')) + 1;
}

void FakeWindow::ScrollLines(int id, int lines) {
    m_events.Add("Scroll(" + std::to_string(id) + "," + std::to_string(lines) + ")");
}

void FakeWindow::EnableItem(int id, bool enabled) {
    m_events.Add("Enable(" + std::to_string(id) + "," + (enabled ? "1" : "0") + ")");
}

int FakeWindow::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    m_events.Add("Box(" + Hex(flags) + ")", text, caption);
    if (flags != MB_YESNO_FLAGS) {
        return okResult;
    }
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << Readable(text);
        return 0;
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakeWindow::IsGone() {
    return !goneAfter.empty() && m_events.Matching(goneAfter).size() >= goneAfterCount;
}

void FakePauser::Pause(unsigned milliseconds) {
    m_events.Add("Pause(" + std::to_string(milliseconds) + ")");
}

FakeLibraryLoader::FakeLibraryLoader(Events& events)
    : exports(FakeSmartCard::Exports()), m_events(events) {}

FakeLibraryLoader::~FakeLibraryLoader() {
    EXPECT_EQ(m_loaded, 0) << "every loaded library is freed once";
}

LibraryHandle FakeLibraryLoader::Load(const char* name) {
    m_events.Add("Load", name);
    if (loadFails) {
        return nullptr;
    }
    ++m_loaded;
    return LIBRARY;
}

void* FakeLibraryLoader::FindExport(LibraryHandle library, const char* exportName) {
    m_events.Add(library == LIBRARY ? "Find" : "Find(wrong library)", exportName);
    auto it = exports.find(exportName);
    return it == exports.end() ? nullptr : it->second;
}

void FakeLibraryLoader::Free(LibraryHandle library) {
    m_events.Add(library == LIBRARY ? "Free" : "Free(wrong library)");
    --m_loaded;
}

FakeServiceManager::~FakeServiceManager() {
    EXPECT_EQ(m_open, 0) << "every opened service manager is closed once";
}

ServiceManagerHandle FakeServiceManager::Open() {
    m_events.Add("Open");
    if (openFails) {
        return nullptr;
    }
    ++m_open;
    return MANAGER;
}

uint32_t FakeServiceManager::EnumerateBatch(ServiceManagerHandle manager, void* buffer,
                                            uint32_t bufferSize, uint32_t* bytesNeeded,
                                            uint32_t* servicesReturned, uint32_t* resumeHandle) {
    m_events.Add(std::string(manager == MANAGER ? "Enum(" : "Enum(wrong handle,") +
                 "size=" + std::to_string(bufferSize) + ",needed=" + std::to_string(*bytesNeeded) +
                 ",returned=" + std::to_string(*servicesReturned) +
                 ",resume=" + std::to_string(*resumeHandle) + ")");
    if (m_next >= batches.size()) {
        ADD_FAILURE() << "service list read after its last batch";
        return ERROR_NO_MORE_BATCHES;
    }
    const ServiceBatch& batch = batches[m_next++];
    m_strings.clear();
    testsupport::ServiceBatchWriter writer =
        batch.returnedCount ? testsupport::ServiceBatchWriter(buffer, bufferSize, &m_strings)
                            : testsupport::ServiceBatchWriter(buffer, bufferSize);
    const uint32_t written = writer.AddAll(batch.services);
    *servicesReturned = batch.returnedCount.value_or(written);
    *bytesNeeded = batch.error == ERROR_MORE_DATA_RESULT ? 4096 : 0;
    m_resume = batch.error == ERROR_MORE_DATA_RESULT ? m_resume + RESUME_STEP : 0;
    *resumeHandle = m_resume;
    return batch.error;
}

void FakeServiceManager::Close(ServiceManagerHandle manager) {
    m_events.Add(manager == MANAGER ? "Close" : "Close(wrong handle)");
    --m_open;
}

bool FakeVersionQuery::Query(VersionForm form, VersionRecord* record) {
    const bool zeroed = testsupport::AllZero(record, sizeof(*record));
    m_events.Add(std::string("Query(") + (form == VersionForm::Extended ? "Extended" : "Plain") +
                 (zeroed ? ",zeroed)" : ",not zeroed)"));
    const std::optional<VersionRecord>& answer = form == VersionForm::Extended ? extended : plain;
    if (!answer) {
        std::memset(record, 'x', sizeof(*record));
        return false;
    }
    *record = *answer;
    return true;
}

void UseHealthyPc(FakeSystem& fake, const std::string& servicePack) {
    fake.version.extended = testsupport::HealthyPcVersion(servicePack);
    fake.services.batches = {{testsupport::HealthyPcServices(), 0, std::nullopt}};
    fake.window.answers = {IDYES_RESULT, IDYES_RESULT, IDYES_RESULT};
}

}  // namespace readercheck::tests
