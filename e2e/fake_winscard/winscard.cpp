// A simulated Windows smart card library: the eight calls a reader check
// makes, answering from the scenario file read when the library is loaded.
#include <windows.h>
#include <winscard.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "../common/whole_file.h"
#include "scenario.h"
#include "trace.h"

namespace {

using fakescard::Hex;
using fakescard::Reader;

constexpr DWORD kGetVersionControlCode = 0x312014;
constexpr SCARDCONTEXT kFirstContext = 0x5C000010;
constexpr SCARDHANDLE kFirstCard = 0x5CA00010;
constexpr char kDefaultScenarioPath[] = "C:\\readercheck\\scenario.txt";
constexpr char kGroups[] = "SCard$DefaultReaders\0";  // the array adds the list's final zero

fakescard::Scenario g_scenario;
bool g_scenarioOk = false;
SCARDCONTEXT g_nextContext = kFirstContext;
std::set<SCARDCONTEXT> g_contexts;
std::set<SCARDHANDLE> g_cards;

std::string ScenarioPath() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("READERCHECK_SCENARIO", path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path) : kDefaultScenarioPath;
}

void LoadScenario() {
    g_scenario = fakescard::Scenario{};
    std::string path = ScenarioPath();
    bool read = false;
    std::string text = e2efile::ReadWholeFile(path, &read);
    std::string error = read ? "" : "cannot read " + path;
    g_scenarioOk = read && fakescard::ParseScenario(text, &g_scenario, &error);
    if (!g_scenarioOk) {
        // A broken scenario must not look like a passing one: every call fails.
        fakescard::AppendLine(g_scenario.tracePath, "scenario error: " + error);
    }
    fakescard::AppendLine(g_scenario.tracePath, "load " + path);
}

void Trace(const std::string& line, LONG result) {
    fakescard::AppendLine(g_scenario.tracePath, line + " -> " + Hex(static_cast<DWORD>(result)));
}

Reader* ReaderByName(const char* name) {
    for (Reader& reader : g_scenario.readers) {
        if (name != nullptr && reader.name == name) {
            return &reader;
        }
    }
    return nullptr;
}

SCARDHANDLE CardOf(size_t readerIndex) {
    return kFirstCard + readerIndex * 0x10;
}

Reader* ReaderByCard(SCARDHANDLE card) {
    if (g_cards.count(card) == 0) {
        return nullptr;
    }
    return &g_scenario.readers[(card - kFirstCard) / 0x10];
}

std::string ReaderList() {
    std::string list;
    for (const Reader& reader : g_scenario.readers) {
        list += reader.name;
        list += '\0';
    }
    return list + '\0';
}

// Copies a multi-string into a caller's buffer with the usual length rules.
LONG CopyOut(const std::string& data, char* buffer, DWORD* length) {
    if (length == nullptr || *length == SCARD_AUTOALLOCATE) {
        return SCARD_E_INVALID_PARAMETER;
    }
    DWORD needed = static_cast<DWORD>(data.size());
    if (buffer != nullptr && *length < needed) {
        *length = needed;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    if (buffer != nullptr) {
        std::memcpy(buffer, data.data(), needed);
    }
    *length = needed;
    return SCARD_S_SUCCESS;
}

LONG CheckContext(SCARDCONTEXT context) {
    if (!g_scenarioOk) {
        return SCARD_F_INTERNAL_ERROR;
    }
    return g_contexts.count(context) != 0 ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

#ifdef FAKESCARD_PLANTED
constexpr char kPlantedMarkerPath[] = "C:\\readercheck\\planted.txt";

// A copy planted where only a careless search would find it says so.
void WritePlantedMarker(HMODULE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    fakescard::AppendLine(kPlantedMarkerPath, std::string("loaded ") + path);
}
#endif

}  // namespace

extern "C" {

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                                  LPSCARDCONTEXT context) {
    LONG result =
        g_scenarioOk ? static_cast<LONG>(g_scenario.establishCode) : SCARD_F_INTERNAL_ERROR;
    if (context == nullptr) {
        result = SCARD_E_INVALID_PARAMETER;
    } else if (result == SCARD_S_SUCCESS) {
        *context = g_nextContext;
        g_contexts.insert(g_nextContext);
        g_nextContext += 0x10;
    }
    Trace("SCardEstablishContext scope=" + Hex(scope) +
              " reserved1=" + Hex(reinterpret_cast<uintptr_t>(reserved1)) +
              " reserved2=" + Hex(reinterpret_cast<uintptr_t>(reserved2)),
          result);
    return result;
}

LONG WINAPI SCardListReaderGroupsA(SCARDCONTEXT context, LPSTR groups, LPDWORD groupsLen) {
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        result = static_cast<LONG>(g_scenario.groupsCode);
    }
    if (result == SCARD_S_SUCCESS) {
        result = CopyOut(std::string(kGroups, sizeof kGroups), groups, groupsLen);
    }
    Trace("SCardListReaderGroupsA context=" + Hex(context) +
              " groups=" + (groups == nullptr ? "null" : "buffer"),
          result);
    return result;
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                              LPDWORD readersLen) {
    DWORD lengthIn = readersLen != nullptr ? *readersLen : 0;
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        result = static_cast<LONG>(g_scenario.listCode);
    }
    if (result == SCARD_S_SUCCESS && g_scenario.readers.empty()) {
        result = SCARD_E_NO_READERS_AVAILABLE;
    }
    if (result == SCARD_S_SUCCESS) {
        result = CopyOut(ReaderList(), readers, readersLen);
    }
    if (result == SCARD_S_SUCCESS && g_scenario.hasListLength) {
        *readersLen = g_scenario.listLength;
    }
    Trace("SCardListReadersA context=" + Hex(context) +
              " groups=" + (groups == nullptr ? "null" : groups) + " length=" + Hex(lengthIn),
          result);
    return result;
}

LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR name, DWORD shareMode, DWORD protocols,
                          LPSCARDHANDLE card, LPDWORD activeProtocol) {
    LONG result = CheckContext(context);
    Reader* reader = ReaderByName(name);
    if (result == SCARD_S_SUCCESS && reader == nullptr) {
        result = SCARD_E_UNKNOWN_READER;
    } else if (result == SCARD_S_SUCCESS && reader->hasConnectCode) {
        result = static_cast<LONG>(reader->connectCode);
    } else if (result == SCARD_S_SUCCESS && !reader->cardPresent) {
        result = SCARD_E_NO_SMARTCARD;
    }
    if (result == SCARD_S_SUCCESS) {
        *card = CardOf(reader - g_scenario.readers.data());
        *activeProtocol = reader->protocol;
        g_cards.insert(*card);
    }
    Trace("SCardConnectA context=" + Hex(context) + " reader=" + (name ? name : "null") +
              " share=" + Hex(shareMode) + " protocols=" + Hex(protocols),
          result);
    return result;
}

LONG WINAPI SCardStatusA(SCARDHANDLE card, LPSTR names, LPDWORD namesLen, LPDWORD state,
                         LPDWORD protocol, LPBYTE atr, LPDWORD atrLen) {
    std::string lengthsIn = " namesLen=" + Hex(namesLen ? *namesLen : 0) +
                            " protocolIn=" + Hex(protocol ? *protocol : 0) +
                            " atrLen=" + Hex(atrLen ? *atrLen : 0);
    Reader* reader = ReaderByCard(card);
    LONG result =
        reader == nullptr ? SCARD_E_INVALID_HANDLE : static_cast<LONG>(reader->statusCode);
    if (result == SCARD_S_SUCCESS) {
        std::string name = reader->statusName.empty() ? reader->name : reader->statusName;
        result = CopyOut(name + '\0' + '\0', names, namesLen);
    }
    if (result == SCARD_S_SUCCESS && atrLen != nullptr) {
        std::string bytes(reader->atr.begin(), reader->atr.end());
        result = CopyOut(bytes, reinterpret_cast<char*>(atr), atrLen);
    }
    if (result == SCARD_S_SUCCESS) {
        if (state != nullptr) {
            *state = reader->state;
        }
        if (protocol != nullptr) {
            *protocol = reader->protocol;
        }
    }
    Trace("SCardStatusA card=" + Hex(card) + lengthsIn, result);
    return result;
}

LONG WINAPI SCardControl(SCARDHANDLE card, DWORD controlCode, LPCVOID inBuffer, DWORD inSize,
                         LPVOID outBuffer, DWORD outSize, LPDWORD returned) {
    Reader* reader = ReaderByCard(card);
    LONG result =
        reader == nullptr ? SCARD_E_INVALID_HANDLE : static_cast<LONG>(reader->controlCode);
    if (result == SCARD_S_SUCCESS && controlCode != kGetVersionControlCode) {
        result = ERROR_INVALID_FUNCTION;
    }
    if (result == SCARD_S_SUCCESS) {
        size_t count = std::min<size_t>(reader->version.size(), outSize);
        if (outBuffer != nullptr) {
            std::memcpy(outBuffer, reader->version.data(), count);
        }
        if (returned != nullptr) {
            *returned = reader->hasVersionLength ? reader->versionLength
                                                 : static_cast<DWORD>(reader->version.size());
        }
    }
    Trace("SCardControl card=" + Hex(card) + " code=" + Hex(controlCode) +
              " in=" + Hex(reinterpret_cast<uintptr_t>(inBuffer)) + " inSize=" + Hex(inSize) +
              " outSize=" + Hex(outSize),
          result);
    return result;
}

LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
    Reader* reader = ReaderByCard(card);
    LONG result =
        reader == nullptr ? SCARD_E_INVALID_HANDLE : static_cast<LONG>(reader->disconnectCode);
    if (reader != nullptr) {
        g_cards.erase(card);
    }
    Trace("SCardDisconnect card=" + Hex(card) + " disposition=" + Hex(disposition), result);
    return result;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT context) {
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        g_contexts.erase(context);
        result = static_cast<LONG>(g_scenario.releaseCode);
    }
    Trace("SCardReleaseContext context=" + Hex(context), result);
    return result;
}

BOOL WINAPI DllMain([[maybe_unused]] HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
#ifdef FAKESCARD_PLANTED
        WritePlantedMarker(instance);
#endif
        LoadScenario();
    } else if (reason == DLL_PROCESS_DETACH) {
        // FreeLibrary passes no reserved value; the end of the process does,
        // and a library the program never freed is traced as such.
        fakescard::AppendLine(g_scenario.tracePath, reserved == nullptr ? "unload" : "exit");
    }
    return TRUE;
}

}  // extern "C"
