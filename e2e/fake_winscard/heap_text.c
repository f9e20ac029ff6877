#include "heap_text.h"

#include <windows.h>

void* HeapTake(size_t size) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void* HeapGrow(void* block, size_t size) {
    return block == NULL ? HeapTake(size)
                         : HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, size);
}

void HeapGive(void* block) {
    if (block != NULL) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

/* Without a C runtime the compiler's own calls to these (for a structure
 * copy, say) must find them here. */
void* memcpy(void* to, const void* from, size_t count) {
    unsigned char* out = to;
    const unsigned char* in = from;
    while (count-- > 0) {
        *out++ = *in++;
    }
    return to;
}

void* memset(void* to, int value, size_t count) {
    unsigned char* out = to;
    while (count-- > 0) {
        *out++ = (unsigned char)value;
    }
    return to;
}

void CopyBytes(void* to, const void* from, size_t count) {
    memcpy(to, from, count);
}

size_t TextLength(const char* text) {
    size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

bool SameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

char* CopyOfBytes(const char* from, size_t count) {
    char* copy = HeapTake(count + 1);
    if (copy != NULL) {
        CopyBytes(copy, from, count);
    }
    return copy;
}

void AddBytes(Text* text, const char* bytes, size_t count) {
    if (text->length + count + 1 > text->capacity) {
        size_t capacity = (text->length + count + 1) * 2;
        char* grown = HeapGrow(text->data, capacity);
        if (grown == NULL) {
            text->failed = true;
            return;
        }
        text->data = grown;
        text->capacity = capacity;
    }
    CopyBytes(text->data + text->length, bytes, count);
    text->length += count;
    text->data[text->length] = '\0';
}

void AddString(Text* text, const char* string) {
    AddBytes(text, string, TextLength(string));
}

static void AddDigits(Text* text, unsigned long long value, unsigned base) {
    char digits[20]; /* enough for any value in base 10 or 16 */
    size_t start = sizeof digits;
    do {
        digits[--start] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    AddBytes(text, digits + start, sizeof digits - start);
}

void AddHex(Text* text, unsigned long long value) {
    AddString(text, "0x");
    AddDigits(text, value, 16);
}

void AddDecimal(Text* text, unsigned value) {
    AddDigits(text, value, 10);
}

void FreeText(Text* text) {
    HeapGive(text->data);
    text->data = NULL;
    text->length = 0;
    text->capacity = 0;
}
