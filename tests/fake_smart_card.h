// A scripted smart card system behind the library's exports
// (testsupport/smart_card_backend.h). Every buffer write is exact: never more
// bytes than the script holds or than the caller's size allows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check/smart_card_api.h"
#include "testsupport/smart_card_backend.h"

namespace readercheck::tests {

class Events;

// What one reader does with its card.
struct FakeCard {
    ScardLong connectResult = 0;                  // SCARD_S_SUCCESS
    ScardLong statusResult = 0;                   // SCARD_S_SUCCESS
    std::string statusNames;                      // bytes written into the name buffer
    std::optional<ScardDword> statusNamesLength;  // returned length; the byte count if unset
    ScardDword state = 6;                         // SCARD_SPECIFIC
    ScardDword protocol = SCARD_PROTOCOL_T1;
    std::vector<uint8_t> atr;                 // bytes written into the ATR buffer
    std::optional<ScardDword> atrLength;      // returned length; the byte count if unset
    ScardLong controlResult = 0;              // SCARD_S_SUCCESS
    std::vector<uint8_t> versionReply;        // bytes written into the reply buffer
    std::optional<ScardDword> versionLength;  // returned length; the byte count if unset
    ScardLong disconnectResult = 0;           // SCARD_S_SUCCESS
};

// A card that answers every step: its reader's name as status, SCARD_SPECIFIC
// with T1, a five-byte ATR and the version bytes 1, 2, 3, 0x0A.
FakeCard WorkingCard(const std::string& readerName);
extern const char WORKING_CARD_ATR_TEXT[];  // "3B 8A 80 01 00 "

class FakeSmartCard : public testsupport::SmartCardBackend {
public:
    explicit FakeSmartCard(Events& events) : m_events(events) {}

    static constexpr ScardContext CONTEXT = 0xC0417E47;
    static constexpr ScardLong NO_CARD = static_cast<ScardLong>(0x8010000C);

    ScardLong establishResult = 0;  // SCARD_S_SUCCESS
    ScardLong groupsResult = 0;     // SCARD_S_SUCCESS
    ScardLong readersResult = 0;    // SCARD_S_SUCCESS
    // Bytes written into the reader buffer; a list that does not fit is
    // refused with its length, as the system does, unless a returned length
    // is set (a failing call returns that length too, when set).
    std::string readerList;
    std::optional<ScardDword> readerListLength;  // returned length; the byte count if unset
    // Readers plugged in while the list is asked for: each refusal for want
    // of space adds the next one to the end of the list.
    std::vector<std::string> pluggedIn;
    ScardLong releaseResult = 0;  // SCARD_S_SUCCESS
    // Cards by the reader name passed to SCardConnectA; an unknown name
    // finds no card.
    std::map<std::string, FakeCard> cards;

    ScardLong EstablishContext(ScardDword scope, const void* reserved1, const void* reserved2,
                               ScardContext* context) override;
    ScardLong ListReaderGroups(ScardContext context, char* groups, ScardDword* groupsLen) override;
    ScardLong ListReaders(ScardContext context, const char* groups, char* readers,
                          ScardDword* readersLen) override;
    ScardLong Connect(ScardContext context, const char* reader, ScardDword shareMode,
                      ScardDword protocols, ScardHandle* card, ScardDword* activeProtocol) override;
    ScardLong Status(ScardHandle card, char* readerNames, ScardDword* namesLen, ScardDword* state,
                     ScardDword* protocol, uint8_t* atr, ScardDword* atrLen) override;
    ScardLong Disconnect(ScardHandle card, ScardDword disposition) override;
    ScardLong ReleaseContext(ScardContext context) override;
    ScardLong Control(ScardHandle card, ScardDword controlCode, const void* inBuffer,
                      ScardDword inSize, void* outBuffer, ScardDword outSize,
                      ScardDword* bytesReturned) override;

private:
    struct Connection {
        std::string reader;
        FakeCard* card;
    };
    const Connection* Find(ScardHandle handle, const char* call);
    std::string ContextText(ScardContext context) const;

    Events& m_events;
    std::map<ScardHandle, Connection> m_connections;
    ScardHandle m_nextHandle = 0x100;
};

}  // namespace readercheck::tests
