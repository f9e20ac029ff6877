#include "testsupport/smart_card_backend.h"

#include <cstdio>
#include <cstdlib>

namespace readercheck::testsupport {
namespace {

SmartCardBackend* g_backend = nullptr;

// One plain function per export: the same member of the current backend.
template <typename Member, Member member>
struct Export;
template <typename... Args, ScardLong (SmartCardBackend::*member)(Args...)>
struct Export<ScardLong (SmartCardBackend::*)(Args...), member> {
    static ScardLong SCARD_CALL Call(Args... args) { return (g_backend->*member)(args...); }
};
#define SMART_CARD_EXPORT(name) \
    &Export<decltype(&SmartCardBackend::name), &SmartCardBackend::name>::Call

}  // namespace

SmartCardBackend::SmartCardBackend() {
    if (g_backend != nullptr) {
        std::fprintf(stderr, "only one smart card backend may be alive\n");
        std::abort();
    }
    g_backend = this;
}

SmartCardBackend::~SmartCardBackend() {
    g_backend = nullptr;
}

SmartCardApi SmartCardBackend::Api() {
    SmartCardApi api;
    api.establishContext = SMART_CARD_EXPORT(EstablishContext);
    api.listReaderGroups = SMART_CARD_EXPORT(ListReaderGroups);
    api.listReaders = SMART_CARD_EXPORT(ListReaders);
    api.connect = SMART_CARD_EXPORT(Connect);
    api.status = SMART_CARD_EXPORT(Status);
    api.disconnect = SMART_CARD_EXPORT(Disconnect);
    api.releaseContext = SMART_CARD_EXPORT(ReleaseContext);
    api.control = SMART_CARD_EXPORT(Control);
    return api;
}

std::map<std::string, void*> SmartCardBackend::Exports() {
    const SmartCardApi api = Api();
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

}  // namespace readercheck::testsupport
