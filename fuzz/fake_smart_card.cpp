#include "fuzz/fake_smart_card.h"

#include <cstring>
#include <map>
#include <string>

namespace readercheck::fuzzing {

namespace {

constexpr ScardContext OPEN_CONTEXT = 0xC0DE;
constexpr ScardHandle FIRST_CARD = 0x10000;
// Left in the outputs of a failed call: the check must never pass them on.
constexpr ScardContext FAILED_CONTEXT = 0xBAD0C0DE;
constexpr ScardHandle FAILED_CARD = 0xBADCA4D;

LibraryHandle const LIBRARY_TOKEN = reinterpret_cast<LibraryHandle>(0x5ca4d);

}  // namespace

LibraryHandle FakeSmartCard::FakeLibrary::Load(const char* name) {
    FUZZ_CHECK(name != nullptr && std::strcmp(name, SMART_CARD_LIBRARY) == 0);
    FUZZ_CHECK(loaded == 0);
    ++loaded;
    return LIBRARY_TOKEN;
}

void* FakeSmartCard::FakeLibrary::FindExport(LibraryHandle library, const char* exportName) {
    FUZZ_CHECK(library == LIBRARY_TOKEN);
    static const std::map<std::string, void*> exports = Exports();
    const auto found = exports.find(exportName);
    return found == exports.end() ? nullptr : found->second;
}

void FakeSmartCard::FakeLibrary::Free(LibraryHandle library) {
    FUZZ_CHECK(library == LIBRARY_TOKEN);
    FUZZ_CHECK(loaded == 1);
    --loaded;
}

void FakeSmartCard::CheckAllReleased() const {
    FUZZ_CHECK(m_established == m_released);
    for (bool open : m_cardsOpen) {
        FUZZ_CHECK(!open);
    }
    FUZZ_CHECK(m_library.loaded == 0);
}

ScardLong FakeSmartCard::Result() {
    return m_input.Byte() < 0x80 ? 0 : static_cast<ScardLong>(m_input.U32());  // 0: SCARD_S_SUCCESS
}

ScardDword FakeSmartCard::WriteBlock(void* buffer, ScardDword capacity) {
    const FuzzInput::Block block = m_input.TakeBlock();
    const ScardDword written =
        block.size < capacity ? static_cast<ScardDword>(block.size) : capacity;
    if (written > 0) {
        std::memcpy(buffer, block.data, written);
    }
    return written;
}

// Mostly the honest length, but also short, huge, past the buffer and past
// what was written.
ScardDword FakeSmartCard::ReturnedLength(ScardDword written, ScardDword capacity) {
    switch (m_input.Byte() % 8) {
        case 1:
            return m_input.Byte();
        case 2:
            return m_input.U32();
        case 3:
            return capacity;
        case 4:
            return capacity + 1 + m_input.Byte();
        case 5:
            return written + 1 + m_input.Byte();
        default:
            return written;
    }
}

void FakeSmartCard::CheckContext(ScardContext context) const {
    FUZZ_CHECK(m_established && !m_released);
    FUZZ_CHECK(context == OPEN_CONTEXT);
}

size_t FakeSmartCard::CheckCard(ScardHandle card) const {
    FUZZ_CHECK(m_established && !m_released);
    FUZZ_CHECK(card >= FIRST_CARD && card - FIRST_CARD < m_cardsOpen.size());
    const size_t index = card - FIRST_CARD;
    FUZZ_CHECK(m_cardsOpen[index]);
    return index;
}

ScardLong FakeSmartCard::EstablishContext(ScardDword, const void*, const void*,
                                          ScardContext* context) {
    FUZZ_CHECK(context != nullptr);
    FUZZ_CHECK(!m_established && !m_released);
    const ScardLong result = Result();
    m_established = result == SCARD_S_SUCCESS;
    *context = m_established ? OPEN_CONTEXT : FAILED_CONTEXT;
    return result;
}

ScardLong FakeSmartCard::ListReaderGroups(ScardContext context, char* groups,
                                          ScardDword* groupsLen) {
    CheckContext(context);
    FUZZ_CHECK(groupsLen != nullptr);
    const ScardLong result = Result();
    const ScardDword length = m_input.Value();
    if (groups == nullptr) {
        *groupsLen = length;  // a length query writes the length only
    } else {
        *groupsLen = ReturnedLength(WriteBlock(groups, *groupsLen), *groupsLen);
    }
    return result;
}

ScardLong FakeSmartCard::ListReaders(ScardContext context, const char*, char* readers,
                                     ScardDword* readersLen) {
    CheckContext(context);
    FUZZ_CHECK(readers != nullptr && readersLen != nullptr);
    const ScardLong result = Result();
    const ScardDword capacity = *readersLen;
    *readersLen = ReturnedLength(WriteBlock(readers, capacity), capacity);
    return result;
}

ScardLong FakeSmartCard::Connect(ScardContext context, const char* reader, ScardDword, ScardDword,
                                 ScardHandle* card, ScardDword* activeProtocol) {
    CheckContext(context);
    FUZZ_CHECK(reader != nullptr && card != nullptr && activeProtocol != nullptr);
    FUZZ_CHECK(std::strlen(reader) > 0);
    const ScardLong result = Result();
    *activeProtocol = m_input.Value();
    if (result != SCARD_S_SUCCESS) {
        *card = FAILED_CARD;
        return result;
    }
    *card = FIRST_CARD + m_cardsOpen.size();
    m_cardsOpen.push_back(true);
    return result;
}

ScardLong FakeSmartCard::Status(ScardHandle card, char* names, ScardDword* namesLen,
                                ScardDword* state, ScardDword* protocol, uint8_t* atr,
                                ScardDword* atrLen) {
    CheckCard(card);
    FUZZ_CHECK(names != nullptr && namesLen != nullptr && state != nullptr);
    FUZZ_CHECK(protocol != nullptr && atr != nullptr && atrLen != nullptr);
    const ScardLong result = Result();
    const ScardDword namesCapacity = *namesLen;
    *namesLen = ReturnedLength(WriteBlock(names, namesCapacity), namesCapacity);
    *state = m_input.Value();
    *protocol = m_input.Value();
    const ScardDword atrCapacity = *atrLen;
    *atrLen = ReturnedLength(WriteBlock(atr, atrCapacity), atrCapacity);
    return result;
}

ScardLong FakeSmartCard::Control(ScardHandle card, ScardDword, const void* in, ScardDword inSize,
                                 void* out, ScardDword outSize, ScardDword* returned) {
    CheckCard(card);
    FUZZ_CHECK(out != nullptr && returned != nullptr);
    FUZZ_CHECK(inSize == 0 || in != nullptr);
    // The driver reads the whole request: ASan sees one shorter than inSize.
    for (ScardDword i = 0; i < inSize; ++i) {
        static_cast<const volatile uint8_t*>(in)[i];
    }
    const ScardLong result = Result();
    *returned = ReturnedLength(WriteBlock(out, outSize), outSize);
    return result;
}

ScardLong FakeSmartCard::Disconnect(ScardHandle card, ScardDword) {
    m_cardsOpen[CheckCard(card)] = false;
    return Result();
}

ScardLong FakeSmartCard::ReleaseContext(ScardContext context) {
    CheckContext(context);
    m_released = true;
    return Result();
}

}  // namespace readercheck::fuzzing
