// A scripted smart card system: plain functions with the signatures of the
// system's smart card library, driven by the one scenario object alive at a
// time (function pointers cannot carry state, so they reach it through a
// static pointer). Every buffer write is exact: never more bytes than the
// script holds or than the caller's size allows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check/smart_card_api.h"

namespace readercheck::tests {

class Events;

// What one reader does with its card.
struct FakeCard {
    ScardLong connectResult = SCARD_S_SUCCESS;
    ScardLong statusResult = SCARD_S_SUCCESS;
    std::string statusNames;                      // bytes written into the name buffer
    std::optional<ScardDword> statusNamesLength;  // returned length; the byte count if unset
    ScardDword state = 6;                         // SCARD_SPECIFIC
    ScardDword protocol = SCARD_PROTOCOL_T1;
    std::vector<uint8_t> atr;             // bytes written into the ATR buffer
    std::optional<ScardDword> atrLength;  // returned length; the byte count if unset
    ScardLong controlResult = SCARD_S_SUCCESS;
    std::vector<uint8_t> versionReply;        // bytes written into the reply buffer
    std::optional<ScardDword> versionLength;  // returned length; the byte count if unset
    ScardLong disconnectResult = SCARD_S_SUCCESS;
};

// A card that answers every step: its reader's name as status, SCARD_SPECIFIC
// with T1, a five-byte ATR and the version bytes 1, 2, 3, 0x0A.
FakeCard WorkingCard(const std::string& readerName);
extern const char WORKING_CARD_ATR_TEXT[];  // "3B 8A 80 01 00 "

class FakeSmartCard {
public:
    explicit FakeSmartCard(Events& events);
    ~FakeSmartCard();
    FakeSmartCard(const FakeSmartCard&) = delete;
    FakeSmartCard& operator=(const FakeSmartCard&) = delete;

    static constexpr ScardContext CONTEXT = 0xC0417E47;
    static constexpr ScardLong NO_CARD = static_cast<ScardLong>(0x8010000C);

    ScardLong establishResult = SCARD_S_SUCCESS;
    ScardLong groupsResult = SCARD_S_SUCCESS;
    ScardLong readersResult = SCARD_S_SUCCESS;
    std::string readerList;                      // bytes written into the reader buffer
    std::optional<ScardDword> readerListLength;  // returned length; the byte count if unset
    ScardLong releaseResult = SCARD_S_SUCCESS;
    // Cards by the reader name passed to SCardConnectA; an unknown name
    // finds no card.
    std::map<std::string, FakeCard> cards;

    // The eight functions, bound directly.
    static SmartCardApi Api();
    // The same functions by export name, as the library holds them.
    static std::map<std::string, void*> Exports();

private:
    struct Connection {
        std::string reader;
        FakeCard* card;
    };
    static FakeSmartCard& Current();
    const Connection* Find(ScardHandle handle, const char* call);
    std::string ContextText(ScardContext context) const;

    static ScardLong SCARD_CALL EstablishContext(ScardDword scope, const void* reserved1,
                                                 const void* reserved2, ScardContext* context);
    static ScardLong SCARD_CALL ListReaderGroups(ScardContext context, char* groups,
                                                 ScardDword* groupsLen);
    static ScardLong SCARD_CALL ListReaders(ScardContext context, const char* groups, char* readers,
                                            ScardDword* readersLen);
    static ScardLong SCARD_CALL Connect(ScardContext context, const char* reader,
                                        ScardDword shareMode, ScardDword protocols,
                                        ScardHandle* card, ScardDword* activeProtocol);
    static ScardLong SCARD_CALL Status(ScardHandle card, char* readerNames, ScardDword* namesLen,
                                       ScardDword* state, ScardDword* protocol, uint8_t* atr,
                                       ScardDword* atrLen);
    static ScardLong SCARD_CALL Disconnect(ScardHandle card, ScardDword disposition);
    static ScardLong SCARD_CALL ReleaseContext(ScardContext context);
    static ScardLong SCARD_CALL Control(ScardHandle card, ScardDword controlCode,
                                        const void* inBuffer, ScardDword inSize, void* outBuffer,
                                        ScardDword outSize, ScardDword* bytesReturned);

    static FakeSmartCard* s_current;
    Events& m_events;
    std::map<ScardHandle, Connection> m_connections;
    ScardHandle m_nextHandle = 0x100;
};

}  // namespace readercheck::tests
