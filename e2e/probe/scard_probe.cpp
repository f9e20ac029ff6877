// Calls the system's smart card library the way a reader check does and
// prints every answer, so the simulated library can be checked on its own.
// Usage: scard_probe OUTPUT
#include <windows.h>
#include <winscard.h>

#include <cstdio>
#include <string>

namespace {

struct Api {
    decltype(&SCardEstablishContext) establish;
    decltype(&SCardListReaderGroupsA) groups;
    decltype(&SCardListReadersA) list;
    decltype(&SCardConnectA) connect;
    decltype(&SCardStatusA) status;
    decltype(&SCardControl) control;
    decltype(&SCardDisconnect) disconnect;
    decltype(&SCardReleaseContext) release;
};

template <typename T>
bool Bind(HMODULE library, const char* name, T* function, FILE* out) {
    *function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    std::fprintf(out, "bind %s %s\n", name, *function != nullptr ? "ok" : "missing");
    return *function != nullptr;
}

bool BindAll(HMODULE library, Api* api, FILE* out) {
    bool ok = Bind(library, "SCardEstablishContext", &api->establish, out);
    ok = Bind(library, "SCardListReaderGroupsA", &api->groups, out) && ok;
    ok = Bind(library, "SCardListReadersA", &api->list, out) && ok;
    ok = Bind(library, "SCardConnectA", &api->connect, out) && ok;
    ok = Bind(library, "SCardStatusA", &api->status, out) && ok;
    ok = Bind(library, "SCardControl", &api->control, out) && ok;
    ok = Bind(library, "SCardDisconnect", &api->disconnect, out) && ok;
    return Bind(library, "SCardReleaseContext", &api->release, out) && ok;
}

void TestReader(const Api& api, SCARDCONTEXT context, const char* name, FILE* out) {
    SCARDHANDLE card = 0;
    DWORD active = 0;
    LONG result = api.connect(context, name, SCARD_SHARE_EXCLUSIVE, 3, &card, &active);
    std::fprintf(out, "connect %s -> 0x%lx active %lu\n", name, result, active);
    if (result != SCARD_S_SUCCESS) {
        return;
    }
    char names[1024];
    DWORD namesLen = sizeof names, state = 0, protocol = 0, atrLen = 100;
    BYTE atr[100];
    result = api.status(card, names, &namesLen, &state, &protocol, atr, &atrLen);
    std::fprintf(out, "status -> 0x%lx name %s state %lu protocol 0x%lx atr", result,
                 result == 0 ? names : "-", state, protocol);
    for (DWORD i = 0; result == 0 && i < atrLen; ++i) {
        std::fprintf(out, " %02X", atr[i]);
    }
    BYTE reply[1024] = {};
    DWORD returned = 0;
    result = api.control(card, 0x312014, nullptr, 0, reply, sizeof reply, &returned);
    std::fprintf(out, "\ncontrol -> 0x%lx returned %lu firmware %d.%02x driver %d.%d\n", result,
                 returned, reply[6], reply[7], reply[4], reply[5]);
    std::fprintf(out, "disconnect -> 0x%lx\n", api.disconnect(card, SCARD_RESET_CARD));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        return 2;
    }
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    std::string library = std::string(path) + "\\WinSCard.dll";
    HMODULE module = LoadLibraryA(library.c_str());
    std::fprintf(out, "load %s %s\n", library.c_str(), module != nullptr ? "ok" : "failed");
    Api api = {};
    if (module != nullptr && BindAll(module, &api, out)) {
        SCARDCONTEXT context = 0;
        LONG result = api.establish(SCARD_SCOPE_USER, nullptr, nullptr, &context);
        std::fprintf(out, "establish -> 0x%lx\n", result);
        DWORD groupsLen = 0;
        result = api.groups(context, nullptr, &groupsLen);
        std::fprintf(out, "groups -> 0x%lx length %lu\n", result, groupsLen);
        char readers[1024] = {};
        DWORD readersLen = sizeof readers;
        result = api.list(context, nullptr, readers, &readersLen);
        std::fprintf(out, "list -> 0x%lx length %lu\n", result, readersLen);
        for (const char* name = readers; result == 0 && *name != '\0'; name += lstrlenA(name) + 1) {
            TestReader(api, context, name, out);
        }
        std::fprintf(out, "release -> 0x%lx\n", api.release(context));
    }
    if (module != nullptr) {
        FreeLibrary(module);
    }
    std::fclose(out);
    return 0;
}
