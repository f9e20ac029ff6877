// Lays out one batch of the service list in the caller's buffer as the
// system does: records from the start, their strings packed from the end.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "check/platform.h"

namespace readercheck::testsupport {

struct ServiceEntry {
    std::string name;
    std::string displayName;
    uint32_t state;
};

class ServiceBatchWriter {
public:
    ServiceBatchWriter(void* buffer, uint32_t size);
    // Strings kept in `strings` instead, which leaves the whole buffer to
    // records: for a batch whose count claims more records than it has.
    ServiceBatchWriter(void* buffer, uint32_t size, std::deque<std::string>* strings);

    // False, writing nothing, when the record and its strings do not fit.
    bool Add(const std::string& serviceName, const std::string& displayName, uint32_t state);
    // Adds the services in order while they fit; returns the records written.
    uint32_t AddAll(const std::vector<ServiceEntry>& services);

    // Empty records (no names) up to count in all, as far as they fit before
    // the strings; returns how many records the buffer now holds.
    uint32_t PadTo(uint32_t count);

    uint32_t Count() const { return m_count; }

private:
    const char* PutString(const std::string& text);
    void PutRecord(const ServiceStatusRecord& record);

    std::deque<std::string>* m_strings = nullptr;
    unsigned char* m_buffer;
    uint32_t m_stringsStart;  // strings occupy the buffer from here to its end
    uint32_t m_count = 0;
};

}  // namespace readercheck::testsupport
