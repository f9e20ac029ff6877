#include "tests/fake_smart_card.h"

#include <algorithm>
#include <cstring>

#include "tests/fakes.h"
#include "testsupport/all_zero.h"

namespace readercheck::tests {
namespace {

constexpr ScardLong INVALID_HANDLE = static_cast<ScardLong>(0x80100003);
constexpr ScardLong SUCCESS = 0;  // SCARD_S_SUCCESS
constexpr ScardLong INSUFFICIENT_BUFFER = static_cast<ScardLong>(0x80100008);

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
    m_events.Add("SCardEstablishContext(scope=" + std::to_string(scope) +
                 (reserved1 == nullptr && reserved2 == nullptr ? ",null,null)" : ",reserved)"));
    if (establishResult == SUCCESS) {
        *context = CONTEXT;
    }
    return establishResult;
}

ScardLong FakeSmartCard::ListReaderGroups(ScardContext context, char* groups,
                                          ScardDword* groupsLen) {
    m_events.Add("SCardListReaderGroupsA(" + ContextText(context) +
                 (groups == nullptr ? ",null" : ",buffer") +
                 (groupsLen != nullptr ? ",len=" + std::to_string(*groupsLen) + ")" : ",nolen)"));
    if (groupsResult == SUCCESS && groupsLen != nullptr) {
        *groupsLen = 22;  // the size of "SCard$DefaultReaders" with both terminators
    }
    return groupsResult;
}

ScardLong FakeSmartCard::ListReaders(ScardContext context, const char* groups, char* readers,
                                     ScardDword* readersLen) {
    ScardDword capacity = *readersLen;
    bool cleared = readers != nullptr && testsupport::AllZero(readers, capacity);
    m_events.Add("SCardListReadersA(" + ContextText(context) +
                 (groups == nullptr ? ",null" : ",groups") + ",len=" + std::to_string(capacity) +
                 (cleared ? ",cleared)" : ",not cleared)"));
    if (readersResult == SUCCESS && !readerListLength && readerList.size() > capacity) {
        *readersLen = static_cast<ScardDword>(readerList.size());  // what the list needs
        if (!pluggedIn.empty()) {
            readerList.insert(readerList.size() - 1, pluggedIn.front() + '\0');
            pluggedIn.erase(pluggedIn.begin());
        }
        return INSUFFICIENT_BUFFER;
    }
    if (readersResult == SUCCESS) {
        WriteExactly(readers, capacity, readerList.data(), readerList.size());
        *readersLen = readerListLength.value_or(readerList.size());
    } else if (readerListLength) {
        *readersLen = *readerListLength;
    }
    return readersResult;
}

ScardLong FakeSmartCard::Connect(ScardContext context, const char* reader, ScardDword shareMode,
                                 ScardDword protocols, ScardHandle* card,
                                 ScardDword* activeProtocol) {
    m_events.Add("SCardConnectA(" + ContextText(context) + ",share=" + std::to_string(shareMode) +
                     ",protocols=" + std::to_string(protocols) + ")",
                 reader);
    auto it = cards.find(reader);
    if (it == cards.end()) {
        return NO_CARD;
    }
    if (it->second.connectResult != SUCCESS) {
        return it->second.connectResult;
    }
    ScardHandle handle = m_nextHandle++;
    m_connections[handle] = {reader, &it->second};
    *card = handle;
    *activeProtocol = it->second.protocol;
    return SUCCESS;
}

ScardLong FakeSmartCard::Status(ScardHandle handle, char* readerNames, ScardDword* namesLen,
                                ScardDword* state, ScardDword* protocol, uint8_t* atr,
                                ScardDword* atrLen) {
    const Connection* connection = Find(handle, "SCardStatusA");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    m_events.Add("SCardStatusA(card,namesLen=" + std::to_string(*namesLen) + ",protocol=" +
                     std::to_string(*protocol) + ",atrLen=" + std::to_string(*atrLen) + ")",
                 connection->reader);
    const FakeCard& card = *connection->card;
    if (card.statusResult != SUCCESS) {
        return card.statusResult;
    }
    WriteExactly(readerNames, *namesLen, card.statusNames.data(), card.statusNames.size());
    *namesLen = card.statusNamesLength.value_or(card.statusNames.size());
    *state = card.state;
    *protocol = card.protocol;
    WriteExactly(atr, *atrLen, card.atr.data(), card.atr.size());
    *atrLen = card.atrLength.value_or(card.atr.size());
    return SUCCESS;
}

ScardLong FakeSmartCard::Control(ScardHandle handle, ScardDword controlCode, const void* inBuffer,
                                 ScardDword inSize, void* outBuffer, ScardDword outSize,
                                 ScardDword* bytesReturned) {
    const Connection* connection = Find(handle, "SCardControl");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    bool zeroed = outBuffer != nullptr && testsupport::AllZero(outBuffer, outSize);
    m_events.Add("SCardControl(card,code=" + Hex(controlCode) +
                     (inBuffer == nullptr ? ",in=null," : ",in=buffer,") + std::to_string(inSize) +
                     ",outSize=" + std::to_string(outSize) + (zeroed ? ",zeroed)" : ",not zeroed)"),
                 connection->reader);
    const FakeCard& card = *connection->card;
    if (card.controlResult != SUCCESS) {
        return card.controlResult;
    }
    WriteExactly(outBuffer, outSize, card.versionReply.data(), card.versionReply.size());
    *bytesReturned = card.versionLength.value_or(card.versionReply.size());
    return SUCCESS;
}

ScardLong FakeSmartCard::Disconnect(ScardHandle handle, ScardDword disposition) {
    const Connection* connection = Find(handle, "SCardDisconnect");
    if (connection == nullptr) {
        return INVALID_HANDLE;
    }
    m_events.Add("SCardDisconnect(card,disposition=" + std::to_string(disposition) + ")",
                 connection->reader);
    return connection->card->disconnectResult;
}

ScardLong FakeSmartCard::ReleaseContext(ScardContext context) {
    m_events.Add("SCardReleaseContext(" + ContextText(context) + ")");
    return releaseResult;
}

}  // namespace readercheck::tests
