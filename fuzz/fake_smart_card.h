// The smart card library as a fuzzed system answers it. Each call takes its
// result code and its outputs from the input, in call order:
//   result       one byte below 0x80: success; otherwise four bytes: any code
//   value        one byte below 0xF0 is the value, otherwise four bytes give it
//   block        16-bit length and bytes, written into the caller's buffer up
//                to the size the caller passed and no further
//   length       what the call hands back as the filled length: mostly the
//                number of bytes written, but any value (see ReturnedLength)
// Per call, after its result:
//   SCardEstablishContext   -
//   SCardListReaderGroupsA  groups length (value)
//   SCardListReadersA       reader list (block), its length
//   SCardConnectA           active protocol (value)
//   SCardStatusA            names (block), names length, state (value),
//                           protocol (value), ATR (block), ATR length
//   SCardControl            version reply (block), returned length
//   SCardDisconnect         -
//   SCardReleaseContext     -
// The fake also holds the check to the handle rules of the real library:
// only an open context and connected cards are used, and a run leaves none
// of them open.
#pragma once

#include <vector>

#include "check/smart_card_api.h"
#include "fuzz/fuzz_input.h"
#include "testsupport/smart_card_backend.h"

namespace readercheck::fuzzing {

class FakeSmartCard : public testsupport::SmartCardBackend {
public:
    explicit FakeSmartCard(FuzzInput& input) : m_input(input) {}

    // "WinSCard.dll" with the eight exports of this fake.
    LibraryLoader& Library() { return m_library; }

    // After a run: the context released when one was opened, every card
    // disconnected, the library freed when it was loaded.
    void CheckAllReleased() const;

    ScardLong EstablishContext(ScardDword scope, const void* reserved1, const void* reserved2,
                               ScardContext* context) override;
    ScardLong ListReaderGroups(ScardContext context, char* groups, ScardDword* groupsLen) override;
    ScardLong ListReaders(ScardContext context, const char* groups, char* readers,
                          ScardDword* readersLen) override;
    ScardLong Connect(ScardContext context, const char* reader, ScardDword shareMode,
                      ScardDword protocols, ScardHandle* card, ScardDword* activeProtocol) override;
    ScardLong Status(ScardHandle card, char* names, ScardDword* namesLen, ScardDword* state,
                     ScardDword* protocol, uint8_t* atr, ScardDword* atrLen) override;
    ScardLong Disconnect(ScardHandle card, ScardDword disposition) override;
    ScardLong ReleaseContext(ScardContext context) override;
    ScardLong Control(ScardHandle card, ScardDword controlCode, const void* in, ScardDword inSize,
                      void* out, ScardDword outSize, ScardDword* returned) override;

private:
    class FakeLibrary : public LibraryLoader {
    public:
        LibraryHandle Load(const char* name) override;
        void* FindExport(LibraryHandle library, const char* exportName) override;
        void Free(LibraryHandle library) override;
        int loaded = 0;
    };

    ScardLong Result();
    ScardDword WriteBlock(void* buffer, ScardDword capacity);
    ScardDword ReturnedLength(ScardDword written, ScardDword capacity);
    void CheckContext(ScardContext context) const;
    size_t CheckCard(ScardHandle card) const;

    FuzzInput& m_input;
    FakeLibrary m_library;
    bool m_established = false;
    bool m_released = false;
    std::vector<bool> m_cardsOpen;  // by card handle index
};

}  // namespace readercheck::fuzzing
