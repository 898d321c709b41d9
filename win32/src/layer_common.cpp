#include "layer_common.h"

#include <cstdlib>
#include <cstring>

#include "hostwin32/host_control.h"

namespace hostwin32 {

std::string WinRoot() {
  const char *root = std::getenv(kWinRootVariable);
  return root ? root : "";
}

bool EqualNoCase(const std::string &a, const std::string &b) {
  return LowerAscii(a) == LowerAscii(b);
}

std::string LowerAscii(std::string text) {
  for (char &c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Utf8FromAnsi(const std::string &ansi) {
  std::string utf8;
  for (char c : ansi) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::string AnsiFromUtf8(const std::string &utf8) {
  std::string ansi;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      ansi += utf8[i];
    } else if ((byte & 0xFE) == 0xC2 && i + 1 < utf8.size()) {
      // Two-byte sequences U+0080..U+00FF are the Latin-1 upper half.
      ansi += static_cast<char>(((byte & 0x03) << 6) | (utf8[i + 1] & 0x3F));
      ++i;
    } else if ((byte & 0xC0) != 0x80) {
      ansi += '?';  // a character outside Latin-1; continuation bytes are dropped
    }
  }
  return ansi;
}

UINT CopyStringResult(const std::string &text, LPSTR buffer, UINT size) {
  UINT length = static_cast<UINT>(text.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return length;
}

}  // namespace hostwin32
