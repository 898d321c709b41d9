// The kernel's UTF-16 string routines on WCHAR (char16_t), and the UTF-8
// conversions of host_control.h.
#include <cstdarg>
#include <string>

#include "hostkernel/host_control.h"
#include "hostkernel/registry_store.h"

namespace hostkernel {

std::u16string ToUtf16(const std::string &utf8) { return Utf8ToUtf16(utf8); }
std::string ToUtf8(const std::u16string &utf16) { return Utf16ToUtf8(utf16); }

}  // namespace hostkernel

SIZE_T wcslen(PCWSTR s) {
  SIZE_T length = 0;
  while (s[length] != 0) ++length;
  return length;
}

PWSTR wcscpy(PWSTR destination, PCWSTR source) {
  SIZE_T i = 0;
  do {
    destination[i] = source[i];
  } while (source[i++] != 0);
  return destination;
}

int wcscmp(PCWSTR a, PCWSTR b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  if (*a == *b) return 0;
  return *a < *b ? -1 : 1;
}

namespace {

struct Conversion {
  bool leftAlign = false;
  bool zeroPad = false;
  bool plusSign = false;
  bool spaceSign = false;
  int width = 0;
  int precision = -1;  // -1: none given
  enum class Size { Int, Long, LongLong, Wide } size = Size::Int;
  char16_t conversion = 0;
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal number or '*' (taken from the arguments).
int ReadCount(PCWSTR &f, va_list &args) {
  if (*f == u'*') {
    ++f;
    return va_arg(args, int);
  }
  int value = 0;
  while (IsDigit(*f)) value = value * 10 + (*f++ - u'0');
  return value;
}

// Parses the part of a conversion after '%'; f ends past the conversion.
Conversion ParseConversion(PCWSTR &f, va_list &args) {
  Conversion conv;
  for (;; ++f) {
    if (*f == u'-') conv.leftAlign = true;
    else if (*f == u'0') conv.zeroPad = true;
    else if (*f == u'+') conv.plusSign = true;
    else if (*f == u' ') conv.spaceSign = true;
    else break;
  }
  conv.width = ReadCount(f, args);
  if (conv.width < 0) {
    conv.leftAlign = true;
    conv.width = -conv.width;
  }
  if (*f == u'.') {
    ++f;
    conv.precision = ReadCount(f, args);
    if (conv.precision < 0) conv.precision = -1;
  }
  if (f[0] == u'l' && f[1] == u'l') {
    conv.size = Conversion::Size::LongLong;
    f += 2;
  } else if (f[0] == u'I' && f[1] == u'6' && f[2] == u'4') {
    conv.size = Conversion::Size::LongLong;
    f += 3;
  } else if (*f == u'l') {
    conv.size = Conversion::Size::Long;
    ++f;
  } else if (*f == u'w') {
    conv.size = Conversion::Size::Wide;
    ++f;
  } else if (*f == u'h') {
    ++f;  // short: promoted to int in the arguments anyway
  }
  conv.conversion = *f;
  if (*f != 0) ++f;
  return conv;
}

void Pad(std::u16string &out, int count, char16_t fill) {
  if (count > 0) out.append(static_cast<size_t>(count), fill);
}

// Places `body` (with an optional sign or prefix) in the field width.
void EmitField(std::u16string &out, const Conversion &conv, const std::u16string &sign,
               const std::u16string &body, bool allowZeroPad) {
  const int padding = conv.width - static_cast<int>(sign.size() + body.size());
  if (conv.leftAlign) {
    out += sign;
    out += body;
    Pad(out, padding, u' ');
  } else if (conv.zeroPad && allowZeroPad) {
    out += sign;
    Pad(out, padding, u'0');
    out += body;
  } else {
    Pad(out, padding, u' ');
    out += sign;
    out += body;
  }
}

std::u16string Digits(uint64_t magnitude, unsigned base, bool upper, int precision) {
  const char *digitChars = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string digits;
  while (magnitude != 0) {
    digits.insert(digits.begin(), static_cast<char16_t>(digitChars[magnitude % base]));
    magnitude /= base;
  }
  const size_t minimum = precision < 0 ? 1 : static_cast<size_t>(precision);
  if (digits.size() < minimum) digits.insert(0, minimum - digits.size(), u'0');
  return digits;
}

// 'l' is Windows' 32-bit LONG; only ll/I64 read 64 bits.
int64_t SignedArgument(const Conversion &conv, va_list &args) {
  if (conv.size == Conversion::Size::LongLong) return va_arg(args, long long);
  return static_cast<int32_t>(va_arg(args, int));
}

uint64_t UnsignedArgument(const Conversion &conv, va_list &args) {
  if (conv.size == Conversion::Size::LongLong) return va_arg(args, unsigned long long);
  return static_cast<uint32_t>(va_arg(args, unsigned int));
}

void FormatSigned(std::u16string &out, const Conversion &conv, va_list &args) {
  const int64_t value = SignedArgument(conv, args);
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::u16string sign;
  if (value < 0) sign = u"-";
  else if (conv.plusSign) sign = u"+";
  else if (conv.spaceSign) sign = u" ";
  EmitField(out, conv, sign, Digits(magnitude, 10, false, conv.precision), conv.precision < 0);
}

void FormatUnsigned(std::u16string &out, const Conversion &conv, va_list &args) {
  const uint64_t value = UnsignedArgument(conv, args);
  const bool hex = conv.conversion == u'x' || conv.conversion == u'X';
  EmitField(out, conv, u"", Digits(value, hex ? 16 : 10, conv.conversion == u'X', conv.precision),
            conv.precision < 0);
}

std::u16string Truncated(std::u16string text, int precision) {
  if (precision >= 0 && text.size() > static_cast<size_t>(precision)) text.resize(static_cast<size_t>(precision));
  return text;
}

void FormatNarrowString(std::u16string &out, const Conversion &conv, va_list &args) {
  const char *s = va_arg(args, const char *);
  const std::u16string text = s == nullptr ? u"(null)" : hostkernel::Utf8ToUtf16(s);
  EmitField(out, conv, u"", Truncated(text, conv.precision), false);
}

void FormatWideString(std::u16string &out, const Conversion &conv, va_list &args) {
  PCWSTR s = va_arg(args, PCWSTR);
  const std::u16string text = s == nullptr ? u"(null)" : std::u16string(s);
  EmitField(out, conv, u"", Truncated(text, conv.precision), false);
}

void FormatCharacter(std::u16string &out, const Conversion &conv, va_list &args, bool wide) {
  const int value = va_arg(args, int);
  const char16_t c = wide ? static_cast<char16_t>(value) : static_cast<char16_t>(static_cast<unsigned char>(value));
  EmitField(out, conv, u"", std::u16string(1, c), false);
}

// Appends one conversion; false for one this formatter does not know.
bool FormatConversion(std::u16string &out, const Conversion &conv, va_list &args) {
  const bool wide = conv.size == Conversion::Size::Long || conv.size == Conversion::Size::Wide;
  switch (conv.conversion) {
    case u'd':
    case u'i':
      FormatSigned(out, conv, args);
      return true;
    case u'u':
    case u'x':
    case u'X':
      FormatUnsigned(out, conv, args);
      return true;
    case u's':
      if (wide) FormatWideString(out, conv, args);
      else FormatNarrowString(out, conv, args);
      return true;
    case u'S':
      FormatWideString(out, conv, args);
      return true;
    case u'c':
      FormatCharacter(out, conv, args, wide);
      return true;
    case u'C':
      FormatCharacter(out, conv, args, true);
      return true;
    case u'%':
      out += u'%';
      return true;
    default:
      return false;
  }
}

}  // namespace

int swprintf(PWSTR buffer, PCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::u16string out;
  for (PCWSTR f = format; *f != 0;) {
    if (*f != u'%') {
      out += *f++;
      continue;
    }
    PCWSTR conversionStart = f++;
    const Conversion conv = ParseConversion(f, args);
    // An unknown conversion is copied as it stands, as the kernel's formatter does.
    if (!FormatConversion(out, conv, args)) out.append(conversionStart, f);
  }
  va_end(args);
  wcscpy(buffer, out.c_str());
  return static_cast<int>(out.size());
}
