#include "check/smart_card_api.h"

namespace readercheck {

namespace {

template <typename Fn>
void BindExport(LibraryLoader& loader, LibraryHandle library, const char* exportName, Fn* fn) {
    *fn = reinterpret_cast<Fn>(loader.FindExport(library, exportName));
}

}  // namespace

bool BindSmartCardApi(LibraryLoader& loader, LibraryHandle handle, SmartCardApi* api) {
    BindExport(loader, handle, "SCardEstablishContext", &api->establishContext);
    BindExport(loader, handle, "SCardListReaderGroupsA", &api->listReaderGroups);
    BindExport(loader, handle, "SCardListReadersA", &api->listReaders);
    BindExport(loader, handle, "SCardConnectA", &api->connect);
    BindExport(loader, handle, "SCardStatusA", &api->status);
    BindExport(loader, handle, "SCardDisconnect", &api->disconnect);
    BindExport(loader, handle, "SCardReleaseContext", &api->releaseContext);
    BindExport(loader, handle, "SCardControl", &api->control);
    return api->establishContext != nullptr && api->listReaderGroups != nullptr &&
           api->listReaders != nullptr && api->connect != nullptr && api->status != nullptr &&
           api->disconnect != nullptr && api->releaseContext != nullptr && api->control != nullptr;
}

}  // namespace readercheck
