// The uninstaller binary run against whole test machines: the installed
// package, unrelated software around it, and the edge cases of removal. Every
// test checks that nothing but the expected entries changed.
#include <gtest/gtest.h>

#include <string>

#include "test_machine.h"

namespace hostwin32_test {
namespace {

// ---- Registry paths ----
const std::string kSoftware = "MACHINE\\SOFTWARE";
const std::string kUninstallList = kSoftware + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kProductEntry = kUninstallList + "\\{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}";
const std::string kRun = kSoftware + "\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kInstallerKey = kSoftware + "\\Quendril\\Sorvecam";
const std::string kControlSet = "MACHINE\\SYSTEM\\CurrentControlSet";
const std::string kServices = kControlSet + "\\Services";
const std::string kService = kServices + "\\DCamSorvex";
const std::string kClasses = kControlSet + "\\Control\\Class";
const std::string kEnum = kControlSet + "\\Enum";
const std::string kImageGuid = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const std::string kUsbGuid = "{36FC9E60-C465-11CF-8056-444553540000}";
const std::string kHidGuid = "{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}";
const std::string kCameraDriverKey = kClasses + "\\" + kImageGuid + "\\0000";
const std::string kCamera = kEnum + "\\USB\\VID_1E4E&PID_0102\\5&2A1B3C4&0&2";
const std::string kOtherCamera = kEnum + "\\USB\\VID_046D&PID_08C2\\5&77&0&1";

const char kMaintenanceProgram[] =
    "C:\\Program Files\\InstallShield Installation Information\\"
    "{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}\\setup.exe";
const char kMaintenanceProgramFile[] =
    "Program Files/InstallShield Installation Information/"
    "{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}/setup.exe";

// ---- Files ----
const std::string kDrivers = "WINDOWS/system32/drivers/";
const std::string kSystem = "WINDOWS/system32/";
const std::string kInfDir = "WINDOWS/inf/";

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

// An INF of the package reduced to what the uninstaller reads, with the
// given models lines and file lines.
std::string MinimalInf(const std::string &models, const std::string &files) {
  return "[Version]\n"
         "Signature=\"$Windows NT$\"\n"
         "CatalogFile.ntx86=sorvex.cat\n"
         "[Quendril]\n" +
         models + "[SourceDisksFiles]\n" + files;
}

// A models line with the camera's id.
const char kCameraModel[] = "%D%=S,USB\\VID_1E4E&PID_0102\n";

// The files the package installs, as spelt on disk; read-only ones as the
// installer leaves them.
const std::set<std::string> kPackageFiles = {
    kDrivers + "sorvex.sys",      kDrivers + "sorvexds.dll", kDrivers + "sorvexprop.ax",
    kDrivers + "Trevique.exe",    kSystem + "SORVEXDS.DLL",  kSystem + "sorvexprop.ax",
    kSystem + "trevique.exe",
};
const std::set<std::string> kReadOnlyPackageFiles = {
    kDrivers + "sorvex.sys", kDrivers + "sorvexprop.ax", kSystem + "SORVEXDS.DLL",
    kSystem + "trevique.exe"};

std::set<std::string> Union(std::set<std::string> a, const std::set<std::string> &b) {
  a.insert(b.begin(), b.end());
  return a;
}

std::set<std::string> InfAndPnf(int number) {
  std::string base = kInfDir + "OEM" + std::to_string(number);
  return {base + ".inf", base + ".PNF"};
}

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddUnrelatedSoftware();
    AddPackageEntries();
  }

  // Software of other makers, which every run must leave as it is.
  void AddUnrelatedSoftware() {
    hostkernel::RegistryStore &registry = machine_.Registry();
    SetRegSz(registry, kUninstallList + "\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", "DisplayName",
             "Other Product");
    SetRegSz(registry, kRun, "OtherApp", "C:\\Program Files\\Other\\other.exe");
    SetRegSz(registry, kSoftware + "\\Quendril\\Trevique", "Language", "en");
    SetRegSz(registry, kServices + "\\usbvideo", "ImagePath", "system32\\drivers\\usbvideo.sys");
    SetRegSz(registry, kClasses + "\\" + kImageGuid, "Class", "Image");
    SetRegSz(registry, kClasses + "\\" + kUsbGuid, "Class", "USB");
    SetRegSz(registry, kClasses + "\\" + kHidGuid, "Class", "HIDClass");
    SetRegSz(registry, kClasses + "\\" + kImageGuid + "\\0001", "DriverDesc", "Other Camera");
    AddDevice(kEnum + "\\USB\\ROOT_HUB20\\4&1&0", kUsbGuid, {"USB\\ROOT_HUB20"});
    AddDevice(kOtherCamera, kImageGuid, {"USB\\VID_046D&PID_08C2&REV_0005", "USB\\VID_046D&PID_08C2"});
    SetRegSz(registry, kOtherCamera, "Driver", kImageGuid + "\\0001");
    // The camera's HID interface carries the package's id but is no image
    // device.
    AddDevice(kEnum + "\\USB\\VID_1E4E&PID_0102&MI_01\\6&1&0&0001", kHidGuid,
              {"USB\\VID_1E4E&PID_0102&REV_0100&MI_01"});

    machine_.AddFile(kDrivers + "usbvideo.sys", "usbvideo", true);
    machine_.AddFile(kSystem + "kernel32.dll", "kernel32", true);
    machine_.AddFile(kSystem + "ksproxy.ax", "ksproxy");
    // Same name as the package's driver, outside the drivers directory.
    machine_.AddFile(kSystem + "sorvex.sys", "not a driver");
    machine_.AddFile(kInfDir + "usbvideo.inf", "[Version]\nCatalogFile=usbvideo.cat\n");
    machine_.AddFile(kInfDir + "OEM0.inf",
                     WithCrLf("[Version]\nCatalogFile.ntx86=other.cat\n[SourceDisksFiles]\n"
                              "usbvideo.sys=1\nkernel32.dll=1\n"));
    machine_.AddFile(kInfDir + "OEM0.PNF", "pnf");
    machine_.AddFile("Program Files/Quendril/Trevique/Trevique.exe", "MZ");

    machine_.State().AddWindow("#32770", "Other dialog");
    machine_.State().AddWindow("Notepad", "Trevique");
  }

  // What the package's installation leaves besides its INF.
  void AddPackageEntries() {
    hostkernel::RegistryStore &registry = machine_.Registry();
    SetRegSz(registry, kProductEntry, "DisplayName", "Sorvecam");
    SetRegSz(registry, kRun, "Trevique", "C:\\Program Files\\Quendril\\Trevique\\Trevique.exe");
    SetRegSz(registry, kService, "ImagePath", "system32\\drivers\\sorvex.sys");
    SetRegSz(registry, kService + "\\Enum", "0", "USB\\VID_1E4E&PID_0102\\5&2A1B3C4&0&2");
    SetRegSz(registry, kService + "\\Parameters", "Mode", "1");
    SetRegSz(registry, kCameraDriverKey, "DriverDesc", "Sorvecam USB 2.0 Camera");
    AddDevice(kCamera, kImageGuid, {"USB\\VID_1E4E&PID_0102&REV_0100", "USB\\VID_1E4E&PID_0102"});
    SetRegSz(registry, kCamera, "Driver", kImageGuid + "\\0000");
    for (const std::string &file : kPackageFiles) {
      machine_.AddFile(file, "content of " + file, kReadOnlyPackageFiles.count(file) == 1);
    }
    companion_ = machine_.State().AddWindow("#32770", "Trevique");
  }

  void AddDevice(const std::string &instanceKey, const std::string &classGuid,
                 const std::vector<std::string> &hardwareIds) {
    SetRegSz(machine_.Registry(), instanceKey, "ClassGUID", classGuid);
    SetRegMultiSz(machine_.Registry(), instanceKey, "HardwareID", hardwareIds);
  }

  // An installed copy of an INF: OEMn.inf with CR LF line ends and its PNF.
  void AddOemInf(int number, const std::string &text) {
    std::string base = kInfDir + "OEM" + std::to_string(number);
    machine_.AddFile(base + ".inf", WithCrLf(text));
    machine_.AddFile(base + ".PNF", "precompiled " + base);
  }

  void RunUninstaller() {
    ASSERT_EQ(0, machine_.Run());
    EXPECT_EQ("", machine_.Output());
  }

  // The package's registry entries and its camera, as every full run
  // removes them.
  void ExpectPackageRegistryRemoved(std::vector<std::string> otherKeys = {}) {
    std::vector<std::string> keys = {kProductEntry, kService, kCamera, kCameraDriverKey};
    keys.insert(keys.end(), otherKeys.begin(), otherKeys.end());
    machine_.ExpectRegistryDeletedExactly(keys, {{kRun, "Trevique"}});
  }

  // A full run: exactly these files, the package's registry entries and
  // these devices are gone, and the companion window is closed.
  void ExpectRemoved(const std::set<std::string> &files, std::vector<std::string> devices = {}) {
    machine_.ExpectFilesDeletedExactly(files);
    ExpectPackageRegistryRemoved(devices);
    ExpectCompanionClosed();
  }

  // Only the companion window is gone and nothing was started.
  void ExpectCompanionClosed() {
    hostwin32::Win32State after = machine_.StateAfter();
    EXPECT_TRUE(after.started.empty());
    ASSERT_EQ(machine_.State().windows.size() - 1, after.windows.size());
    for (const hostwin32::TopLevelWindow &window : after.windows) {
      EXPECT_NE(companion_, window.handle);
    }
  }

  TestMachine machine_;
  uint32_t companion_ = 0;
};

TEST_F(UninstallTest, WithTheInstallerRegisteredOnlyItsMaintenanceProgramStarts) {
  AddOemInf(3, kPackageInf);
  SetRegSz(machine_.Registry(), kInstallerKey, "Version", "1.0");
  machine_.AddFile(kMaintenanceProgramFile, "MZ");
  RunUninstaller();
  hostwin32::Win32State after = machine_.StateAfter();
  ASSERT_EQ(1u, after.started.size());
  EXPECT_EQ(kMaintenanceProgram, after.started[0].commandLine);
  EXPECT_EQ(5u, after.started[0].showCommand);
  EXPECT_EQ(machine_.State().windows.size(), after.windows.size());
  machine_.ExpectFilesDeletedExactly({});
  machine_.ExpectRegistryDeletedExactly({});
}

TEST_F(UninstallTest, WithTheInstallerRegisteredButItsProgramGoneNothingIsTouched) {
  AddOemInf(3, kPackageInf);
  SetRegSz(machine_.Registry(), kInstallerKey, "Version", "1.0");
  RunUninstaller();
  hostwin32::Win32State after = machine_.StateAfter();
  EXPECT_TRUE(after.started.empty());
  EXPECT_EQ(machine_.State().windows.size(), after.windows.size());
  machine_.ExpectFilesDeletedExactly({});
  machine_.ExpectRegistryDeletedExactly({});
}

TEST_F(UninstallTest, InstalledPackageIsRemoved) {
  AddOemInf(3, kPackageInf);
  RunUninstaller();
  // .sys only in drivers (system32\sorvex.sys stays); .dll, .ax and .exe in
  // both directories, read-only or not; stray "=1" lines delete nothing.
  ExpectRemoved(Union(kPackageFiles, InfAndPnf(3)));
}

TEST_F(UninstallTest, TwoInstalledCopiesOfTheInfAreRemovedInTwoPasses) {
  AddOemInf(3, kPackageInf);
  AddOemInf(7, MinimalInf(kCameraModel, "sorvexold.sys=1\nsorvexold.dll=1\n"));
  // Only two passes run: a third copy stays, with the file it lists.
  AddOemInf(9, MinimalInf(kCameraModel, "sorvexnew.sys=1\n"));
  machine_.AddFile(kDrivers + "sorvexold.sys", "old driver", true);
  machine_.AddFile(kDrivers + "sorvexold.dll", "old library");
  machine_.AddFile(kSystem + "sorvexold.dll", "old library", true);
  machine_.AddFile(kDrivers + "sorvexnew.sys", "new driver");
  RunUninstaller();
  ExpectRemoved(Union(Union(kPackageFiles, InfAndPnf(3)),
                      Union(InfAndPnf(7), {kDrivers + "sorvexold.sys", kDrivers + "sorvexold.dll",
                                           kSystem + "sorvexold.dll"})));
}

TEST_F(UninstallTest, WithoutAMatchingInfOnlyTheRegistryEntriesAndWindowGo) {
  // The recognition line is compared in its case.
  AddOemInf(4, "[Version]\nSignature=\"$Windows NT$\"\ncatalogfile.ntx86=sorvex.cat\n"
               "[Quendril]\n%D%=S,USB\\VID_1E4E&PID_0102\n[SourceDisksFiles]\nsorvex.sys=1\n");
  // The last name tried belongs to another package; its models must not be
  // taken for the package's.
  AddOemInf(100, "[Version]\nSignature=\"$Windows NT$\"\nCatalogFile.ntx86=other.cat\n"
                 "[Quendril]\n%D%=S,USB\\VID_046D&PID_08C2\n[SourceDisksFiles]\nother.sys=1\n");
  RunUninstaller();
  ExpectCompanionClosed();
  machine_.ExpectFilesDeletedExactly({});
  machine_.ExpectRegistryDeletedExactly({kProductEntry, kService}, {{kRun, "Trevique"}});
}

TEST_F(UninstallTest, HardwareIdsMatchInAnyCaseAgainstTheFirstIdOfImageDevices) {
  AddOemInf(3, MinimalInf(kCameraModel, ""));
  const std::string lowerCase = kEnum + "\\USB\\VID_1E4E&PID_0102\\lower";
  const std::string mixedCase = kEnum + "\\USB\\VID_1E4E&PID_0102&MI_00\\mixed";
  const std::string secondIdOnly = kEnum + "\\USB\\VID_9999&PID_0001\\second";
  AddDevice(lowerCase, kImageGuid, {"usb\\vid_1e4e&pid_0102&rev_0100"});
  AddDevice(mixedCase, kImageGuid, {"Usb\\Vid_1E4E&Pid_0102&Rev_0100&MI_00"});
  AddDevice(secondIdOnly, kImageGuid, {"USB\\VID_9999&PID_0001", "USB\\VID_1E4E&PID_0102"});
  RunUninstaller();
  ExpectRemoved(InfAndPnf(3), {lowerCase, mixedCase});
}

TEST_F(UninstallTest, HardwareIdListSkipsEmptyAndOverlongIdsAndHoldsSixtyFour) {
  // Line 1: an empty id (it would match every device); line 2: an id of 64
  // characters, one more than a slot holds. Then 63 ids matching nothing,
  // the camera's as the 64th in the list and a 65th, which is ignored.
  const std::string overlong = "USB\\VID_046D&PID_08C2" + std::string(64 - 21, 'X');
  std::string models = "%D%=S,\n%D%=S," + overlong + "\n";
  for (int i = 0; i < 63; ++i) models += "%D%=S,USB\\VID_0000&PID_" + std::to_string(1000 + i) + "\n";
  models += "%D%=S,USB\\VID_1E4E&PID_0102\n";
  models += "%D%=S,USB\\VID_7777&PID_0065\n";
  AddOemInf(3, MinimalInf(models, ""));
  const std::string overlongDevice = kEnum + "\\USB\\LONG\\1";
  const std::string device65 = kEnum + "\\USB\\VID_7777&PID_0065\\1";
  AddDevice(overlongDevice, kImageGuid, {overlong});
  AddDevice(device65, kImageGuid, {"USB\\VID_7777&PID_0065"});
  RunUninstaller();
  ExpectRemoved(InfAndPnf(3));
}

TEST_F(UninstallTest, FileNamesWithPathsNeverLeaveTheTwoDirectories) {
  AddOemInf(3, MinimalInf(kCameraModel, "..\\..\\..\\boot.dll=1\nC:\\keep.dll=1\nsub\\inner.dll=1\n"
                              "sub/inner.exe=1\n..=1\nsorvex.sys=1\n"));
  machine_.AddFile("boot.dll", "boot");
  machine_.AddFile("keep.dll", "keep");
  machine_.AddFile(kDrivers + "sub/inner.dll", "inner");
  machine_.AddFile(kSystem + "sub/inner.dll", "inner");
  machine_.AddFile(kSystem + "sub/inner.exe", "inner");
  RunUninstaller();
  ExpectRemoved(Union(InfAndPnf(3), {kDrivers + "sorvex.sys"}));
}

TEST_F(UninstallTest, NamesTooLongForAPathAreSkippedNotCut) {
  // "C:\WINDOWS\system32\drivers\" is 28 characters: a 240-character name
  // makes a path longer than 255. Cut to fit, it would name these files.
  const std::string name = std::string(236, 'n') + ".dll";
  machine_.AddFile(kDrivers + name.substr(0, 255 - 28), "cut in drivers");
  machine_.AddFile(kSystem + name.substr(0, 255 - 20), "cut in system32");
  AddOemInf(3, MinimalInf(kCameraModel, name + "=1\nsorvexds.dll=1\n"));
  RunUninstaller();
  ExpectRemoved(Union(InfAndPnf(3), {kDrivers + "sorvexds.dll", kSystem + "SORVEXDS.DLL"}));
}

TEST_F(UninstallTest, PiecesOfALineLongerThanTheLineBufferNameNoFile) {
  // Lines are read 255 characters at a time: this line's second piece reads
  // "usbvideo.sys=1", a file the line does not name.
  machine_.AddFile(kDrivers + "usbvideo.sys", "the system's driver");
  AddOemInf(3, MinimalInf(kCameraModel, std::string(255, 'x') + "usbvideo.sys=1\nsorvex.sys=1\n"));
  RunUninstaller();
  ExpectRemoved(Union(InfAndPnf(3), {kDrivers + "sorvex.sys"}));
}

TEST_F(UninstallTest, LinesOfTheFileListThatNameNothingAreHarmless) {
  // After the recognition line: version and directory lines with "=1", a
  // bare "=1" (empty name), and "=1" at the very end without a line end.
  machine_.AddFile(kDrivers + "DefaultDestDir", "stays");
  machine_.AddFile(kDrivers + "Setting", "stays");
  AddOemInf(3,
            "[Version]\nSignature=\"$Windows NT$\"\nCatalogFile.ntx86=sorvex.cat\n"
            "DriverVer=11/01/2008,1.0.0.1\n[Quendril]\n" + std::string(kCameraModel) +
                "[SourceDisksFiles]\nsorvex.sys=1\n=1\n"
                "[DestinationDirs]\nDefaultDestDir=12\nSetting=100\n=1");
  RunUninstaller();
  ExpectRemoved(Union(InfAndPnf(3), {kDrivers + "sorvex.sys"}));
}

// The last line of the file list, and whether it names victim.sys. Only the
// "=1" and the line end are cut: neither victim.sy nor victim.s is ever a
// candidate.
struct LastLineCase {
  const char *line;
  bool namesVictim;
};

void PrintTo(const LastLineCase &c, std::ostream *out) { *out << ::testing::PrintToString(std::string(c.line)); }

class LastFileLineTest : public UninstallTest, public ::testing::WithParamInterface<LastLineCase> {};

TEST_P(LastFileLineTest, OnlyANameEndingInEqualsOneIsDeleted) {
  for (const char *name : {"victim.sys", "victim.sy", "victim.s"}) machine_.AddFile(kDrivers + name, name);
  AddOemInf(3, MinimalInf(kCameraModel, std::string("sorvex.sys=1\n") + GetParam().line));
  RunUninstaller();
  std::set<std::string> removed = Union(InfAndPnf(3), {kDrivers + "sorvex.sys"});
  if (GetParam().namesVictim) removed.insert(kDrivers + "victim.sys");
  ExpectRemoved(removed);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, LastFileLineTest,
                         ::testing::Values(LastLineCase{"victim.sys=1", true},
                                           LastLineCase{"victim.sys=1\n", true},
                                           LastLineCase{"victim.sys=1\r", true},
                                           LastLineCase{"victim.sys=12", false},
                                           LastLineCase{"victim.sys=1 ; comment\n", false},
                                           LastLineCase{"victim.sys=", false}));

TEST_F(UninstallTest, FileListEndsAtALineWithTheEndMarkerAndAnEqualsOne) {
  // A "[DestinationDirs]" line alone does not end the list; one that also
  // holds "=1" does, after its own (failing) deletion.
  AddOemInf(3, MinimalInf(kCameraModel, "sorvex.sys=1\n[DestinationDirs]\nTrevique.exe=1\n"
                              "[DestinationDirs] ; DefaultDestDir=12\nsorvexds.dll=1\n"));
  RunUninstaller();
  ExpectRemoved(Union(InfAndPnf(3),
                      {kDrivers + "sorvex.sys", kDrivers + "Trevique.exe", kSystem + "trevique.exe"}));
}

}  // namespace
}  // namespace hostwin32_test
