// The regedit export format of a registry store: reading and writing.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hostkernel/file_replace.h"
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
std::string WrappedHex(const std::string &head, const std::vector<uint8_t> &data, const std::string &lineEnd) {
  std::string out = head;
  size_t lineStart = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    const std::string item = HexByte(data[i]) + (i + 1 < data.size() ? "," : "");
    if (out.size() - lineStart + item.size() + 1 > kWrapColumn) {
      out += "\\" + lineEnd;
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

std::string ValueLine(const RegistryValue &value, const std::string &lineEnd) {
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
  return WrappedHex(head + HexTypeTag(value.type), value.data, lineEnd);
}

// A key that is only there as the parent of keys the file named needs no
// header of its own, unless it has lost those children since.
bool NeedsHeader(const RegistryKey &key, bool hive) {
  return !key.impliedByFile || !key.values.empty() || (key.subkeys.empty() && !hive);
}

// Writes a key and its subtree: what was read as it was read, the rest
// afresh. The recursion is as deep as the key, at most kMaxKeyDepth.
void WriteKey(const RegistryKey &key, bool hive, std::string *filePath, const std::string &lineEnd,
              std::string *out) {
  if (NeedsHeader(key, hive)) {
    *out += key.text.leading;
    *out += key.text.own.empty() ? lineEnd + "[" + *filePath + "]" + lineEnd : key.text.own;
  }
  for (const RegistryValue &value : key.values) {
    *out += value.text.leading;
    *out += value.text.own.empty() ? ValueLine(value, lineEnd) + lineEnd : value.text.own;
  }
  for (const auto &child : key.subkeys) {
    const size_t length = filePath->size();
    *filePath += "\\" + child->name;
    WriteKey(*child, false, filePath, lineEnd, out);
    filePath->resize(length);
  }
}

// ---------------------------------------------------------------- encodings

constexpr char kUtf16LeBom[] = "\xFF\xFE";

// The file's bytes as UTF-8 text, without a byte order mark. UTF-16 that is
// not well formed (an odd last byte, a lone surrogate) reads as U+FFFD.
std::string DecodeFileText(const std::string &bytes, FileEncoding *encoding) {
  if (bytes.compare(0, 2, kUtf16LeBom) == 0) {
    *encoding = FileEncoding::kUtf16LeBom;
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    if (bytes.size() % 2 != 0) units += u'\xFFFD';
    return Utf16ToUtf8(units);
  }
  if (bytes.compare(0, 3, kUtf8Bom) == 0) {
    *encoding = FileEncoding::kUtf8Bom;
    return bytes.substr(3);
  }
  *encoding = FileEncoding::kUtf8;
  return bytes;
}

std::string EncodeFileText(const std::string &text, FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::kUtf8Bom:
      return kUtf8Bom + text;
    case FileEncoding::kUtf16LeBom: {
      const std::vector<uint8_t> bytes = Utf16LeBytes(Utf8ToUtf16(text));
      return kUtf16LeBom + std::string(bytes.begin(), bytes.end());
    }
    case FileEncoding::kUtf8:
      break;
  }
  return text;
}

// ---------------------------------------------------------------- reading

// The lines of the text as read, each with its line end ("\n", "\r\n" or
// whatever precedes the "\n"); a last line without one is given a "\n".
std::vector<std::string> SplitRawLines(const std::string &text, bool *endsWithLineEnd) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "\n");
      *endsWithLineEnd = false;
      break;
    }
    lines.push_back(text.substr(start, end + 1 - start));
    start = end + 1;
  }
  return lines;
}

// A line as parsed: without its "\n" and one "\r" before it.
std::string WithoutLineEnd(const std::string &raw) {
  std::string line = raw.substr(0, raw.size() - 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Reads the regedit text into a store, keeping the text of each key and
// value and of the comments before it. Lines are numbered from 1 in errors.
class RegeditParser {
 public:
  RegeditParser(const std::string &text, RegistryStore *store, FileLayout *layout)
      : store_(store), layout_(layout) {
    raw_ = SplitRawLines(text, &layout_->endsWithLineEnd);
    for (const std::string &raw : raw_) lines_.push_back(WithoutLineEnd(raw));
  }

  bool Parse(std::string *error) {
    if (lines_.empty() || TrimRight(lines_[0]) != kFileHeader) return Fail(0, "missing header", error);
    layout_->header = raw_[0];
    layout_->lineEnd = raw_[0].size() >= 2 && raw_[0].compare(raw_[0].size() - 2, 2, "\r\n") == 0 ? "\r\n" : "\n";
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string line = Trim(lines_[index_]);
      if (line.empty() || line[0] == ';') {
        pending_ += raw_[index_];
        continue;
      }
      const size_t first = index_;
      FileText *text = nullptr;
      const bool ok = line[0] == '[' ? ParseKeyHeader(line, &text, error) : ParseValueLine(line, &text, error);
      if (!ok) return false;
      if (text != nullptr) {
        text->leading = std::move(pending_);
        text->own.clear();
        for (size_t i = first; i <= index_; ++i) text->own += raw_[i];
      }
      if (!keepPending_) pending_.clear();
      keepPending_ = false;
    }
    layout_->trailing = std::move(pending_);
    return true;
  }

 private:
  static bool Fail(size_t index, const std::string &what, std::string *error) {
    if (error != nullptr) *error = "line " + std::to_string(index + 1) + ": " + what;
    return false;
  }

  // *text is where the header's text goes: the key's, unless an earlier
  // header of the same key already gave it one (then the comments before
  // this one go on to the next entry); null for a deletion, which takes the
  // comments before it along.
  bool ParseKeyHeader(const std::string &line, FileText **text, std::string *error) {
    if (line.back() != ']') return Fail(index_, "bad key header", error);
    std::string path = line.substr(1, line.size() - 2);
    const bool deletion = !path.empty() && path[0] == '-';
    if (deletion) path.erase(0, 1);
    std::vector<std::string> parts;
    if (!SplitRegistryPath(path, &parts)) return Fail(index_, "bad key header", error);
    const char *hive = StoreHiveName(parts[0]);
    if (hive == nullptr) return Fail(index_, "unknown root hive '" + parts[0] + "'", error);
    if (parts.size() > kMaxKeyDepth) {
      return Fail(index_, "key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels", error);
    }
    const size_t firstSeparator = path.find('\\');
    const std::string storePath = hive + (firstSeparator == std::string::npos ? "" : path.substr(firstSeparator));
    current_ = nullptr;
    if (!deletion) {
      current_ = store_->CreateKey(storePath);
      if (current_->text.own.empty()) {
        *text = &current_->text;
      } else {
        keepPending_ = true;
      }
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

  bool ParseValueLine(const std::string &line, FileText **text, std::string *error) {
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
    *text = &current_->FindValue(name)->text;
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
  FileLayout *layout_;
  std::vector<std::string> raw_;    // as read, with line ends
  std::vector<std::string> lines_;  // as parsed
  size_t index_ = 0;
  RegistryKey *current_ = nullptr;
  std::string pending_;  // blank and comment lines not yet given to an entry
  bool keepPending_ = false;
};

// Marks the keys the file did not name, which were made as parents of those
// it did.
void MarkImpliedKeys(RegistryKey *root) {
  std::vector<RegistryKey *> pending = {root};
  while (!pending.empty()) {
    RegistryKey *key = pending.back();
    pending.pop_back();
    key->impliedByFile = key->text.own.empty();
    for (const auto &child : key->subkeys) pending.push_back(child.get());
  }
}

// Reads a whole file. A folder, a FIFO or a device is refused without being
// read: reading a FIFO would wait for a writer.
bool ReadRegularFile(const std::string &path, std::string *text, std::string *why) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  if (!ok) {
    *why = std::string("cannot be read: ") + std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    *why = "is a folder, not a registry file";
    ok = false;
  } else if (!S_ISREG(info.st_mode)) {
    *why = "is not a regular file";
    ok = false;
  }
  char buffer[65536];
  while (ok) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      *why = std::string("cannot be read: ") + std::strerror(errno);
      ok = false;
      break;
    }
    text->append(buffer, static_cast<size_t>(count));
  }
  close(fd);
  return ok;
}

}  // namespace

bool RegistryStore::LoadText(const std::string &text, std::string *error) {
  // Parsed into a fresh store so that a bad file changes nothing.
  RegistryStore loaded;
  loaded.deferDeletions_ = true;
  FileLayout layout;
  if (!RegeditParser(DecodeFileText(text, &layout.encoding), &loaded, &layout).Parse(error)) return false;
  loaded.DropDeletedEntries();
  MarkImpliedKeys(loaded.root_.get());
  root_ = std::move(loaded.root_);
  layout_ = std::move(layout);
  return true;
}

bool RegistryStore::LoadFile(const std::string &path, std::string *error) {
  std::string text;
  std::string why;
  if (!ReadRegularFile(path, &text, &why)) {
    if (error != nullptr) *error = why;
    return false;
  }
  return LoadText(text, error);
}

std::string RegistryStore::SaveText() const {
  const std::string &lineEnd = layout_.lineEnd;
  std::string out = layout_.header.empty() ? kFileHeader + lineEnd : layout_.header;
  for (const auto &hive : root_->subkeys) {
    std::string filePath = FileHiveName(hive->name);
    WriteKey(*hive, true, &filePath, lineEnd, &out);
  }
  out += layout_.trailing;
  if (!layout_.endsWithLineEnd && !out.empty() && out.back() == '\n') out.pop_back();
  return EncodeFileText(out, layout_.encoding);
}

bool RegistryStore::SaveFile(const std::string &path, std::string *error) const {
  const int reason = ReplaceFileContents(path, SaveText());
  if (reason != 0 && error != nullptr) *error = "cannot write " + path + ": " + std::strerror(reason);
  return reason == 0;
}

}  // namespace hostkernel
