// String helpers that behave the same with the Windows and the host C
// runtime.
#pragma once

#include <stddef.h>

// Size of the path and INF line buffers.
const size_t kPathSize = 256;

// printf into a buffer of `size` characters. Returns false, leaving the
// buffer empty, when the result does not fit: a cut path could name another
// file.
bool FormatBounded(char *buffer, size_t size, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Lower-cases ASCII letters in place.
void LowerCase(char *text);
