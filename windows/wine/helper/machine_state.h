// What the uninstaller tests compare: the parts of a Wine prefix that the
// uninstaller reads or deletes, as a sorted set of text lines.
//   key HKLM\PATH
//   value HKLM\PATH|NAME=TYPE:DATA
//   file C:\PATH [read-only]
//   device INSTANCE-ID class={GUID} ids=ID;ID
//   window CLASS|TITLE
#pragma once

#include <set>
#include <string>
#include <vector>

namespace wine_test {

using MachineState = std::set<std::string>;

// The key below HKEY_CURRENT_USER where the test's stand-in programs record
// what happened to them; part of the captured state.
extern const char kRecorderKey[];

// The state of the prefix now. The windows are not looked up here: they
// were recorded by RecordWindows before the test closed them.
MachineState CaptureMachineState();

// Window lines for the given (class, title) pairs that exist now.
std::vector<std::string> PresentWindows(
    const std::vector<std::pair<std::string, std::string>> &windows);

bool SaveLines(const std::string &path, const std::set<std::string> &lines);
bool LoadLines(const std::string &path, std::set<std::string> *lines);

// How a run is expected to change the state: what goes (a key with all below
// it, a value, a file, a device, a window) and what appears.
class ExpectedChanges {
 public:
  void RemoveKey(const std::string &path);
  void RemoveValue(const std::string &keyPath, const std::string &name);
  void RemoveFile(const std::string &path);
  void RemoveDevice(const std::string &instanceId);
  void RemoveWindow(const std::string &windowClass, const std::string &title);
  void Add(const std::string &line);

  // `before` with the removals and additions applied. Every removal must
  // match a line of `before`: a scenario that expects the removal of
  // something it never set up is wrong itself. Mismatches go to `problems`.
  MachineState Apply(const MachineState &before, std::vector<std::string> *problems) const;

 private:
  // A line is removed when it equals one of `lines` or starts with one of
  // `prefixes`, compared without regard to case as Windows names are.
  struct Removal {
    std::string what;
    std::vector<std::string> lines;
    std::vector<std::string> prefixes;
  };
  std::vector<Removal> removals_;
  std::vector<std::string> added_;
};

std::string KeyLine(const std::string &path);
std::string ValueLine(const std::string &keyPath, const std::string &name, const std::string &data);
std::string WindowLine(const std::string &windowClass, const std::string &title);

}  // namespace wine_test
