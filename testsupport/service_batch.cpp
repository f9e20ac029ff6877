#include "testsupport/service_batch.h"

#include <cstring>

namespace readercheck::testsupport {

ServiceBatchWriter::ServiceBatchWriter(void* buffer, uint32_t size)
    : m_buffer(static_cast<unsigned char*>(buffer)), m_stringsStart(size) {}

ServiceBatchWriter::ServiceBatchWriter(void* buffer, uint32_t size,
                                       std::deque<std::string>* strings)
    : ServiceBatchWriter(buffer, size) {
    m_strings = strings;
}

bool ServiceBatchWriter::Add(const std::string& serviceName, const std::string& displayName,
                             uint32_t state) {
    const size_t stringsSize =
        m_strings != nullptr ? 0 : serviceName.size() + 1 + displayName.size() + 1;
    const size_t recordsEnd = (m_count + 1) * sizeof(ServiceStatusRecord);
    if (stringsSize > m_stringsStart || recordsEnd > m_stringsStart - stringsSize) {
        return false;
    }
    ServiceStatusRecord record = {};
    record.serviceName = PutString(serviceName);
    record.displayName = PutString(displayName);
    record.serviceType = 0x10;  // SERVICE_WIN32_OWN_PROCESS
    record.currentState = state;
    PutRecord(record);
    return true;
}

uint32_t ServiceBatchWriter::AddAll(const std::vector<ServiceEntry>& services) {
    for (const ServiceEntry& service : services) {
        if (!Add(service.name, service.displayName, service.state)) {
            break;
        }
    }
    return m_count;
}

uint32_t ServiceBatchWriter::PadTo(uint32_t count) {
    while (m_count < count && (m_count + 1) * sizeof(ServiceStatusRecord) <= m_stringsStart) {
        PutRecord(ServiceStatusRecord{});
    }
    return m_count;
}

const char* ServiceBatchWriter::PutString(const std::string& text) {
    if (m_strings != nullptr) {
        m_strings->push_back(text);
        return m_strings->back().c_str();
    }
    m_stringsStart -= static_cast<uint32_t>(text.size() + 1);
    char* place = reinterpret_cast<char*>(m_buffer + m_stringsStart);
    std::memcpy(place, text.c_str(), text.size() + 1);
    return place;
}

void ServiceBatchWriter::PutRecord(const ServiceStatusRecord& record) {
    std::memcpy(m_buffer + m_count * sizeof(ServiceStatusRecord), &record, sizeof record);
    ++m_count;
}

}  // namespace readercheck::testsupport
