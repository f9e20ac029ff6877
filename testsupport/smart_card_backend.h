// The system's smart card library as the tests and fuzz targets stand it in:
// its eight exports are plain functions (the library hands out addresses),
// so they reach the one backend alive at a time through a static pointer.
// A backend answers the calls: the unit tests' scripted, recording one or
// the fuzz targets' input-driven one.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "check/smart_card_api.h"

namespace readercheck::testsupport {

class SmartCardBackend {
public:
    SmartCardBackend();  // the exports reach this backend until it is destroyed
    virtual ~SmartCardBackend();
    SmartCardBackend(const SmartCardBackend&) = delete;
    SmartCardBackend& operator=(const SmartCardBackend&) = delete;

    // The eight exports, bound directly.
    static SmartCardApi Api();
    // The same by export name, as the library holds them.
    static std::map<std::string, void*> Exports();

    virtual ScardLong EstablishContext(ScardDword scope, const void* reserved1,
                                       const void* reserved2, ScardContext* context) = 0;
    virtual ScardLong ListReaderGroups(ScardContext context, char* groups,
                                       ScardDword* groupsLen) = 0;
    virtual ScardLong ListReaders(ScardContext context, const char* groups, char* readers,
                                  ScardDword* readersLen) = 0;
    virtual ScardLong Connect(ScardContext context, const char* reader, ScardDword shareMode,
                              ScardDword protocols, ScardHandle* card,
                              ScardDword* activeProtocol) = 0;
    virtual ScardLong Status(ScardHandle card, char* readerNames, ScardDword* namesLen,
                             ScardDword* state, ScardDword* protocol, uint8_t* atr,
                             ScardDword* atrLen) = 0;
    virtual ScardLong Disconnect(ScardHandle card, ScardDword disposition) = 0;
    virtual ScardLong ReleaseContext(ScardContext context) = 0;
    virtual ScardLong Control(ScardHandle card, ScardDword controlCode, const void* inBuffer,
                              ScardDword inSize, void* outBuffer, ScardDword outSize,
                              ScardDword* bytesReturned) = 0;
};

}  // namespace readercheck::testsupport
