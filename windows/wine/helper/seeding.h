// Putting things into the Wine prefix the way an installation (or other
// software) leaves them. Every function reports failure on stderr and
// returns false; a scenario that cannot be set up fails its test.
#pragma once

#include <string>
#include <vector>

namespace wine_test {

// HKEY_LOCAL_MACHINE values, creating the key and its parents.
bool SetMachineString(const std::string &keyPath, const std::string &name,
                      const std::string &value);
bool SetMachineMultiString(const std::string &keyPath, const std::string &name,
                           const std::vector<std::string> &values);

// A file with this content, creating its folder; read-only if asked.
bool WriteFileAt(const std::string &path, const std::string &content, bool readOnly = false);

// A copy of this program at `path`, creating its folder.
bool CopyThisProgramTo(const std::string &path);

// Text with LF line ends turned into CR LF, as INF files are written.
std::string WithCrLf(const std::string &text);

// A registered device instance of the setup class with this GUID, with
// these hardware ids (the first is the one the uninstaller compares).
bool AddDevice(const std::string &instanceId, const std::string &classGuid,
               const std::vector<std::string> &hardwareIds);

// Top-level windows (class, title) that the scenario puts on the desktop.
struct WindowSpec {
  std::string windowClass;
  std::string title;
};

// Starts this program as a separate process that owns the windows (each
// destroyed by WM_CLOSE; the process ends when all are gone) and returns
// once they all exist.
bool StartWindowOwner(const std::vector<WindowSpec> &windows);
// The window owner's own work: create the windows and run until all close.
int RunWindowOwner(const std::vector<WindowSpec> &windows);

}  // namespace wine_test
