// Version records with every field from the input. Each version call takes,
// in order: one byte (odd: the call fails and writes nothing), then major,
// minor (values), build (four bytes), platform (value) and the service pack
// text (block, up to its 128 bytes, so with no terminator when it fills
// them). GetWindowsName, GetServicePackText and ReadWindowsVersion run in
// turn, each with the calls it makes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_input.h"
#include "sysinfo/windows_version.h"
#include "testsupport/all_zero.h"

using namespace readercheck;
using namespace readercheck::fuzzing;

namespace {

class FuzzedVersion : public VersionQuery {
public:
    explicit FuzzedVersion(FuzzInput& input) : m_input(input) {}

    bool Query(VersionForm form, VersionRecord* record) override;

    // Since the last Reset: whether any call succeeded, and the record the
    // last successful one wrote.
    void Reset() {
        m_succeeded = false;
        m_calls = 0;
    }
    bool Succeeded() const { return m_succeeded; }
    int Calls() const { return m_calls; }
    const VersionRecord& Written() const { return m_written; }

private:
    FuzzInput& m_input;
    bool m_succeeded = false;
    int m_calls = 0;
    VersionRecord m_written = {};
};

bool FuzzedVersion::Query(VersionForm form, VersionRecord* record) {
    FUZZ_CHECK(form == VersionForm::Extended || form == VersionForm::Plain);
    FUZZ_CHECK(record != nullptr && testsupport::AllZero(record, sizeof *record));
    FUZZ_CHECK(!m_succeeded);  // no second call after a successful one
    FUZZ_CHECK(++m_calls <= 2);
    if (m_input.Byte() & 1) {
        return false;
    }
    record->majorVersion = m_input.Value();
    record->minorVersion = m_input.Value();
    record->buildNumber = m_input.U32();
    record->platformId = m_input.Value();
    const FuzzInput::Block csd = m_input.TakeBlock();
    std::memcpy(record->csdVersion, csd.data, std::min(csd.size, sizeof record->csdVersion));
    m_written = *record;
    m_succeeded = true;
    return true;
}

void CheckWindowsName(FuzzedVersion& query) {
    // Exactly the caller's 100 bytes, dirty, so that ASan sees any write past them.
    std::unique_ptr<char[]> buffer(new char[WINDOWS_NAME_SIZE]);
    std::memset(buffer.get(), 0x7F, WINDOWS_NAME_SIZE);
    query.Reset();
    GetWindowsName(query, nullptr);  // no buffer: nothing to fill, nothing asked
    FUZZ_CHECK(query.Calls() == 0);
    GetWindowsName(query, buffer.get());
    FUZZ_CHECK(std::memchr(buffer.get(), '\0', WINDOWS_NAME_SIZE) != nullptr);
    FUZZ_CHECK((buffer[0] != '\0') == query.Succeeded());
}

void CheckServicePackText(FuzzedVersion& query) {
    query.Reset();
    const std::string text = GetServicePackText(query);
    // The sentence goes into the log as one zero-ended text.
    FUZZ_CHECK(!text.empty() && text.find('\0') == std::string::npos);
    if (query.Succeeded()) {
        const char* csd = query.Written().csdVersion;
        const std::string reported(csd, strnlen(csd, sizeof query.Written().csdVersion));
        FUZZ_CHECK(reported == " " || text.find(reported) != std::string::npos);
    }
}

void CheckReadWindowsVersion(FuzzedVersion& query) {
    VersionRecord record;
    std::memset(&record, 0x7F, sizeof record);
    query.Reset();
    const bool read = ReadWindowsVersion(query, &record);
    FUZZ_CHECK(read == query.Succeeded());
    if (read) {
        FUZZ_CHECK(std::memcmp(&record, &query.Written(), sizeof record) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    FuzzedVersion query(input);
    CheckWindowsName(query);
    CheckServicePackText(query);
    CheckReadWindowsVersion(query);
    return 0;
}
