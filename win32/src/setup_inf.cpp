// The setup API's INF functions. An HINF is an InfFile of this process; an
// INFCONTEXT names a line by section and line index.
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "hostwin32/host_control.h"
#include "inf_file.h"
#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr char kVersionSection[] = "Version";
const char *const kWin4Signatures[] = {"$Windows NT$", "$Chicago$", "$Windows 95$"};

std::set<InfFile *> &OpenInfs() {
  static std::set<InfFile *> infs;
  return infs;
}

InfFile *InfFromHandle(PVOID handle) {
  auto found = OpenInfs().find(static_cast<InfFile *>(handle));
  return found == OpenInfs().end() ? nullptr : *found;
}

// A bare file name is taken from the inf directory, as Windows does.
std::string InfPath(const std::string &name) {
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\inf\\" + name;
}

DWORD ReadWholeFile(const std::string &windowsPath, std::string *text) {
  std::string hostPath;
  DWORD error = MapWindowsPath(windowsPath, &hostPath);
  if (error != ERROR_SUCCESS) return error;
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return ERROR_FILE_NOT_FOUND;
  std::ostringstream contents;
  contents << in.rdbuf();
  *text = contents.str();
  return ERROR_SUCCESS;
}

bool HasWin4Signature(const InfFile &inf) {
  std::string signature = inf.LookUp(kVersionSection, "Signature");
  for (const char *accepted : kWin4Signatures) {
    if (EqualNoCase(signature, accepted)) return true;
  }
  return false;
}

// The INF and line a context names, or null for a stale or foreign context.
const InfLine *ContextLine(const INFCONTEXT *context, const InfFile **inf) {
  if (context == nullptr) return nullptr;
  *inf = InfFromHandle(context->CurrentInf);
  if (*inf == nullptr) return nullptr;
  const std::vector<InfSection> &sections = (*inf)->Sections();
  if (context->Section >= sections.size()) return nullptr;
  const InfSection &section = sections[context->Section];
  return context->Line < section.lines.size() ? &section.lines[context->Line] : nullptr;
}

// The raw text of a field (0 is the key), or false when the line has none.
bool RawField(const InfLine &line, DWORD index, std::string *text) {
  if (index == 0) {
    *text = line.key;
    return line.hasKey;
  }
  if (index > line.values.size()) return false;
  *text = line.values[index - 1];
  return true;
}

}  // namespace
}  // namespace hostwin32

using hostwin32::FailWith;
using hostwin32::InfFile;
using hostwin32::InfLine;

extern "C" HINF WINAPI SetupOpenInfFileA(PCSTR FileName, PCSTR InfClass, DWORD InfStyle,
                                         PUINT ErrorLine) {
  if (FileName == nullptr) return FailWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::string text;
  DWORD error = hostwin32::ReadWholeFile(hostwin32::InfPath(FileName), &text);
  if (error != ERROR_SUCCESS) return FailWith(error, INVALID_HANDLE_VALUE);
  auto *inf = new InfFile;
  UINT errorLine = 0;
  error = inf->Parse(text, &errorLine);
  if (error == ERROR_SUCCESS && !((InfStyle & INF_STYLE_WIN4) && hostwin32::HasWin4Signature(*inf))) {
    error = ERROR_WRONG_INF_STYLE;
  }
  if (error == ERROR_SUCCESS && InfClass != nullptr &&
      !hostwin32::EqualNoCase(inf->LookUp(hostwin32::kVersionSection, "Class"), InfClass)) {
    error = ERROR_CLASS_MISMATCH;
  }
  if (error != ERROR_SUCCESS) {
    delete inf;
    if (ErrorLine != nullptr) *ErrorLine = errorLine;
    return FailWith(error, INVALID_HANDLE_VALUE);
  }
  hostwin32::OpenInfs().insert(inf);
  return inf;
}

extern "C" VOID WINAPI SetupCloseInfFile(HINF InfHandle) {
  InfFile *inf = hostwin32::InfFromHandle(InfHandle);
  if (inf == nullptr) return;
  hostwin32::OpenInfs().erase(inf);
  delete inf;
}

extern "C" BOOL WINAPI SetupFindFirstLineA(HINF InfHandle, PCSTR Section, PCSTR Key,
                                           PINFCONTEXT Context) {
  const InfFile *inf = hostwin32::InfFromHandle(InfHandle);
  if (inf == nullptr) return FailWith(ERROR_INVALID_HANDLE, FALSE);
  if (Section == nullptr || Context == nullptr) return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  int section = inf->FindSection(Section);
  if (section < 0) return FailWith(ERROR_LINE_NOT_FOUND, FALSE);
  const std::vector<InfLine> &lines = inf->Sections()[static_cast<size_t>(section)].lines;
  for (size_t i = 0; i < lines.size(); ++i) {
    bool matches = Key == nullptr ||
                   (lines[i].hasKey && hostwin32::EqualNoCase(inf->Substitute(lines[i].key), Key));
    if (matches) {
      *Context = INFCONTEXT{InfHandle, InfHandle, static_cast<UINT>(section), static_cast<UINT>(i)};
      return TRUE;
    }
  }
  return FailWith(ERROR_LINE_NOT_FOUND, FALSE);
}

extern "C" BOOL WINAPI SetupFindNextLine(PINFCONTEXT ContextIn, PINFCONTEXT ContextOut) {
  const InfFile *inf = nullptr;
  if (ContextOut == nullptr || hostwin32::ContextLine(ContextIn, &inf) == nullptr) {
    return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  }
  INFCONTEXT next = *ContextIn;
  ++next.Line;
  if (next.Line >= inf->Sections()[next.Section].lines.size()) {
    return FailWith(ERROR_LINE_NOT_FOUND, FALSE);
  }
  *ContextOut = next;
  return TRUE;
}

extern "C" BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT Context, DWORD FieldIndex,
                                            PSTR ReturnBuffer, DWORD ReturnBufferSize,
                                            PDWORD RequiredSize) {
  const InfFile *inf = nullptr;
  const InfLine *line = hostwin32::ContextLine(Context, &inf);
  std::string raw;
  if (line == nullptr || !hostwin32::RawField(*line, FieldIndex, &raw)) {
    return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  }
  std::string text = inf->Substitute(raw);
  DWORD required = static_cast<DWORD>(text.size() + 1);
  if (RequiredSize != nullptr) *RequiredSize = required;
  if (ReturnBuffer == nullptr) return TRUE;
  if (ReturnBufferSize < required) return FailWith(ERROR_INSUFFICIENT_BUFFER, FALSE);
  std::memcpy(ReturnBuffer, text.c_str(), required);
  return TRUE;
}
