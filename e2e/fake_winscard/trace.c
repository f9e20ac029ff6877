#include "trace.h"

#include <windows.h>

#include "heap_text.h"

void AppendLine(const char* path, const char* line, size_t length) {
    if (path == NULL || path[0] == '\0') {
        return;
    }
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    Text text = {0};
    AddBytes(&text, line, length);
    AddBytes(&text, "\r\n", 2);
    DWORD written = 0;
    if (!text.failed) {
        WriteFile(file, text.data, (DWORD)text.length, &written, NULL);
    }
    FreeText(&text);
    CloseHandle(file);
}

char* ReadWholeFile(const char* path, size_t* length) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return NULL;
    }
    Text text = {0};
    AddBytes(&text, "", 0);
    char chunk[512];
    DWORD got = 0;
    while (!text.failed && ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0) {
        AddBytes(&text, chunk, got);
    }
    CloseHandle(file);
    if (text.failed) {
        FreeText(&text);
        return NULL;
    }
    *length = text.length;
    return text.data;
}
