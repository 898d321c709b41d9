// INF syntax: [section] headers (names in any case, repeated sections
// merge), ';' comments, "quoted" text (with "" for a quote) in which ',', ';'
// and '=' are plain characters, fields separated by ',', a key before the
// first '=' that comes before any ',', a trailing '\' that joins the next
// line, and blanks around fields dropped. A line of a single field without
// '=' has that field as its key too, as on Windows.
#include "inf_file.h"

#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr size_t kMaxSectionName = 255;
constexpr char kStringsSection[] = "Strings";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One field being read: blanks before it are dropped, blanks after it are
// dropped unless quoted.
class FieldBuilder {
 public:
  void AddText(char c) {
    text_ += c;
    kept_ = text_.size();
    started_ = true;
  }
  void AddBlank(char c) {
    if (started_) text_ += c;
  }
  void StartQuote() { started_ = true; kept_ = text_.size(); }
  bool Empty() const { return !started_; }
  std::string Take() {
    std::string field = text_.substr(0, kept_);
    *this = FieldBuilder();
    return field;
  }

 private:
  std::string text_;
  size_t kept_ = 0;
  bool started_ = false;
};

class Parser {
 public:
  explicit Parser(const std::string &text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  UINT LineNumber() const { return line_; }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[pos_])) ++pos_;
  }
  char Peek() const { return text_[pos_]; }

  // Moves past the end of the current physical line.
  void SkipLine() {
    while (!AtEnd() && text_[pos_] != '\n') ++pos_;
    if (!AtEnd()) {
      ++pos_;
      ++line_;
    }
  }

  // Reads "[name]" at the current position; returns the setup error.
  DWORD ReadSectionName(std::string *name) {
    size_t end = pos_ + 1;
    while (end < text_.size() && text_[end] != ']' && text_[end] != '\n') ++end;
    if (end >= text_.size() || text_[end] != ']') return ERROR_BAD_SECTION_NAME_LINE;
    FieldBuilder builder;
    for (size_t i = pos_ + 1; i < end; ++i) {
      if (IsBlank(text_[i])) {
        builder.AddBlank(text_[i]);
      } else {
        builder.AddText(text_[i]);
      }
    }
    *name = builder.Take();
    if (name->size() > kMaxSectionName) return ERROR_SECTION_NAME_TOO_LONG;
    SkipLine();
    return ERROR_SUCCESS;
  }

  // Reads one logical line of fields; false when it holds nothing.
  bool ReadLine(InfLine *line) {
    std::vector<std::string> fields;
    FieldBuilder field;
    bool sawComma = false;
    bool sawKey = false;
    bool sawDelimiter = false;
    while (!AtEnd() && text_[pos_] != '\n') {
      char c = text_[pos_];
      if (c == ';') {
        SkipComment();
      } else if (c == '"') {
        ReadQuoted(&field);
      } else if (c == '\\' && JoinsNextLine()) {
        continue;
      } else if (c == ',') {
        fields.push_back(field.Take());
        sawComma = sawDelimiter = true;
        ++pos_;
      } else if (c == '=' && !sawComma && !sawKey) {
        line->key = field.Take();
        sawKey = sawDelimiter = true;
        ++pos_;
      } else {
        if (IsBlank(c)) {
          field.AddBlank(c);
        } else {
          field.AddText(c);
        }
        ++pos_;
      }
    }
    SkipLine();
    if (!sawDelimiter && field.Empty()) return false;
    fields.push_back(field.Take());
    line->hasKey = sawKey;
    line->values = fields;
    if (!sawKey && fields.size() == 1) {
      line->hasKey = true;
      line->key = fields[0];
    }
    return true;
  }

 private:
  void SkipComment() {
    while (!AtEnd() && text_[pos_] != '\n') ++pos_;
  }

  void ReadQuoted(FieldBuilder *field) {
    field->StartQuote();
    ++pos_;
    while (!AtEnd() && text_[pos_] != '\n') {
      if (text_[pos_] == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          field->AddText('"');
          pos_ += 2;
          continue;
        }
        ++pos_;
        return;
      }
      field->AddText(text_[pos_++]);
    }
  }

  // At a '\': when only blanks or a comment follow on this line, moves to
  // the start of the next line and returns true.
  bool JoinsNextLine() {
    size_t next = pos_ + 1;
    while (next < text_.size() && IsBlank(text_[next])) ++next;
    if (next < text_.size() && text_[next] == ';') {
      while (next < text_.size() && text_[next] != '\n') ++next;
    }
    if (next < text_.size() && text_[next] != '\n') return false;
    pos_ = next;
    SkipLine();
    return true;
  }

  const std::string &text_;
  size_t pos_ = 0;
  UINT line_ = 1;
};

}  // namespace

DWORD InfFile::Parse(const std::string &text, UINT *errorLine) {
  sections_.clear();
  Parser parser(text);
  int current = -1;
  while (!parser.AtEnd()) {
    parser.SkipBlanks();
    if (parser.AtEnd()) break;
    UINT lineNumber = parser.LineNumber();
    if (parser.Peek() == '[') {
      std::string name;
      DWORD error = parser.ReadSectionName(&name);
      if (error != ERROR_SUCCESS) {
        *errorLine = lineNumber;
        return error;
      }
      current = FindSection(name);
      if (current < 0) {
        sections_.push_back(InfSection{name, {}});
        current = static_cast<int>(sections_.size()) - 1;
      }
      continue;
    }
    InfLine line;
    if (!parser.ReadLine(&line)) continue;
    if (current < 0) {
      *errorLine = lineNumber;
      return ERROR_EXPECTED_SECTION_NAME;
    }
    sections_[static_cast<size_t>(current)].lines.push_back(line);
  }
  return ERROR_SUCCESS;
}

int InfFile::FindSection(const std::string &name) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (EqualNoCase(sections_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

const InfLine *InfFile::FindKeyedLine(const std::string &section, const std::string &key) const {
  int index = FindSection(section);
  if (index < 0) return nullptr;
  for (const InfLine &line : sections_[static_cast<size_t>(index)].lines) {
    if (line.hasKey && EqualNoCase(line.key, key) && !line.values.empty()) return &line;
  }
  return nullptr;
}

std::string InfFile::LookUp(const std::string &section, const std::string &key) const {
  const InfLine *line = FindKeyedLine(section, key);
  return line ? Substitute(line->values[0]) : "";
}

std::string InfFile::Substitute(const std::string &text) const {
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('%', pos);
    size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) {
      result += text.substr(pos);
      break;
    }
    result += text.substr(pos, open - pos);
    std::string token = text.substr(open + 1, close - open - 1);
    const InfLine *definition = token.empty() ? nullptr : FindKeyedLine(kStringsSection, token);
    if (token.empty()) {
      result += '%';
    } else if (definition != nullptr) {
      result += definition->values[0];
    } else {
      result += text.substr(open, close - open + 1);
    }
    pos = close + 1;
  }
  return result;
}

}  // namespace hostwin32
