/* What the simulated smart card system answers during one load of the
 * library: read from a small text file each time the library is loaded. */
#pragma once

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "heap_text.h"

typedef struct Bytes {
    uint8_t* data;
    size_t size;
} Bytes;

typedef struct Reader {
    char* name;
    bool cardPresent;
    bool hasConnectCode;
    uint32_t connectCode;
    uint32_t statusCode;
    char* statusName; /* NULL or empty: the reader's own name */
    uint32_t state;
    uint32_t protocol;
    Bytes atr;
    uint32_t controlCode;
    uint32_t controlHangMs; /* how long SCardControl takes before it answers */
    Bytes version;
    uint32_t disconnectCode;
    bool connected; /* a card handle of this reader is open */
} Reader;

typedef struct Scenario {
    uint32_t establishCode;
    uint32_t groupsCode;
    uint32_t listCode;
    bool hasListLength;
    uint32_t listLength;
    uint32_t releaseCode;
    char* tracePath; /* NULL: no trace */
    Reader* readers;
    size_t readerCount;
} Scenario;

/* One "key value" per line; "reader NAME" opens a block whose keys follow.
 * Unknown keys and malformed values are reported in *error as
 * "line N: LINE". What was read before the error stays in *scenario. */
bool ParseScenario(const char* text, size_t length, Scenario* scenario, Text* error);
void FreeScenario(Scenario* scenario);
