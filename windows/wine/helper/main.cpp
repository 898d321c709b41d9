// The test helper of the uninstaller's Wine tests. One program, four roles:
//   scenario_helper setup NAME     sets scenario NAME up in the prefix and
//                                  writes the state a run must leave
//   scenario_helper close-windows  records which scenario windows are open,
//                                  then closes them so their owner exits
//   scenario_helper check NAME     compares the prefix with that state
//   scenario_helper window-owner "CLASS|TITLE"...   (started by setup)
// and, copied to the maintenance program's path as setup.exe, the stub that
// records that it was started.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "machine_state.h"
#include "scenarios.h"
#include "seeding.h"

namespace wine_test {
namespace {

// Files of the test itself, outside every tree the state covers.
const std::string kWorkFolder = "C:\\sorvex_test";
const std::string kExpectedFile = kWorkFolder + "\\expected.txt";
const std::string kBeforeFile = kWorkFolder + "\\before.txt";
const std::string kWindowsFile = kWorkFolder + "\\windows.txt";

std::vector<std::pair<std::string, std::string>> WindowNames() {
  std::vector<std::pair<std::string, std::string>> names;
  for (const WindowSpec &entry : DesktopWindows()) names.push_back({entry.windowClass, entry.title});
  return names;
}

const Scenario *ScenarioNamed(const char *name) {
  const Scenario *scenario = FindScenario(name);
  if (scenario == nullptr) fprintf(stderr, "no scenario named %s\n", name);
  return scenario;
}

int SetUp(const Scenario &scenario) {
  ExpectedChanges expected;
  CreateDirectoryA(kWorkFolder.c_str(), NULL);
  if (!scenario.setUp(&expected) || !StartWindowOwner(DesktopWindows())) return 1;
  MachineState before = CaptureMachineState();
  for (const std::string &window : PresentWindows(WindowNames())) before.insert(window);
  std::vector<std::string> problems;
  const MachineState after = expected.Apply(before, &problems);
  for (const std::string &problem : problems)
    fprintf(stderr, "scenario %s %s\n", scenario.name, problem.c_str());
  if (!SaveLines(kBeforeFile, before) || !SaveLines(kExpectedFile, after)) {
    fprintf(stderr, "cannot write %s\n", kWorkFolder.c_str());
    return 1;
  }
  return problems.empty() ? 0 : 1;
}

int CloseWindows() {
  const std::vector<std::string> present = PresentWindows(WindowNames());
  if (!SaveLines(kWindowsFile, std::set<std::string>(present.begin(), present.end()))) return 1;
  for (const WindowSpec &entry : DesktopWindows()) {
    HWND window = FindWindowA(entry.windowClass.c_str(), entry.title.c_str());
    if (window != NULL) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return 0;
}

int Check(const Scenario &scenario) {
  MachineState expected;
  MachineState windows;
  if (!LoadLines(kExpectedFile, &expected) || !LoadLines(kWindowsFile, &windows)) {
    fprintf(stderr, "no recorded state in %s\n", kWorkFolder.c_str());
    return 1;
  }
  MachineState actual = CaptureMachineState();
  actual.insert(windows.begin(), windows.end());
  std::vector<std::string> missing, unexpected;
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      std::back_inserter(missing));
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                      std::back_inserter(unexpected));
  for (const std::string &line : missing)
    printf("%s: gone but should remain: %s\n", scenario.name, line.c_str());
  for (const std::string &line : unexpected) {
    printf("%s: present but should be gone: %s\n", scenario.name, line.c_str());
  }
  if (missing.empty() && unexpected.empty()) {
    printf("%s: the prefix is as expected (%zu entries)\n", scenario.name, expected.size());
    return 0;
  }
  return 1;
}

int OwnWindows(int count, char **entries) {
  std::vector<WindowSpec> windows;
  for (int i = 0; i < count; ++i) {
    const std::string entry = entries[i];
    const size_t bar = entry.find('|');
    if (bar == std::string::npos) return 2;
    windows.push_back({entry.substr(0, bar), entry.substr(bar + 1)});
  }
  return RunWindowOwner(windows);
}

bool StartedAsMaintenanceProgram() {
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, sizeof self);
  std::string name = self;
  name = name.substr(name.find_last_of('\\') + 1);
  return lstrcmpiA(name.c_str(), "setup.exe") == 0;
}

int Usage() {
  fprintf(stderr, "usage: scenario_helper setup NAME | close-windows | check NAME\n");
  return 2;
}

}  // namespace
}  // namespace wine_test

int main(int argc, char **argv) {
  using namespace wine_test;
  if (StartedAsMaintenanceProgram()) return RecordMaintenanceStart();
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "window-owner") return OwnWindows(argc - 2, argv + 2);
  if (command == "close-windows" && argc == 2) return CloseWindows();
  if ((command == "setup" || command == "check") && argc == 3) {
    const Scenario *scenario = ScenarioNamed(argv[2]);
    if (scenario == nullptr) return 2;
    return command == "setup" ? SetUp(*scenario) : Check(*scenario);
  }
  return Usage();
}
