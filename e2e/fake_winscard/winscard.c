/* A simulated Windows smart card library: the eight calls a reader check
 * makes, answering from the scenario file read when the library is loaded.
 * The program loads and frees it on every run, so it links no C runtime
 * (whose start-up state a DLL never gives back) and keeps everything on the
 * process heap until it is unloaded. */
#include <windows.h>
#include <winscard.h>

#include "heap_text.h"
#include "scenario.h"
#include "trace.h"

enum { kHandleStep = 0x10 };
static const DWORD kGetVersionControlCode = 0x312014;
static const SCARDCONTEXT kFirstContext = 0x5C000010;
static const SCARDHANDLE kFirstCard = 0x5CA00010;
static const char kScenarioPath[] = "C:\\readercheck\\scenario.txt";
static const char kGroups[] = "SCard$DefaultReaders\0"; /* the array adds the list's final zero */

static Scenario g_scenario;
static bool g_scenarioOk;
/* Contexts are handed out in steps from kFirstContext; live[i] tells
 * whether the i-th is still open. */
static bool* g_contextLive;
static size_t g_contextCount;

static void WriteLine(const char* path, const Text* line) {
    if (!line->failed && line->data != NULL) {
        AppendLine(path, line->data, line->length);
    }
}

static void WriteTexts(const char* path, const char* first, const char* second) {
    Text line = {0};
    AddString(&line, first);
    AddString(&line, second);
    WriteLine(path, &line);
    FreeText(&line);
}

/* Ends a call's line with its result, writes it and frees it. */
static LONG Traced(Text* line, LONG result) {
    AddString(line, " -> ");
    AddHex(line, (DWORD)result);
    WriteLine(g_scenario.tracePath, line);
    FreeText(line);
    return result;
}

static void AddNamed(Text* line, const char* name, unsigned long long value) {
    AddString(line, name);
    AddHex(line, value);
}

static void LoadScenario(void) {
    Text error = {0};
    size_t size = 0;
    char* text = ReadWholeFile(kScenarioPath, &size);
    if (text == NULL) {
        AddString(&error, "cannot read ");
        AddString(&error, kScenarioPath);
    }
    g_scenarioOk = text != NULL && ParseScenario(text, size, &g_scenario, &error);
    HeapGive(text);
    if (!g_scenarioOk) {
        /* A broken scenario must not look like a passing one: every call fails. */
        WriteTexts(g_scenario.tracePath,
                   "scenario error: ", error.failed || error.data == NULL ? "" : error.data);
    }
    FreeText(&error);
    WriteTexts(g_scenario.tracePath, "load ", kScenarioPath);
    /* The code page in which the program's process reads ANSI texts. */
    Text codePage = {0};
    AddString(&codePage, "codepage ");
    AddDecimal(&codePage, GetACP());
    WriteLine(g_scenario.tracePath, &codePage);
    FreeText(&codePage);
}

/* FreeLibrary passes no reserved value; the end of the process does, and a
 * library the program never freed is traced as such. */
static void UnloadScenario(bool processEnds) {
    WriteTexts(g_scenario.tracePath, processEnds ? "exit" : "unload", "");
    FreeScenario(&g_scenario);
    HeapGive(g_contextLive);
    g_contextLive = NULL;
    g_contextCount = 0;
}

static Reader* ReaderByName(const char* name) {
    for (size_t i = 0; name != NULL && i < g_scenario.readerCount; ++i) {
        if (SameText(g_scenario.readers[i].name, name)) {
            return &g_scenario.readers[i];
        }
    }
    return NULL;
}

static SCARDHANDLE CardOf(const Reader* reader) {
    return kFirstCard + (SCARDHANDLE)(reader - g_scenario.readers) * kHandleStep;
}

/* The reader of an open card handle, or NULL. */
static Reader* ReaderByCard(SCARDHANDLE card) {
    if (card < kFirstCard || (card - kFirstCard) % kHandleStep != 0) {
        return NULL;
    }
    SCARDHANDLE index = (card - kFirstCard) / kHandleStep;
    if (index >= g_scenario.readerCount || !g_scenario.readers[index].connected) {
        return NULL;
    }
    return &g_scenario.readers[index];
}

/* The index of an open context, or -1. */
static ptrdiff_t ContextIndex(SCARDCONTEXT context) {
    if (context < kFirstContext || (context - kFirstContext) % kHandleStep != 0) {
        return -1;
    }
    SCARDCONTEXT index = (context - kFirstContext) / kHandleStep;
    return index < g_contextCount && g_contextLive[index] ? (ptrdiff_t)index : -1;
}

static bool OpenContext(SCARDCONTEXT* context) {
    bool* grown = HeapGrow(g_contextLive, (g_contextCount + 1) * sizeof(bool));
    if (grown == NULL) {
        return false;
    }
    g_contextLive = grown;
    g_contextLive[g_contextCount] = true;
    *context = kFirstContext + (SCARDCONTEXT)g_contextCount * kHandleStep;
    ++g_contextCount;
    return true;
}

/* Copies data into a caller's buffer with the usual length rules. */
static LONG CopyOut(const void* data, size_t size, void* buffer, DWORD* length) {
    if (length == NULL || *length == SCARD_AUTOALLOCATE) {
        return SCARD_E_INVALID_PARAMETER;
    }
    DWORD needed = (DWORD)size;
    if (buffer != NULL && *length < needed) {
        *length = needed;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    if (buffer != NULL) {
        CopyBytes(buffer, data, needed);
    }
    *length = needed;
    return SCARD_S_SUCCESS;
}

static LONG CheckContext(SCARDCONTEXT context) {
    if (!g_scenarioOk) {
        return SCARD_F_INTERNAL_ERROR;
    }
    return ContextIndex(context) >= 0 ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                                  LPSCARDCONTEXT context) {
    LONG result = g_scenarioOk ? (LONG)g_scenario.establishCode : SCARD_F_INTERNAL_ERROR;
    if (context == NULL) {
        result = SCARD_E_INVALID_PARAMETER;
    } else if (result == SCARD_S_SUCCESS && !OpenContext(context)) {
        result = SCARD_E_NO_MEMORY;
    }
    Text line = {0};
    AddNamed(&line, "SCardEstablishContext scope=", scope);
    AddNamed(&line, " reserved1=", (uintptr_t)reserved1);
    AddNamed(&line, " reserved2=", (uintptr_t)reserved2);
    return Traced(&line, result);
}

LONG WINAPI SCardListReaderGroupsA(SCARDCONTEXT context, LPSTR groups, LPDWORD groupsLen) {
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        result = (LONG)g_scenario.groupsCode;
    }
    if (result == SCARD_S_SUCCESS) {
        result = CopyOut(kGroups, sizeof kGroups, groups, groupsLen);
    }
    Text line = {0};
    AddNamed(&line, "SCardListReaderGroupsA context=", context);
    AddString(&line, groups == NULL ? " groups=null" : " groups=buffer");
    return Traced(&line, result);
}

/* The reader names, each ended by a zero, and a final zero. */
static void AddReaderList(Text* list) {
    for (size_t i = 0; i < g_scenario.readerCount; ++i) {
        const char* name = g_scenario.readers[i].name;
        AddBytes(list, name, TextLength(name) + 1);
    }
    AddBytes(list, "", 1);
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                              LPDWORD readersLen) {
    DWORD lengthIn = readersLen != NULL ? *readersLen : 0;
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        result = (LONG)g_scenario.listCode;
    }
    if (result == SCARD_S_SUCCESS && g_scenario.readerCount == 0) {
        result = SCARD_E_NO_READERS_AVAILABLE;
    }
    if (result == SCARD_S_SUCCESS) {
        Text list = {0};
        AddReaderList(&list);
        result =
            list.failed ? SCARD_E_NO_MEMORY : CopyOut(list.data, list.length, readers, readersLen);
        FreeText(&list);
    }
    if (result == SCARD_S_SUCCESS && g_scenario.hasListLength) {
        *readersLen = g_scenario.listLength;
    }
    Text line = {0};
    AddNamed(&line, "SCardListReadersA context=", context);
    AddString(&line, " groups=");
    AddString(&line, groups == NULL ? "null" : groups);
    AddNamed(&line, " length=", lengthIn);
    return Traced(&line, result);
}

LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR name, DWORD shareMode, DWORD protocols,
                          LPSCARDHANDLE card, LPDWORD activeProtocol) {
    LONG result = CheckContext(context);
    Reader* reader = ReaderByName(name);
    if (result == SCARD_S_SUCCESS && reader == NULL) {
        result = SCARD_E_UNKNOWN_READER;
    } else if (result == SCARD_S_SUCCESS && reader->hasConnectCode) {
        result = (LONG)reader->connectCode;
    } else if (result == SCARD_S_SUCCESS && !reader->cardPresent) {
        result = SCARD_E_NO_SMARTCARD;
    }
    if (result == SCARD_S_SUCCESS) {
        *card = CardOf(reader);
        *activeProtocol = reader->protocol;
        reader->connected = true;
    }
    Text line = {0};
    AddNamed(&line, "SCardConnectA context=", context);
    AddString(&line, " reader=");
    AddString(&line, name != NULL ? name : "null");
    AddNamed(&line, " share=", shareMode);
    AddNamed(&line, " protocols=", protocols);
    return Traced(&line, result);
}

LONG WINAPI SCardStatusA(SCARDHANDLE card, LPSTR names, LPDWORD namesLen, LPDWORD state,
                         LPDWORD protocol, LPBYTE atr, LPDWORD atrLen) {
    Text line = {0};
    AddNamed(&line, "SCardStatusA card=", card);
    AddNamed(&line, " namesLen=", namesLen != NULL ? *namesLen : 0);
    AddNamed(&line, " protocolIn=", protocol != NULL ? *protocol : 0);
    AddNamed(&line, " atrLen=", atrLen != NULL ? *atrLen : 0);
    Reader* reader = ReaderByCard(card);
    LONG result = reader == NULL ? SCARD_E_INVALID_HANDLE : (LONG)reader->statusCode;
    if (result == SCARD_S_SUCCESS) {
        const char* name = reader->statusName != NULL && reader->statusName[0] != '\0'
                               ? reader->statusName
                               : reader->name;
        Text reply = {0};
        AddBytes(&reply, name, TextLength(name) + 1);
        AddBytes(&reply, "", 1);
        result =
            reply.failed ? SCARD_E_NO_MEMORY : CopyOut(reply.data, reply.length, names, namesLen);
        FreeText(&reply);
    }
    if (result == SCARD_S_SUCCESS && atrLen != NULL) {
        result = CopyOut(reader->atr.data, reader->atr.size, atr, atrLen);
    }
    if (result == SCARD_S_SUCCESS) {
        if (state != NULL) {
            *state = reader->state;
        }
        if (protocol != NULL) {
            *protocol = reader->protocol;
        }
    }
    return Traced(&line, result);
}

LONG WINAPI SCardControl(SCARDHANDLE card, DWORD controlCode, LPCVOID inBuffer, DWORD inSize,
                         LPVOID outBuffer, DWORD outSize, LPDWORD returned) {
    Reader* reader = ReaderByCard(card);
    if (reader != NULL && reader->controlHangMs != 0) {
        /* A driver that does not answer: traced first, so the suite knows the
         * run is inside the call. */
        WriteTexts(g_scenario.tracePath, "hang ", "SCardControl");
        Sleep(reader->controlHangMs);
    }
    LONG result = reader == NULL ? SCARD_E_INVALID_HANDLE : (LONG)reader->controlCode;
    if (result == SCARD_S_SUCCESS && controlCode != kGetVersionControlCode) {
        result = ERROR_INVALID_FUNCTION;
    }
    if (result == SCARD_S_SUCCESS) {
        size_t count = reader->version.size < outSize ? reader->version.size : outSize;
        if (outBuffer != NULL) {
            CopyBytes(outBuffer, reader->version.data, count);
        }
        if (returned != NULL) {
            *returned = (DWORD)reader->version.size;
        }
    }
    Text line = {0};
    AddNamed(&line, "SCardControl card=", card);
    AddNamed(&line, " code=", controlCode);
    AddNamed(&line, " in=", (uintptr_t)inBuffer);
    AddNamed(&line, " inSize=", inSize);
    AddNamed(&line, " outSize=", outSize);
    return Traced(&line, result);
}

LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
    Reader* reader = ReaderByCard(card);
    LONG result = reader == NULL ? SCARD_E_INVALID_HANDLE : (LONG)reader->disconnectCode;
    if (reader != NULL) {
        reader->connected = false;
    }
    Text line = {0};
    AddNamed(&line, "SCardDisconnect card=", card);
    AddNamed(&line, " disposition=", disposition);
    return Traced(&line, result);
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT context) {
    LONG result = CheckContext(context);
    if (result == SCARD_S_SUCCESS) {
        g_contextLive[ContextIndex(context)] = false;
        result = (LONG)g_scenario.releaseCode;
    }
    Text line = {0};
    AddNamed(&line, "SCardReleaseContext context=", context);
    return Traced(&line, result);
}

#ifdef FAKESCARD_PLANTED
static const char kPlantedMarkerPath[] = "C:\\readercheck\\planted.txt";

/* A copy planted where only a careless search would find it says so. */
static void WritePlantedMarker(HMODULE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    WriteTexts(kPlantedMarkerPath, "loaded ", path);
}
#endif

/* The library's entry point itself: there is no C runtime start-up before it. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    if (reason == DLL_PROCESS_ATTACH) {
#ifdef FAKESCARD_PLANTED
        WritePlantedMarker(instance);
#endif
        LoadScenario();
    } else if (reason == DLL_PROCESS_DETACH) {
        UnloadScenario(reserved != NULL);
    }
    return TRUE;
}
