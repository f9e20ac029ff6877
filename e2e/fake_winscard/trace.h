/* The simulated library's files: the scenario it reads whole when loaded,
 * and the trace where it appends one line per smart card call, so a test
 * can check the arguments the program passed. */
#pragma once

#include <stdbool.h>
#include <stddef.h>

/* Appends the line and CR LF; nothing when path is NULL or empty. */
void AppendLine(const char* path, const char* line, size_t length);
/* The file's bytes, NUL-terminated, on the process heap (HeapGive them);
 * NULL when it cannot be read. */
char* ReadWholeFile(const char* path, size_t* length);
