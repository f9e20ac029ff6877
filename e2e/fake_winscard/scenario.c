#include "scenario.h"

enum {
    kSpecific = 6,   /* SCARD_SPECIFIC */
    kProtocolT1 = 2, /* SCARD_PROTOCOL_T1 */
};

/* The blanks that strtoul skips and that separate the bytes of a list. */
static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

/* strtoul's reading of text up to end as a 32-bit unsigned long (base 0:
 * 0x.. hexadecimal, 0.. octal, else decimal; a sign; a value too large
 * gives the largest), true when it took all of it and at least one digit. */
static bool ParseUnsigned(const char* p, const char* end, unsigned base, uint32_t* value) {
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) {
        ++p;
    }
    if ((base == 0 || base == 16) && end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        DigitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p < end && p[0] == '0' ? 8 : 10;
    }
    const char* digits = p;
    uint64_t parsed = 0;
    bool tooLarge = false;
    for (; p < end && DigitValue(*p) < (int)base; ++p) {
        parsed = parsed * base + (unsigned)DigitValue(*p);
        if (parsed > 0xFFFFFFFFu) {
            tooLarge = true;
            parsed = 0;
        }
    }
    if (p == digits) {
        return false;
    }
    *value = tooLarge ? 0xFFFFFFFFu : negative ? 0u - (uint32_t)parsed : (uint32_t)parsed;
    return p == end;
}

static bool ParseNumber(const char* text, uint32_t* value) {
    return ParseUnsigned(text, text + TextLength(text), 0, value);
}

/* Bytes in hexadecimal separated by blanks. */
static bool ParseBytes(const char* text, Bytes* bytes) {
    HeapGive(bytes->data);
    bytes->data = HeapTake(TextLength(text) / 2 + 1);
    bytes->size = 0;
    if (bytes->data == NULL) {
        return false;
    }
    const char* p = text;
    for (;;) {
        while (IsBlank(*p)) {
            ++p;
        }
        if (*p == '\0') {
            return true;
        }
        const char* end = p;
        while (*end != '\0' && !IsBlank(*end)) {
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

static bool Is(const char* key, const char* name) {
    while (*key != '\0' && *key == *name) {
        ++key;
        ++name;
    }
    return *key == *name;
}

static bool ParseGlobalKey(const char* key, const char* value, Scenario* s) {
    if (Is(key, "trace")) {
        HeapGive(s->tracePath);
        s->tracePath = CopyOfBytes(value, TextLength(value));
        return s->tracePath != NULL;
    }
    if (Is(key, "list_length")) {
        s->hasListLength = true;
        return ParseNumber(value, &s->listLength);
    }
    uint32_t* code = Is(key, "establish") ? &s->establishCode
                     : Is(key, "groups")  ? &s->groupsCode
                     : Is(key, "list")    ? &s->listCode
                     : Is(key, "release") ? &s->releaseCode
                                          : NULL;
    return code != NULL && ParseNumber(value, code);
}

static bool ParseReaderKey(const char* key, const char* value, Reader* r) {
    if (Is(key, "card")) {
        r->cardPresent = Is(value, "yes");
        return Is(value, "yes") || Is(value, "no");
    }
    if (Is(key, "status_name")) {
        HeapGive(r->statusName);
        r->statusName = CopyOfBytes(value, TextLength(value));
        return r->statusName != NULL;
    }
    if (Is(key, "atr")) {
        return ParseBytes(value, &r->atr);
    }
    if (Is(key, "version")) {
        return ParseBytes(value, &r->version);
    }
    if (Is(key, "connect")) {
        r->hasConnectCode = true;
        return ParseNumber(value, &r->connectCode);
    }
    if (Is(key, "version_length")) {
        r->hasVersionLength = true;
        return ParseNumber(value, &r->versionLength);
    }
    uint32_t* number = Is(key, "status")       ? &r->statusCode
                       : Is(key, "state")      ? &r->state
                       : Is(key, "protocol")   ? &r->protocol
                       : Is(key, "control")    ? &r->controlCode
                       : Is(key, "disconnect") ? &r->disconnectCode
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

/* One line without its end: blank lines and "#" comments are skipped; the
 * key runs to the first space, the value is all after it. */
static bool ParseLine(char* line, size_t length, Scenario* s) {
    size_t start = 0;
    while (start < length && (line[start] == ' ' || line[start] == '\t')) {
        ++start;
    }
    if (start == length || line[start] == '#') {
        return true;
    }
    char* key = line + start;
    char* value = line + length; /* its closing NUL: no value */
    for (char* p = key; p < line + length; ++p) {
        if (*p == ' ') {
            *p = '\0';
            value = p + 1;
            break;
        }
    }
    if (Is(key, "reader")) {
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
