#include "fuzz/fake_system.h"

#include <algorithm>
#include <cstring>

#include "testsupport/healthy_pc.h"

namespace readercheck::fuzzing {

void FakeWindow::SetItemText(int id, const char* text) {
    FUZZ_CHECK(id == IDC_LOG);
    FUZZ_CHECK(text != nullptr);
    const size_t length = std::strlen(text);
    // The log is append-only, so a refresh never loses what was shown.
    FUZZ_CHECK(length >= m_shown.size());
    FUZZ_CHECK(std::memcmp(text, m_shown.data(), m_shown.size()) == 0);
    const char* added = text + m_shown.size();
    m_lines += static_cast<int>(std::count(added, text + length, '\n'));
    m_shown.append(added);
}

int FakeWindow::GetLineCount(int id) {
    FUZZ_CHECK(id == IDC_LOG);
    return m_lines;
}

void FakeWindow::ScrollLines(int id, int lines) {
    FUZZ_CHECK(id == IDC_LOG);
    FUZZ_CHECK(lines >= 0);
}

void FakeWindow::EnableItem(int id, bool enabled) {
    FUZZ_CHECK(id == IDOK || id == IDC_START_CHECK);
    (id == IDOK ? m_exitEnabled : m_startEnabled) = enabled;
}

int FakeWindow::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    FUZZ_CHECK(text != nullptr && caption != nullptr);
    FUZZ_CHECK(std::strlen(text) > 0 && std::strlen(caption) > 0);
    switch (flags) {
        case 0x30:  // MB_OK | MB_ICONEXCLAMATION
            ++m_warnings;
            break;
        case 0x04:  // MB_YESNO
            ++m_questions;
            break;
        case 0x00:  // MB_OK
            ++m_notices;
            break;
        default:
            FUZZ_CHECK(!"unknown box flags");
    }
    if (m_answers != nullptr) {
        return static_cast<int>(m_answers->U32());
    }
    return flags == 0x04 ? 6 : 1;  // IDYES to MB_YESNO, else IDOK
}

namespace {

// Any non-null value: the handle is only ever passed back.
ServiceManagerHandle const FIXED_MANAGER = reinterpret_cast<ServiceManagerHandle>(0x5c3);

}  // namespace

bool FixedVersion::Query(VersionForm, VersionRecord* record) {
    *record = testsupport::HealthyPcVersion();
    return true;
}

ServiceManagerHandle RunningSmartCardService::Open() {
    ++m_openCount;
    return FIXED_MANAGER;
}

uint32_t RunningSmartCardService::EnumerateBatch(ServiceManagerHandle manager, void* buffer,
                                                 uint32_t bufferSize, uint32_t* bytesNeeded,
                                                 uint32_t* servicesReturned, uint32_t*) {
    FUZZ_CHECK(manager == FIXED_MANAGER);
    testsupport::ServiceBatchWriter batch(buffer, bufferSize);
    *servicesReturned = batch.AddAll(testsupport::HealthyPcServices());
    *bytesNeeded = 0;
    return 0;
}

void RunningSmartCardService::Close(ServiceManagerHandle manager) {
    FUZZ_CHECK(manager == FIXED_MANAGER);
    FUZZ_CHECK(m_openCount-- == 1);
}

}  // namespace readercheck::fuzzing
