// The uninstaller's scenarios: what each puts into a fresh Wine prefix and
// how a run of uninstall.exe must change it.
#pragma once

#include <string>
#include <vector>

#include "machine_state.h"
#include "seeding.h"

namespace wine_test {

struct Scenario {
  const char *name;
  // Sets the scenario up and states the expected changes; false on failure.
  bool (*setUp)(ExpectedChanges *expected);
};

const std::vector<Scenario> &AllScenarios();
const Scenario *FindScenario(const std::string &name);

// The windows every scenario puts on the desktop: the companion application
// and two that only resemble it.
const std::vector<WindowSpec> &DesktopWindows();

// Where the maintenance program stub goes, and the line its start leaves
// in the machine state: the program that ran and its show command.
std::string MaintenanceProgramPath();
std::string MaintenanceStartLine(const std::string &program, unsigned showCommand);
// Records the start of the stub; returns its exit code.
int RecordMaintenanceStart();

}  // namespace wine_test
