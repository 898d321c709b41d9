#include "text.h"

#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>

bool FormatBounded(char *buffer, size_t size, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  // The Windows runtime's _vsnprintf returns -1 when the text is cut and then
  // writes no terminator; C99 vsnprintf returns the full length. Both are
  // caught by the check below.
#ifdef _WIN32
  int written = _vsnprintf(buffer, size, format, arguments);
#else
  int written = vsnprintf(buffer, size, format, arguments);
#endif
  va_end(arguments);
  bool fits = written >= 0 && static_cast<size_t>(written) < size;
  if (!fits && size > 0) buffer[0] = '\0';
  return fits;
}

void LowerCase(char *text) {
  for (; *text != '\0'; ++text) *text = static_cast<char>(tolower(static_cast<unsigned char>(*text)));
}
