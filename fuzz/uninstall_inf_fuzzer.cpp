// The uninstaller's reading of an OEM INF: the host Win32 layer's INF parser
// and field access, and the uninstaller's own passes over the file. The input
// is the INF text, installed as C:\WINDOWS\inf\OEM0.inf of a machine in a
// temporary directory.
//
// Checked for every input: each field of each line reads back through a
// buffer of exactly the size the size query gave (on the heap, so that
// AddressSanitizer sees a write past it); a buffer one byte short is refused
// untouched; a line is found again by its key; and the passes of the
// uninstaller delete nothing outside the INF folder's package files and the
// two system folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "hostwin32/host_control.h"
#include "hostwin32/win32.h"
#include "inf_file.h"
#include "uninstall.h"

namespace {

constexpr char kInfWindowsPath[] = "C:\\WINDOWS\\inf\\OEM0.inf";

// Files that no pass may delete: another package's INF, a file beside the
// Windows folder and one at the root of the drive.
const char *const kSentinels[] = {"WINDOWS/inf/OEM1.inf", "WINDOWS/win.ini", "boot.ini"};

std::string &DriveRoot() {
  static std::string root;
  return root;
}

void WriteFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  FUZZ_CHECK(out.good(), "the fuzz machine's file could be written");
}

bool FileExists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Reads every field of one line as the uninstaller would and checks the
// buffer protocol of SetupGetStringFieldA.
void CheckLineFields(INFCONTEXT *context, size_t fieldCount) {
  for (DWORD field = 0; field <= fieldCount + 1; ++field) {
    DWORD required = 0;
    if (!SetupGetStringFieldA(context, field, nullptr, 0, &required)) continue;
    FUZZ_CHECK(required >= 1, "a field needs room for its terminator");
    std::vector<char> exact(required);
    DWORD again = 0;
    FUZZ_CHECK(SetupGetStringFieldA(context, field, exact.data(), required, &again),
               "a field fits the size the query gave");
    FUZZ_CHECK(again == required && exact[required - 1] == '\0', "the field ends where its size says");
    if (required == 1) continue;
    std::vector<char> shortBuffer(required - 1, 'x');
    FUZZ_CHECK(!SetupGetStringFieldA(context, field, shortBuffer.data(), required - 1, nullptr) &&
                   GetLastError() == ERROR_INSUFFICIENT_BUFFER,
               "a buffer one byte short is refused");
    FUZZ_CHECK(std::string(shortBuffer.begin(), shortBuffer.end()) == std::string(required - 1, 'x'),
               "a refused buffer is left untouched");
  }
}

// A line found by its key has that key.
void CheckFindByKey(HINF inf, const char *section, INFCONTEXT *line) {
  DWORD required = 0;
  if (!SetupGetStringFieldA(line, 0, nullptr, 0, &required)) return;
  std::vector<char> key(required);
  FUZZ_CHECK(SetupGetStringFieldA(line, 0, key.data(), required, nullptr), "the key reads");
  if (std::strlen(key.data()) + 1 != required) return;  // a NUL inside the key: not a C string
  INFCONTEXT found;
  FUZZ_CHECK(SetupFindFirstLineA(inf, section, key.data(), &found), "a line is found by its key");
  FUZZ_CHECK(found.Section == line->Section && found.Line <= line->Line,
             "the first line with a key comes no later than this one");
}

void WalkEveryField(const std::string &text) {
  HINF inf = SetupOpenInfFileA(kInfWindowsPath, nullptr, INF_STYLE_WIN4, nullptr);
  if (inf == INVALID_HANDLE_VALUE) return;
  hostwin32::InfFile parsed;
  UINT errorLine = 0;
  FUZZ_CHECK(parsed.Parse(text, &errorLine) == ERROR_SUCCESS, "an opened INF parses");
  for (const hostwin32::InfSection &section : parsed.Sections()) {
    // A name with a NUL in it cannot be asked for through the API.
    if (section.name.find('\0') != std::string::npos) continue;
    INFCONTEXT line;
    size_t index = 0;
    for (BOOL found = SetupFindFirstLineA(inf, section.name.c_str(), nullptr, &line); found;
         found = SetupFindNextLine(&line, &line), ++index) {
      FUZZ_CHECK(index < section.lines.size(), "no more lines than the section has");
      CheckLineFields(&line, section.lines[index].values.size());
      CheckFindByKey(inf, section.name.c_str(), &line);
    }
  }
  SetupCloseInfFile(inf);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char pattern[] = "/tmp/sorvex_inf_fuzz.XXXXXX";
  FUZZ_CHECK(mkdtemp(pattern) != nullptr, "a temporary directory");
  const std::string base = pattern;
  DriveRoot() = base + "/C";
  for (const char *directory : {"/C", "/C/WINDOWS", "/C/WINDOWS/inf", "/C/WINDOWS/system32",
                                "/C/WINDOWS/system32/drivers"}) {
    FUZZ_CHECK(mkdir((base + directory).c_str(), 0755) == 0, "the machine's folders");
  }
  std::atexit([] { std::filesystem::remove_all(std::filesystem::path(DriveRoot()).parent_path()); });
  setenv(hostwin32::kWinRootVariable, DriveRoot().c_str(), 1);
  setenv(hostwin32::kRegistryFileVariable, (base + "/registry.reg").c_str(), 1);
  setenv(hostwin32::kStateFileVariable, (base + "/state.txt").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  for (const char *sentinel : kSentinels) WriteFile(DriveRoot() + "/" + sentinel, "keep");
  WriteFile(DriveRoot() + "/WINDOWS/inf/OEM0.inf", text);

  WalkEveryField(text);
  // Without the recognition line the passes only try the other 100 names in
  // vain; skipping them keeps the run fast.
  if (text.find("CatalogFile.ntx86=sorvex.cat") != std::string::npos) {
    CollectHardwareIds();
    DeletePackageFiles();
  }

  for (const char *sentinel : kSentinels) {
    FUZZ_CHECK(FileExists(DriveRoot() + "/" + sentinel), "a file outside the package survives");
  }
  return 0;
}
