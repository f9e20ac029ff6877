#include "check/smart_card_api.h"

namespace readercheck {

namespace {

template <typename Fn>
void BindExport(LoadedLibraryView library, const char* exportName, Fn* fn) {
    *fn = reinterpret_cast<Fn>(library.loader.FindExport(library.handle, exportName));
}

}  // namespace

bool BindSmartCardApi(LibraryLoader& loader, LibraryHandle handle, SmartCardApi* api) {
    const LoadedLibraryView library{loader, handle};
    BindExport(library, "SCardEstablishContext", &api->establishContext);
    BindExport(library, "SCardListReaderGroupsA", &api->listReaderGroups);
    BindExport(library, "SCardListReadersA", &api->listReaders);
    BindExport(library, "SCardConnectA", &api->connect);
    BindExport(library, "SCardStatusA", &api->status);
    BindExport(library, "SCardDisconnect", &api->disconnect);
    BindExport(library, "SCardReleaseContext", &api->releaseContext);
    BindExport(library, "SCardControl", &api->control);
    return api->establishContext != nullptr && api->listReaderGroups != nullptr &&
           api->listReaders != nullptr && api->connect != nullptr && api->status != nullptr &&
           api->disconnect != nullptr && api->releaseContext != nullptr && api->control != nullptr;
}

}  // namespace readercheck
