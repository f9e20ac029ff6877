/* Memory and texts of the simulated smart card library, all on the process
 * heap: the library links no C runtime, so a load and an unload leave
 * nothing behind once everything it took is given back. */
#pragma once

#include <stdbool.h>
#include <stddef.h>

void* HeapTake(size_t size); /* zeroed; NULL when the heap is out */
void* HeapGrow(void* block, size_t size);
void HeapGive(void* block);
void CopyBytes(void* to, const void* from, size_t count);
size_t TextLength(const char* text);
bool SameText(const char* a, const char* b);
/* A NUL-terminated heap copy of count bytes. */
char* CopyOfBytes(const char* from, size_t count);

/* A growing text; a failed allocation leaves it marked failed and what it
 * held before. */
typedef struct Text {
    char* data; /* NUL-terminated once anything was added */
    size_t length;
    size_t capacity;
    bool failed;
} Text;

void AddBytes(Text* text, const char* bytes, size_t count);
void AddString(Text* text, const char* string);
/* "0x" and the value in lower-case hexadecimal digits, as printf's %llx. */
void AddHex(Text* text, unsigned long long value);
void AddDecimal(Text* text, unsigned value);
void FreeText(Text* text);
