#include "tests/fake_smart_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tests/fakes.h"

namespace readercheck::tests {
namespace {

constexpr ScardLong INVALID_HANDLE = static_cast<ScardLong>(0x80100003);

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

bool AllZero(const void* buffer, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

// Copies at most capacity bytes of data, as a system call that respects the
// caller's buffer size does.
void WriteExactly(void* buffer, size_t capacity, const void* data, size_t size) {
    if (buffer != nullptr && size > 0) {
        std::memcpy(buffer, data, std::min(capacity, size));
    }
}

}  // namespace

const char WORKING_CARD_ATR_TEXT[] = "3B 8A 80 01 00 ";

FakeCard WorkingCard(const std::string& readerName) {
    FakeCard card;
    card.statusNames = readerName + std::string(2, '\0');
    card.atr = {0x3B, 0x8A, 0x80, 0x01, 0x00};
    card.versionReply = {0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x0A};
    return card;
}

FakeSmartCard* FakeSmartCard::s_current = nullptr;

FakeSmartCard::FakeSmartCard(Events& events) : m_events(events) {
    EXPECT_EQ(s_current, nullptr) << "only one fake smart card may be alive";
    s_current = this;
}

FakeSmartCard::~FakeSmartCard() {
    s_current = nullptr;
}

FakeSmartCard& FakeSmartCard::Current() {
    return *s_current;
}

SmartCardApi FakeSmartCard::Api() {
    SmartCardApi api;
    api.establishContext = &EstablishContext;
    api.listReaderGroups = &ListReaderGroups;
    api.listReaders = &ListReaders;
    api.connect = &Connect;
    api.status = &Status;
    api.disconnect = &Disconnect;
    api.releaseContext = &ReleaseContext;
    api.control = &Control;
    return api;
}

std::map<std::string, void*> FakeSmartCard::Exports() {
    SmartCardApi api = Api();
    return {
        {"SCardEstablishContext", reinterpret_cast<void*>(api.establishContext)},
        {"SCardListReaderGroupsA", reinterpret_cast<void*>(api.listReaderGroups)},
        {"SCardListReadersA", reinterpret_cast<void*>(api.listReaders)},
        {"SCardConnectA", reinterpret_cast<void*>(api.connect)},
        {"SCardStatusA", reinterpret_cast<void*>(api.status)},
        {"SCardDisconnect", reinterpret_cast<void*>(api.disconnect)},
        {"SCardReleaseContext", reinterpret_cast<void*>(api.releaseContext)},
        {"SCardControl", reinterpret_cast<void*>(api.control)},
    };
}

const FakeSmartCard::Connection* FakeSmartCard::Find(ScardHandle handle, const char* call) {
    auto it = m_connections.find(handle);
    if (it == m_connections.end()) {
        m_events.Add(std::string(call) + "(unknown card " + Hex(handle) + ")");
        return nullptr;
    }
    return &it->second;
}

std::string FakeSmartCard::ContextText(ScardContext context) const {
    return context == CONTEXT ? "context" : "wrong context " + Hex(context);
}

ScardLong FakeSmartCard::EstablishContext(ScardDword scope, const void* reserved1,
                                          const void* reserved2, ScardContext* context) {
    FakeSmartCard& self = Current();
    self.m_events.Add(
        "SCardEstablishContext(scope=" + std::to_string(scope) +
        (reserved1 == nullptr && reserved2 == nullptr ? ",null,null)" : ",reserved)"));
    if (self.establishResult == SCARD_S_SUCCESS) {
        *context = CONTEXT;
    }
    return self.establishResult;
}

ScardLong FakeSmartCard::ListReaderGroups(ScardContext context, char* groups,
                                          ScardDword* groupsLen) {
    FakeSmartCard& self = Current();
    self.m_events.Add("SCardListReaderGroupsA(" + self.ContextText(context) +
                      (groups == nullptr ? ",null)" : ",buffer)"));
    if (self.groupsResult == SCARD_S_SUCCESS && groupsLen != nullptr) {
        *groupsLen = 22;  // the size of "SCard$DefaultReaders" with both terminators
    }
    return self.groupsResult;
}

ScardLong FakeSmartCard::ListReaders(ScardContext context, const char* groups, char* readers,
                                     ScardDword* readersLen) {
    FakeSmartCard& self = Current();
    ScardDword capacity = *readersLen;
    bool cleared = readers != nullptr && AllZero(readers, capacity);
    self.m_events.Add("SCardListReadersA(" + self.ContextText(context) +
                      (groups == nullptr ? ",null" : ",groups") + ",len=" +
                      std::to_string(capacity) + (cleared ? ",cleared)" : ",not cleared)"));
    if (self.readersResult == SCARD_S_SUCCESS) {
        WriteExactly(readers, capacity, self.readerList.data(), self.readerList.size());
        *readersLen = self.readerListLength.value_or(self.readerList.size());
    }
    return self.readersResult;
}

ScardLong FakeSmartCard::Connect(ScardContext context, const char* reader, ScardDword shareMode,
                                 ScardDword protocols, ScardHandle* card,
                                 ScardDword* activeProtocol) {
    FakeSmartCard& self = Current();
    self.m_events.Add("SCardConnectA(" + self.ContextText(context) +
                          ",share=" + std::to_string(shareMode) +
                          ",protocols=" + std::to_string(protocols) + ")",
                      reader);
    auto it = self.cards.find(reader);
    if (it == self.cards.end()) {
        return NO_CARD;
    }
    if (it->second.connectResult != SCARD_S_SUCCESS) {
        return it->second.connectResult;
    }
    ScardHandle handle = self.m_nextHandle++;
    self.m_connections[handle] = {reader, &it->second};
    *card = handle;
    *activeProtocol = it->second.protocol;
    return SCARD_S_SUCCESS;
}

ScardLong FakeSmartCard::Status(ScardHandle handle, char* readerNames, ScardDword* namesLen,
                                ScardDword* state, ScardDword* protocol, uint8_t* atr,
                                ScardDword* atrLen) {
    FakeSmartCard& self = Current();
    const Connection* connection = self.Find(handle, "SCardStatusA");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    self.m_events.Add("SCardStatusA(card,namesLen=" + std::to_string(*namesLen) + ",protocol=" +
                          std::to_string(*protocol) + ",atrLen=" + std::to_string(*atrLen) + ")",
                      connection->reader);
    const FakeCard& card = *connection->card;
    if (card.statusResult != SCARD_S_SUCCESS) {
        return card.statusResult;
    }
    WriteExactly(readerNames, *namesLen, card.statusNames.data(), card.statusNames.size());
    *namesLen = card.statusNamesLength.value_or(card.statusNames.size());
    *state = card.state;
    *protocol = card.protocol;
    WriteExactly(atr, *atrLen, card.atr.data(), card.atr.size());
    *atrLen = card.atrLength.value_or(card.atr.size());
    return SCARD_S_SUCCESS;
}

ScardLong FakeSmartCard::Control(ScardHandle handle, ScardDword controlCode, const void* inBuffer,
                                 ScardDword inSize, void* outBuffer, ScardDword outSize,
                                 ScardDword* bytesReturned) {
    FakeSmartCard& self = Current();
    const Connection* connection = self.Find(handle, "SCardControl");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    bool zeroed = outBuffer != nullptr && AllZero(outBuffer, outSize);
    self.m_events.Add("SCardControl(card,code=" + Hex(controlCode) +
                          (inBuffer == nullptr ? ",in=null," : ",in=buffer,") +
                          std::to_string(inSize) + ",outSize=" + std::to_string(outSize) +
                          (zeroed ? ",zeroed)" : ",not zeroed)"),
                      connection->reader);
    const FakeCard& card = *connection->card;
    if (card.controlResult != SCARD_S_SUCCESS) {
        return card.controlResult;
    }
    WriteExactly(outBuffer, outSize, card.versionReply.data(), card.versionReply.size());
    *bytesReturned = card.versionLength.value_or(card.versionReply.size());
    return SCARD_S_SUCCESS;
}

ScardLong FakeSmartCard::Disconnect(ScardHandle handle, ScardDword disposition) {
    FakeSmartCard& self = Current();
    const Connection* connection = self.Find(handle, "SCardDisconnect");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    self.m_events.Add("SCardDisconnect(card,disposition=" + std::to_string(disposition) + ")",
                      connection->reader);
    return connection->card->disconnectResult;
}

ScardLong FakeSmartCard::ReleaseContext(ScardContext context) {
    FakeSmartCard& self = Current();
    self.m_events.Add("SCardReleaseContext(" + self.ContextText(context) + ")");
    return self.releaseResult;
}

}  // namespace readercheck::tests
