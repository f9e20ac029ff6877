// The eight smart card functions a run binds from the system's WinSCard.dll,
// declared with the Windows ABI: 32-bit LONG results and DWORDs,
// pointer-sized handles, stdcall on 32-bit Windows.
#pragma once

#include <cstdint>

#include "check/platform.h"

#if defined(_WIN32) && defined(__i386__)
#define SCARD_CALL __attribute__((stdcall))
#else
#define SCARD_CALL
#endif

namespace readercheck {

using ScardLong = int32_t;
using ScardDword = uint32_t;
using ScardContext = uintptr_t;
using ScardHandle = uintptr_t;

// The Windows values. Where windows.h came first, its macros of the same
// names and values stand in for these.
#ifndef SCARD_S_SUCCESS
constexpr ScardLong SCARD_S_SUCCESS = 0;
#endif
#ifndef SCARD_SCOPE_USER
constexpr ScardDword SCARD_SCOPE_USER = 0;
#endif
#ifndef SCARD_SHARE_EXCLUSIVE
constexpr ScardDword SCARD_SHARE_EXCLUSIVE = 1;
#endif
#ifndef SCARD_PROTOCOL_T0
constexpr ScardDword SCARD_PROTOCOL_T0 = 0x1;
constexpr ScardDword SCARD_PROTOCOL_T1 = 0x2;
constexpr ScardDword SCARD_PROTOCOL_RAW = 0x10000;
#endif
#ifndef SCARD_ABSENT
// The card states SCardStatusA reports.
constexpr ScardDword SCARD_ABSENT = 1;
constexpr ScardDword SCARD_PRESENT = 2;
constexpr ScardDword SCARD_SWALLOWED = 3;
constexpr ScardDword SCARD_POWERED = 4;
constexpr ScardDword SCARD_NEGOTIABLE = 5;
constexpr ScardDword SCARD_SPECIFIC = 6;
#endif
#ifndef SCARD_RESET_CARD
constexpr ScardDword SCARD_RESET_CARD = 1;
#endif

using SCardEstablishContextFn = ScardLong(SCARD_CALL*)(ScardDword scope, const void* reserved1,
                                                       const void* reserved2,
                                                       ScardContext* context);
using SCardListReaderGroupsAFn = ScardLong(SCARD_CALL*)(ScardContext context, char* groups,
                                                        ScardDword* groupsLen);
using SCardListReadersAFn = ScardLong(SCARD_CALL*)(ScardContext context, const char* groups,
                                                   char* readers, ScardDword* readersLen);
using SCardConnectAFn = ScardLong(SCARD_CALL*)(ScardContext context, const char* reader,
                                               ScardDword shareMode, ScardDword protocols,
                                               ScardHandle* card, ScardDword* activeProtocol);
using SCardStatusAFn = ScardLong(SCARD_CALL*)(ScardHandle card, char* readerNames,
                                              ScardDword* namesLen, ScardDword* state,
                                              ScardDword* protocol, uint8_t* atr,
                                              ScardDword* atrLen);
using SCardDisconnectFn = ScardLong(SCARD_CALL*)(ScardHandle card, ScardDword disposition);
using SCardReleaseContextFn = ScardLong(SCARD_CALL*)(ScardContext context);
using SCardControlFn = ScardLong(SCARD_CALL*)(ScardHandle card, ScardDword controlCode,
                                              const void* inBuffer, ScardDword inSize,
                                              void* outBuffer, ScardDword outSize,
                                              ScardDword* bytesReturned);

struct SmartCardApi {
    SCardEstablishContextFn establishContext = nullptr;
    SCardListReaderGroupsAFn listReaderGroups = nullptr;
    SCardListReadersAFn listReaders = nullptr;
    SCardConnectAFn connect = nullptr;
    SCardStatusAFn status = nullptr;
    SCardDisconnectFn disconnect = nullptr;
    SCardReleaseContextFn releaseContext = nullptr;
    SCardControlFn control = nullptr;
};

constexpr const char* SMART_CARD_LIBRARY = "WinSCard.dll";

// Looks up the eight exports in their fixed order; false when any is missing.
bool BindSmartCardApi(LibraryLoader& loader, LibraryHandle library, SmartCardApi* api);

// Owns a loaded library for one run and frees it on every path.
class LoadedLibrary {
public:
    LoadedLibrary(LibraryLoader& loader, const char* name)
        : m_loader(loader), m_handle(loader.Load(name)) {}
    ~LoadedLibrary() { Reset(); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    LibraryHandle Get() const { return m_handle; }
    void Reset() {
        if (m_handle != nullptr) {
            m_loader.Free(m_handle);
            m_handle = nullptr;
        }
    }

private:
    LibraryLoader& m_loader;
    LibraryHandle m_handle;
};

}  // namespace readercheck
