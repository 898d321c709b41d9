// The contents of an INF file, parsed as the setup API reads them.
#pragma once

#include <string>
#include <vector>

#include "hostwin32/win32.h"

namespace hostwin32 {

struct InfLine {
  bool hasKey = false;
  std::string key;                  // field 0, before substitution
  std::vector<std::string> values;  // fields 1.., before substitution
};

struct InfSection {
  std::string name;
  std::vector<InfLine> lines;
};

class InfFile {
 public:
  // Parses the text; on a syntax error returns the setup API error and sets
  // *errorLine to the line (1-based), else returns ERROR_SUCCESS.
  DWORD Parse(const std::string &text, UINT *errorLine);

  const std::vector<InfSection> &Sections() const { return sections_; }
  // The section of that name in any case, or -1.
  int FindSection(const std::string &name) const;
  // Replaces %key% with the value of key in [Strings] and %% with %; an
  // unknown %key% stays as written.
  std::string Substitute(const std::string &text) const;
  // The substituted field 1 of the first line with this key in the section,
  // or empty.
  std::string LookUp(const std::string &section, const std::string &key) const;

 private:
  // The first line with this key (any case) and a value in the section.
  const InfLine *FindKeyedLine(const std::string &section, const std::string &key) const;

  std::vector<InfSection> sections_;
};

}  // namespace hostwin32
