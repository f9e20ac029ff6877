#include "scenario.h"

enum {
    kSpecific = 6,   /* SCARD_SPECIFIC */
    kProtocolT1 = 2, /* SCARD_PROTOCOL_T1 */
};

static int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 99;
}

/* A number as the suite writes it, up to end: digits in the base, or "0x"
 * and hexadecimal digits where the base is 10. */
static bool ParseUnsigned(const char* p, const char* end, unsigned base, uint32_t* value) {
    if (base == 10 && end - p > 2 && p[0] == '0' && p[1] == 'x') {
        p += 2;
        base = 16;
    }
    const char* digits = p;
    *value = 0;
    for (; p < end && DigitValue(*p) < (int)base; ++p) {
        *value = *value * base + (unsigned)DigitValue(*p);
    }
    return p != digits && p == end;
}

static bool ParseNumber(const char* text, uint32_t* value) {
    return ParseUnsigned(text, text + TextLength(text), 10, value);
}

/* Bytes in hexadecimal separated by spaces. */
static bool ParseBytes(const char* text, Bytes* bytes) {
    HeapGive(bytes->data);
    bytes->data = HeapTake(TextLength(text) / 2 + 1);
    bytes->size = 0;
    if (bytes->data == NULL) {
        return false;
    }
    const char* p = text;
    for (;;) {
        while (*p == ' ') {
            ++p;
        }
        if (*p == '\0') {
            return true;
        }
        const char* end = p;
        while (*end != '\0' && *end != ' ') {
            ++end;
        }
        uint32_t value = 0;
        if (!ParseUnsigned(p, end, 16, &value) || value > 0xFF) {
            return false;
        }
        bytes->data[bytes->size++] = (uint8_t)value;
        p = end;
    }
}

static bool ParseGlobalKey(const char* key, const char* value, Scenario* s) {
    if (SameText(key, "trace")) {
        HeapGive(s->tracePath);
        s->tracePath = CopyOfBytes(value, TextLength(value));
        return s->tracePath != NULL;
    }
    if (SameText(key, "list_length")) {
        s->hasListLength = true;
        return ParseNumber(value, &s->listLength);
    }
    uint32_t* code = SameText(key, "establish") ? &s->establishCode
                     : SameText(key, "groups")  ? &s->groupsCode
                     : SameText(key, "list")    ? &s->listCode
                     : SameText(key, "release") ? &s->releaseCode
                                                : NULL;
    return code != NULL && ParseNumber(value, code);
}

static bool ParseReaderKey(const char* key, const char* value, Reader* r) {
    if (SameText(key, "card")) {
        r->cardPresent = SameText(value, "yes");
        return SameText(value, "yes") || SameText(value, "no");
    }
    if (SameText(key, "status_name")) {
        HeapGive(r->statusName);
        r->statusName = CopyOfBytes(value, TextLength(value));
        return r->statusName != NULL;
    }
    if (SameText(key, "atr")) {
        return ParseBytes(value, &r->atr);
    }
    if (SameText(key, "version")) {
        return ParseBytes(value, &r->version);
    }
    if (SameText(key, "connect")) {
        r->hasConnectCode = true;
        return ParseNumber(value, &r->connectCode);
    }
    uint32_t* number = SameText(key, "status")         ? &r->statusCode
                       : SameText(key, "state")        ? &r->state
                       : SameText(key, "protocol")     ? &r->protocol
                       : SameText(key, "control")      ? &r->controlCode
                       : SameText(key, "control_hang") ? &r->controlHangMs
                       : SameText(key, "disconnect")   ? &r->disconnectCode
                                                       : NULL;
    return number != NULL && ParseNumber(value, number);
}

static bool AddReader(Scenario* s, const char* name) {
    Reader* grown = HeapGrow(s->readers, (s->readerCount + 1) * sizeof(Reader));
    if (grown == NULL) {
        return false;
    }
    s->readers = grown;
    Reader* reader = &s->readers[s->readerCount++];
    reader->name = CopyOfBytes(name, TextLength(name));
    reader->cardPresent = true;
    reader->state = kSpecific;
    reader->protocol = kProtocolT1;
    return reader->name != NULL && name[0] != '\0';
}

/* One line without its end: the key runs to the first space, the value is
 * all after it. */
static bool ParseLine(char* line, size_t length, Scenario* s) {
    char* key = line;
    char* value = line + length; /* its closing NUL: no value */
    for (char* p = key; p < line + length; ++p) {
        if (*p == ' ') {
            *p = '\0';
            value = p + 1;
            break;
        }
    }
    if (SameText(key, "reader")) {
        return AddReader(s, value);
    }
    if (ParseGlobalKey(key, value, s)) {
        return true;
    }
    return s->readerCount > 0 && ParseReaderKey(key, value, &s->readers[s->readerCount - 1]);
}

bool ParseScenario(const char* text, size_t length, Scenario* s, Text* error) {
    unsigned number = 0;
    size_t start = 0;
    while (start < length) {
        size_t end = start;
        while (end < length && text[end] != '\n') {
            ++end;
        }
        size_t trimmed = end;
        while (trimmed > start && (text[trimmed - 1] == '\r' || text[trimmed - 1] == '\n')) {
            --trimmed;
        }
        ++number;
        char* line = CopyOfBytes(text + start, trimmed - start);
        bool ok = line != NULL && ParseLine(line, trimmed - start, s);
        HeapGive(line);
        if (!ok) {
            AddString(error, "line ");
            AddDecimal(error, number);
            AddString(error, ": ");
            AddBytes(error, text + start, trimmed - start);
            return false;
        }
        start = end + 1;
    }
    return true;
}

static void FreeReader(Reader* r) {
    HeapGive(r->name);
    HeapGive(r->statusName);
    HeapGive(r->atr.data);
    HeapGive(r->version.data);
}

void FreeScenario(Scenario* s) {
    for (size_t i = 0; i < s->readerCount; ++i) {
        FreeReader(&s->readers[i]);
    }
    HeapGive(s->readers);
    HeapGive(s->tracePath);
    Scenario empty = {0};
    *s = empty;
}
