#include "scenarios.h"

#include <windows.h>

#include <cstdio>

namespace wine_test {
namespace {

// ---- Names of the machine (a 64-bit Wine prefix, where the 64-bit
// uninstaller sees the registry and system folder without redirection) ----
const std::string kUninstallList = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kProductEntry = kUninstallList + "\\{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kInstallerKey = "SOFTWARE\\Quendril\\Sorvecam";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string kService = kServices + "\\DCamSorvex";
const std::string kImageClass = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const std::string kHidClass = "{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}";
const std::string kCamera = "USB\\VID_1E4E&PID_0102\\5&2A1B3C4&0&2";
const std::string kMaintenanceFolder =
    "C:\\Program Files\\InstallShield Installation "
    "Information\\{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}";

const std::string kDrivers = "C:\\windows\\system32\\drivers\\";
const std::string kSystem = "C:\\windows\\system32\\";
const std::string kInfFolder = "C:\\windows\\inf\\";

// The value where the maintenance program stub records that it was started.
const char kRecorderValue[] = "MaintenanceProgram";

std::string MaintenanceStart(const std::string &program, unsigned showCommand) {
  return program + " (show " + std::to_string(showCommand) + ")";
}

std::string Machine(const std::string &path) { return "HKLM\\" + path; }

// The package's INF as Windows copies it to OEMn.inf. Besides the file list
// it has lines with "=1" elsewhere (ServiceType=1, DefaultDestDir=12, ...).
const char kPackageInf[] =
    "; Sorvecam USB 2.0 camera\n"
    "[Version]\n"
    "Signature=\"$Windows NT$\"\n"
    "Class=Image\n"
    "ClassGUID={6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\n"
    "Provider=%Maker%\n"
    "CatalogFile.ntx86=sorvex.cat\n"
    "DriverVer=10/12/2008,1.0.0.7\n"
    "\n"
    "[Manufacturer]\n"
    "%Maker%=Quendril\n"
    "\n"
    "[Quendril]\n"
    "%Camera.Desc%=SorvexCam,USB\\VID_1E4E&PID_0102\n"
    "\n"
    "[SorvexCam]\n"
    "Include=ks.inf,kscaptur.inf\n"
    "CopyFiles=SorvexCam.Drivers,SorvexCam.System\n"
    "\n"
    "[SorvexCam.Services]\n"
    "AddService=DCamSorvex,0x00000002,SorvexCam.Service\n"
    "\n"
    "[SorvexCam.Service]\n"
    "ServiceType=1\n"
    "StartType=3\n"
    "ErrorControl=1\n"
    "ServiceBinary=%12%\\sorvex.sys\n"
    "\n"
    "[SourceDisksNames]\n"
    "1=%Disk%,,,\n"
    "\n"
    "[SourceDisksFiles]\n"
    "sorvex.sys=1\n"
    "SorvexDS.dll=1\n"
    "sorvexprop.ax=1\n"
    "Trevique.exe=1\n"
    "\n"
    "[DestinationDirs]\n"
    "DefaultDestDir=12\n"
    "SorvexCam.System=11\n"
    "\n"
    "[Strings]\n"
    "Maker=\"Quendril\"\n"
    "Camera.Desc=\"Sorvecam USB 2.0 Camera\"\n"
    "Disk=\"Sorvecam Driver Disk\"\n";

// An INF of the package reduced to what the uninstaller reads.
std::string MinimalInf(const std::string &models, const std::string &files) {
  return "[Version]\n"
         "Signature=\"$Windows NT$\"\n"
         "CatalogFile.ntx86=sorvex.cat\n"
         "[Quendril]\n" +
         models + "[SourceDisksFiles]\n" + files;
}

const char kCameraModel[] = "%D%=S,USB\\VID_1E4E&PID_0102\n";

// The files the package installs, as spelt on disk, and whether the
// installer left them read-only. The full INF lists all of them.
struct PackageFile {
  std::string path;
  bool readOnly;
};
const std::vector<PackageFile> &PackageFiles() {
  static const std::vector<PackageFile> files = {
      {kDrivers + "sorvex.sys", true},    {kDrivers + "sorvexds.dll", false},
      {kDrivers + "sorvexprop.ax", true}, {kDrivers + "Trevique.exe", false},
      {kSystem + "SORVEXDS.DLL", true},   {kSystem + "sorvexprop.ax", false},
      {kSystem + "trevique.exe", true},
  };
  return files;
}

// An installed copy of an INF: OEMn.inf with CR LF line ends and its PNF.
bool AddOemInf(int number, const std::string &text) {
  const std::string base = kInfFolder + "OEM" + std::to_string(number);
  return WriteFileAt(base + ".inf", WithCrLf(text)) &&
         WriteFileAt(base + ".PNF", "precompiled " + base);
}

void ExpectOemInfRemoved(ExpectedChanges *expected, int number) {
  const std::string base = kInfFolder + "OEM" + std::to_string(number);
  expected->RemoveFile(base + ".inf");
  expected->RemoveFile(base + ".PNF");
}

// Software of other makers, and things that only resemble the package's:
// every run must leave them as they are.
bool AddUnrelatedSoftware() {
  return SetMachineString(kUninstallList + "\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}",
                          "DisplayName", "Other Product") &&
         SetMachineString(kRun, "OtherApp", "C:\\Program Files\\Other\\other.exe") &&
         SetMachineString("SOFTWARE\\Quendril\\Trevique", "Language", "en") &&
         SetMachineString(kServices + "\\usbvideo", "ImagePath",
                          "system32\\drivers\\usbvideo.sys") &&
         // Another maker's camera.
         AddDevice("USB\\VID_046D&PID_08C2\\5&77&0&1", kImageClass,
                   {"USB\\VID_046D&PID_08C2&REV_0005", "USB\\VID_046D&PID_08C2"}) &&
         // The camera's HID interface carries the package's id but is no
         // image device.
         AddDevice("USB\\VID_1E4E&PID_0102&MI_01\\6&1&0&0001", kHidClass,
                   {"USB\\VID_1E4E&PID_0102&REV_0100&MI_01"}) &&
         WriteFileAt(kDrivers + "usbvideo.sys", "usbvideo", true) &&
         WriteFileAt(kSystem + "ksproxy.ax", "ksproxy") &&
         // Same name as the package's driver, outside the drivers folder.
         WriteFileAt(kSystem + "sorvex.sys", "not a driver") &&
         AddOemInf(0,
                   "[Version]\nSignature=\"$Windows NT$\"\nCatalogFile.ntx86=other.cat\n"
                   "[SourceDisksFiles]\nusbvideo.sys=1\nksproxy.ax=1\n") &&
         WriteFileAt("C:\\Program Files\\Quendril\\Trevique\\Trevique.exe", "MZ");
}

// What the package's installation leaves besides its INF.
bool AddPackage() {
  bool ok =
      SetMachineString(kProductEntry, "DisplayName", "Sorvecam") &&
      SetMachineString(kRun, "Trevique", "C:\\Program Files\\Quendril\\Trevique\\Trevique.exe") &&
      SetMachineString(kService, "ImagePath", "system32\\drivers\\sorvex.sys") &&
      SetMachineString(kService + "\\Enum", "0", kCamera) &&
      SetMachineString(kService + "\\Parameters", "Mode", "1") &&
      AddDevice(kCamera, kImageClass,
                {"USB\\VID_1E4E&PID_0102&REV_0100", "USB\\VID_1E4E&PID_0102"});
  for (const PackageFile &file : PackageFiles()) {
    ok = ok && WriteFileAt(file.path, "content of " + file.path, file.readOnly);
  }
  return ok;
}

bool SetUpMachine() { return AddUnrelatedSoftware() && AddPackage(); }

// The registry entries every uninstalling run deletes, and the window it closes.
void ExpectRegistryAndWindowRemoved(ExpectedChanges *expected) {
  expected->RemoveKey(Machine(kProductEntry));
  expected->RemoveValue(Machine(kRun), "Trevique");
  expected->RemoveKey(Machine(kService));
  expected->RemoveWindow("#32770", "Trevique");
}

// Everything of the installed package.
void ExpectPackageRemoved(ExpectedChanges *expected) {
  ExpectRegistryAndWindowRemoved(expected);
  expected->RemoveDevice(kCamera);
  for (const PackageFile &file : PackageFiles()) expected->RemoveFile(file.path);
}

// ---- The scenarios ----

// With the installer registered, only its maintenance program is started.
bool InstallerRegistered(ExpectedChanges *expected) {
  if (!SetUpMachine() || !AddOemInf(3, kPackageInf) ||
      !SetMachineString(kInstallerKey, "Version", "1.0") ||
      !CopyThisProgramTo(MaintenanceProgramPath())) {
    return false;
  }
  expected->Add(KeyLine("HKCU\\" + std::string(kRecorderKey)));
  expected->Add(MaintenanceStartLine(MaintenanceProgramPath(), SW_SHOW));
  return true;
}

// The whole package goes: registry entries, window, camera, the files the
// INF lists (.sys in the drivers folder only; .dll, .ax and .exe there and
// in the system folder; read-only or not), the INF and its PNF.
bool PackageRemoved(ExpectedChanges *expected) {
  if (!SetUpMachine() || !AddOemInf(3, kPackageInf)) return false;
  ExpectPackageRemoved(expected);
  ExpectOemInfRemoved(expected, 3);
  return true;
}

// No INF carries the recognition line (compared in its case), and the last
// name tried belongs to another package whose models must not be used: only
// the registry entries and the window go.
bool NoMatchingInf(ExpectedChanges *expected) {
  if (!SetUpMachine() ||
      !AddOemInf(4,
                 "[Version]\nSignature=\"$Windows NT$\"\ncatalogfile.ntx86=sorvex.cat\n"
                 "[Quendril]\n%D%=S,USB\\VID_1E4E&PID_0102\n[SourceDisksFiles]\nsorvex.sys=1\n") ||
      !AddOemInf(
          100,
          "[Version]\nSignature=\"$Windows NT$\"\nCatalogFile.ntx86=other.cat\n"
          "[Quendril]\n%D%=S,USB\\VID_046D&PID_08C2\n[SourceDisksFiles]\nusbvideo.sys=1\n")) {
    return false;
  }
  ExpectRegistryAndWindowRemoved(expected);
  return true;
}

// Two installed copies: the pass of the device removal handles OEM3, the
// final pass OEM7. A third copy stays, with the file it lists.
bool TwoPasses(ExpectedChanges *expected) {
  if (!SetUpMachine() || !AddOemInf(3, kPackageInf) ||
      !AddOemInf(7, MinimalInf(kCameraModel, "sorvexold.sys=1\nsorvexold.dll=1\n")) ||
      !AddOemInf(9, MinimalInf(kCameraModel, "sorvexnew.sys=1\n")) ||
      !WriteFileAt(kDrivers + "sorvexold.sys", "old driver", true) ||
      !WriteFileAt(kDrivers + "sorvexold.dll", "old library") ||
      !WriteFileAt(kSystem + "sorvexold.dll", "old library", true) ||
      !WriteFileAt(kDrivers + "sorvexnew.sys", "new driver")) {
    return false;
  }
  ExpectPackageRemoved(expected);
  ExpectOemInfRemoved(expected, 3);
  ExpectOemInfRemoved(expected, 7);
  expected->RemoveFile(kDrivers + "sorvexold.sys");
  expected->RemoveFile(kDrivers + "sorvexold.dll");
  expected->RemoveFile(kSystem + "sorvexold.dll");
  return true;
}

// Each kind of file in both folders: a .sys name is deleted in the drivers
// folder only; .dll, .ax and .exe names in both, whatever their case.
bool FileKinds(ExpectedChanges *expected) {
  const char *const names[] = {"kind.sys", "KIND.DLL", "kind.ax", "Kind.Exe"};
  bool ok =
      SetUpMachine() &&
      AddOemInf(5, MinimalInf(kCameraModel, "kind.sys=1\nkind.dll=1\nKIND.AX=1\nkind.exe=1\n"));
  for (const char *name : names) {
    ok = ok && WriteFileAt(kDrivers + name, "driver folder", true) &&
         WriteFileAt(kSystem + name, "system folder");
  }
  if (!ok) return false;
  ExpectRegistryAndWindowRemoved(expected);
  expected->RemoveDevice(kCamera);
  ExpectOemInfRemoved(expected, 5);
  for (const char *name : names) expected->RemoveFile(kDrivers + name);
  for (const char *name : {"KIND.DLL", "kind.ax", "Kind.Exe"}) expected->RemoveFile(kSystem + name);
  return true;
}

// Lines with "=1" that name no file delete nothing: a version line, a
// directory line ending in =12, "=100", a bare "=1" and one at the very end
// without a line end. A "[DestinationDirs]" line alone does not end the
// list; one that also holds "=1" does.
bool StrayLines(ExpectedChanges *expected) {
  if (!SetUpMachine() || !WriteFileAt(kDrivers + "DefaultDestDir", "stays") ||
      !WriteFileAt(kDrivers + "Setting", "stays") ||
      !AddOemInf(6,
                 "[Version]\nSignature=\"$Windows NT$\"\nCatalogFile.ntx86=sorvex.cat\n"
                 "DriverVer=11/01/2008,1.0.0.1\n[Quendril]\n" +
                     std::string(kCameraModel) +
                     "[SourceDisksFiles]\nsorvex.sys=1\n=1\n"
                     "[DestinationDirs]\nDefaultDestDir=12\nSetting=100\nTrevique.exe=1\n"
                     "[DestinationDirs] ; DefaultDestDir=12\nsorvexds.dll=1\n=1")) {
    return false;
  }
  ExpectRegistryAndWindowRemoved(expected);
  expected->RemoveDevice(kCamera);
  ExpectOemInfRemoved(expected, 6);
  expected->RemoveFile(kDrivers + "sorvex.sys");
  expected->RemoveFile(kDrivers + "Trevique.exe");
  expected->RemoveFile(kSystem + "trevique.exe");
  return true;
}

// Ids are compared in lower case: the INF's upper-case id matches devices
// whose first id holds it in any case. A device that has it only as its
// second id stays.
bool HardwareIdCase(ExpectedChanges *expected) {
  const std::string lowerCase = "USB\\VID_1E4E&PID_0102\\7&LOWER&0";
  const std::string mixedCase = "USB\\VID_1E4E&PID_0102&MI_00\\7&MIXED&0";
  const std::string secondIdOnly = "USB\\VID_9999&PID_0001\\7&SECOND&0";
  if (!SetUpMachine() || !AddOemInf(8, MinimalInf("%D%=S,USB\\VID_1E4E&PID_0102\n", "")) ||
      !AddDevice(lowerCase, kImageClass, {"usb\\vid_1e4e&pid_0102&rev_0100"}) ||
      !AddDevice(mixedCase, kImageClass, {"Usb\\Vid_1E4E&Pid_0102&Rev_0100&MI_00"}) ||
      !AddDevice(secondIdOnly, kImageClass, {"USB\\VID_9999&PID_0001", "USB\\VID_1E4E&PID_0102"})) {
    return false;
  }
  ExpectRegistryAndWindowRemoved(expected);
  expected->RemoveDevice(kCamera);
  expected->RemoveDevice(lowerCase);
  expected->RemoveDevice(mixedCase);
  ExpectOemInfRemoved(expected, 8);
  return true;
}

}  // namespace

const std::vector<Scenario> &AllScenarios() {
  static const std::vector<Scenario> scenarios = {
      {"installer_registered", InstallerRegistered},
      {"package_removed", PackageRemoved},
      {"no_matching_inf", NoMatchingInf},
      {"two_passes", TwoPasses},
      {"file_kinds", FileKinds},
      {"stray_lines", StrayLines},
      {"hardware_id_case", HardwareIdCase},
  };
  return scenarios;
}

const Scenario *FindScenario(const std::string &name) {
  for (const Scenario &scenario : AllScenarios()) {
    if (name == scenario.name) return &scenario;
  }
  return nullptr;
}

const std::vector<WindowSpec> &DesktopWindows() {
  static const std::vector<WindowSpec> windows = {
      {"#32770", "Trevique"}, {"#32770", "Other dialog"}, {"Notepad", "Trevique"}};
  return windows;
}

std::string MaintenanceProgramPath() { return kMaintenanceFolder + "\\setup.exe"; }

std::string MaintenanceStartLine(const std::string &program, unsigned showCommand) {
  return ValueLine("HKCU\\" + std::string(kRecorderKey), kRecorderValue,
                   "REG_SZ:" + MaintenanceStart(program, showCommand));
}

int RecordMaintenanceStart() {
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  const unsigned show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : 0;
  // Wine quotes a command line that names a path with spaces, Windows keeps
  // it as given: the program that runs is what both agree on.
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, sizeof self);
  const std::string data = MaintenanceStart(self, show);
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRecorderKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                      NULL) != ERROR_SUCCESS) {
    return 1;
  }
  LONG result =
      RegSetValueExA(key, kRecorderValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace wine_test
