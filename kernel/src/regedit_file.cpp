// The regedit export format of a registry store: reading and writing.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "hostkernel/registry_store.h"

namespace hostkernel {
namespace {

constexpr char kFileHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr size_t kWrapColumn = 80;  // regedit wraps long hex data near here

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

struct HiveName {
  const char *store;
  const char *file;
};
const HiveName kHiveNames[] = {{"MACHINE", "HKEY_LOCAL_MACHINE"}, {"USER", "HKEY_USERS"}};

const char *FileHiveName(const std::string &storeName) {
  for (const HiveName &hive : kHiveNames) {
    if (RegistryNamesEqual(storeName, hive.store)) return hive.file;
  }
  return nullptr;
}

const char *StoreHiveName(const std::string &fileName) {
  for (const HiveName &hive : kHiveNames) {
    if (RegistryNamesEqual(fileName, hive.file)) return hive.store;
  }
  return nullptr;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string TrimRight(std::string s) {
  while (!s.empty() && IsSpace(s.back())) s.pop_back();
  return s;
}

std::string Trim(const std::string &s) {
  size_t start = 0;
  while (start < s.size() && IsSpace(s[start])) ++start;
  return TrimRight(s.substr(start));
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses 1..maxDigits hex digits making up all of `text`.
bool ParseHexNumber(const std::string &text, size_t maxDigits, uint32_t *value) {
  if (text.empty() || text.size() > maxDigits) return false;
  *value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

bool StartsWithNoCase(const std::string &s, const std::string &prefix) {
  return s.size() >= prefix.size() && RegistryNamesEqual(s.substr(0, prefix.size()), prefix);
}

std::vector<uint8_t> Utf16LeBytes(const std::u16string &units) {
  std::vector<uint8_t> bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

// ---------------------------------------------------------------- writing

std::string Quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The text of a REG_SZ value when "name"="text" gives back exactly its data;
// other strings are written as hex(1) so that nothing is lost.
bool PlainStringText(const RegistryValue &value, std::string *text) {
  const std::vector<uint8_t> &data = value.data;
  if (value.type != kRegSz || data.size() < 2 || data.size() % 2 != 0) return false;
  std::u16string units;
  for (size_t i = 0; i < data.size(); i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  if (units.back() != 0) return false;
  units.pop_back();
  for (char16_t u : units) {
    if (u == 0 || u == u'\r' || u == u'\n') return false;
  }
  *text = Utf16ToUtf8(units);
  return Utf8ToUtf16(*text) == units;
}

std::string HexByte(uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02x", byte);
  return text;
}

// "head" followed by comma-separated bytes, wrapped as regedit does: a
// trailing backslash and the next line indented by two spaces.
std::string WrappedHex(const std::string &head, const std::vector<uint8_t> &data) {
  std::string out = head;
  size_t lineStart = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    const std::string item = HexByte(data[i]) + (i + 1 < data.size() ? "," : "");
    if (out.size() - lineStart + item.size() + 1 > kWrapColumn) {
      out += "\\\n";
      lineStart = out.size();
      out += "  ";
    }
    out += item;
  }
  return out;
}

std::string HexTypeTag(uint32_t type) {
  if (type == kRegBinary) return "hex:";
  char text[24];
  std::snprintf(text, sizeof text, "hex(%x):", static_cast<unsigned>(type));
  return text;
}

std::string ValueLine(const RegistryValue &value) {
  const std::string head = (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=";
  std::string text;
  if (PlainStringText(value, &text)) return head + Quoted(text);
  if (value.type == kRegDword && value.data.size() == 4) {
    const uint32_t dword = static_cast<uint32_t>(value.data[0]) | (static_cast<uint32_t>(value.data[1]) << 8) |
                           (static_cast<uint32_t>(value.data[2]) << 16) | (static_cast<uint32_t>(value.data[3]) << 24);
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(dword));
    return head + "dword:" + digits;
  }
  return WrappedHex(head + HexTypeTag(value.type), value.data);
}

void WriteKey(const RegistryKey &key, const std::string &filePath, std::string *out) {
  *out += "[" + filePath + "]\n";
  for (const RegistryValue &value : key.values) *out += ValueLine(value) + "\n";
  *out += "\n";
  for (const auto &child : key.subkeys) WriteKey(*child, filePath + "\\" + child->name, out);
}

// ---------------------------------------------------------------- reading

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Reads the regedit text into a store. Lines are numbered from 1 in errors.
class RegeditParser {
 public:
  RegeditParser(const std::string &text, RegistryStore *store) : store_(store) {
    const bool hasBom = text.compare(0, 3, kUtf8Bom) == 0;
    lines_ = SplitLines(hasBom ? text.substr(3) : text);
  }

  bool Parse(std::string *error) {
    if (lines_.empty() || TrimRight(lines_[0]) != kFileHeader) return Fail(0, "missing header", error);
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string line = Trim(lines_[index_]);
      if (line.empty() || line[0] == ';') continue;
      const bool ok = line[0] == '[' ? ParseKeyHeader(line, error) : ParseValueLine(line, error);
      if (!ok) return false;
    }
    return true;
  }

 private:
  static bool Fail(size_t index, const std::string &what, std::string *error) {
    if (error != nullptr) *error = "line " + std::to_string(index + 1) + ": " + what;
    return false;
  }

  bool ParseKeyHeader(const std::string &line, std::string *error) {
    if (line.back() != ']') return Fail(index_, "bad key header", error);
    std::string path = line.substr(1, line.size() - 2);
    const bool deletion = !path.empty() && path[0] == '-';
    if (deletion) path.erase(0, 1);
    std::vector<std::string> parts;
    if (!SplitRegistryPath(path, &parts)) return Fail(index_, "bad key header", error);
    const char *hive = StoreHiveName(parts[0]);
    if (hive == nullptr) return Fail(index_, "unknown root hive '" + parts[0] + "'", error);
    const size_t firstSeparator = path.find('\\');
    const std::string storePath = hive + (firstSeparator == std::string::npos ? "" : path.substr(firstSeparator));
    current_ = nullptr;
    if (!deletion) {
      current_ = store_->CreateKey(storePath);
      return true;
    }
    if (parts.size() == 1) return Fail(index_, "a root hive cannot be deleted", error);
    store_->DeleteKey(storePath);
    return true;
  }

  // Reads a quoted string starting at text[*pos] == '"'; *pos ends past the
  // closing quote.
  bool ParseQuoted(const std::string &text, size_t *pos, std::string *out, std::string *error) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
      if (text[i] == '"') {
        *pos = i + 1;
        return true;
      }
      if (text[i] == '\\') {
        if (i + 1 >= text.size()) break;
        if (text[i + 1] != '\\' && text[i + 1] != '"') return Fail(index_, "bad escape in string", error);
        ++i;
      }
      *out += text[i];
    }
    return Fail(index_, "unterminated string", error);
  }

  bool ParseValueLine(const std::string &line, std::string *error) {
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      if (!ParseQuoted(line, &pos, &name, error)) return false;
    } else {
      return Fail(index_, "expected \"name\"=data", error);
    }
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return Fail(index_, "expected \"name\"=data", error);
    if (current_ == nullptr) return Fail(index_, "value outside a key", error);
    const std::string data = Trim(line.substr(pos + 1));
    if (data == "-") {
      store_->DeleteValue(current_, name);
      return true;
    }
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
    if (!ParseData(data, &type, &bytes, error)) return false;
    store_->SetValue(current_, name, type, bytes);
    return true;
  }

  bool ParseData(const std::string &data, uint32_t *type, std::vector<uint8_t> *bytes, std::string *error) {
    if (!data.empty() && data[0] == '"') return ParseStringData(data, type, bytes, error);
    if (StartsWithNoCase(data, "dword:")) return ParseDwordData(data.substr(6), type, bytes, error);
    if (StartsWithNoCase(data, "hex:")) {
      *type = kRegBinary;
      return ParseHexLines(data.substr(4), bytes, error);
    }
    if (StartsWithNoCase(data, "hex(")) {
      const size_t close = data.find("):");
      if (close == std::string::npos || !ParseHexNumber(data.substr(4, close - 4), 8, type)) {
        return Fail(index_, "bad hex type", error);
      }
      return ParseHexLines(data.substr(close + 2), bytes, error);
    }
    return Fail(index_, "bad value data", error);
  }

  bool ParseStringData(const std::string &data, uint32_t *type, std::vector<uint8_t> *bytes, std::string *error) {
    size_t pos = 0;
    std::string text;
    if (!ParseQuoted(data, &pos, &text, error)) return false;
    if (pos != data.size()) return Fail(index_, "text after the closing quote", error);
    *type = kRegSz;
    *bytes = Utf16LeBytes(Utf8ToUtf16(text) + u'\0');
    return true;
  }

  bool ParseDwordData(const std::string &digits, uint32_t *type, std::vector<uint8_t> *bytes, std::string *error) {
    uint32_t value = 0;
    if (!ParseHexNumber(digits, 8, &value)) return Fail(index_, "bad dword", error);
    *type = kRegDword;
    *bytes = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
              static_cast<uint8_t>(value >> 24)};
    return true;
  }

  // Reads comma-separated bytes, following lines that end in a backslash.
  bool ParseHexLines(std::string segment, std::vector<uint8_t> *bytes, std::string *error) {
    for (;;) {
      segment = Trim(segment);
      const bool continued = !segment.empty() && segment.back() == '\\';
      if (continued) segment.pop_back();
      if (!ParseHexItems(segment, continued, bytes, error)) return false;
      if (!continued) return true;
      if (!NextLineContinues()) return Fail(index_, "truncated continuation", error);
      segment = lines_[++index_];
    }
  }

  // A continuation line is indented and not blank.
  bool NextLineContinues() const {
    if (index_ + 1 >= lines_.size()) return false;
    const std::string &next = lines_[index_ + 1];
    return !next.empty() && IsSpace(next[0]) && !Trim(next).empty();
  }

  bool ParseHexItems(const std::string &segment, bool continued, std::vector<uint8_t> *bytes,
                     std::string *error) {
    if (Trim(segment).empty()) return true;
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma; (comma = segment.find(',', start)) != std::string::npos; start = comma + 1) {
      items.push_back(Trim(segment.substr(start, comma - start)));
    }
    items.push_back(Trim(segment.substr(start)));
    // A trailing comma is how a wrapped line ends.
    if (continued && items.back().empty()) items.pop_back();
    for (const std::string &item : items) {
      uint32_t byte = 0;
      if (!ParseHexNumber(item, 2, &byte)) return Fail(index_, "bad hex byte '" + item + "'", error);
      bytes->push_back(static_cast<uint8_t>(byte));
    }
    return true;
  }

  RegistryStore *store_;
  std::vector<std::string> lines_;
  size_t index_ = 0;
  RegistryKey *current_ = nullptr;
};

}  // namespace

bool RegistryStore::LoadText(const std::string &text, std::string *error) {
  // Parsed into a fresh store so that a bad file changes nothing.
  RegistryStore loaded;
  if (!RegeditParser(text, &loaded).Parse(error)) return false;
  root_ = std::move(loaded.root_);
  return true;
}

bool RegistryStore::LoadFile(const std::string &path, std::string *error) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file) {
    if (error != nullptr) *error = "cannot read " + path;
    return false;
  }
  return LoadText(text.str(), error);
}

std::string RegistryStore::SaveText() const {
  std::string out = std::string(kFileHeader) + "\n\n";
  for (const auto &hive : root_->subkeys) WriteKey(*hive, FileHiveName(hive->name), &out);
  return out;
}

bool RegistryStore::SaveFile(const std::string &path, std::string *error) const {
  // Written beside the target and renamed over it, so that readers never
  // see half a file.
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  const std::string text = SaveText();
  FILE *file = std::fopen(temporary.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr) ok = (std::fclose(file) == 0) && ok;
  if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    if (error != nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
  }
  return ok;
}

}  // namespace hostkernel
