// What the uninstaller looks for and deletes: the names the camera package's
// installation leaves on the machine. All strings are ANSI.
#pragma once

#include "win32_api.h"

// Present while the package's installer is registered; then its maintenance
// program does the removal.
const char kInstallerKey[] = "SOFTWARE\\Quendril\\Sorvecam";
const char kMaintenanceProgram[] =
    "C:\\Program Files\\InstallShield Installation Information\\"
    "{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}\\setup.exe";

const char kUninstallListKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kProductEntry[] = "{7C2D41A0-5B9E-4F13-A6D8-0E94C3B1F257}";
const char kAutostartKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kAutostartValue[] = "Trevique";
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services";
const char kServiceName[] = "DCamSorvex";

const char kCompanionWindowClass[] = "#32770";  // the standard dialog class
const char kCompanionWindowTitle[] = "Trevique";
const DWORD kCompanionExitWaitMs = 1000;

// The package's INF is one of the OEM INFs that Windows made of it.
const char kInfNamePattern[] = "%s\\inf\\OEM%d.inf";
const int kLastInfNumber = 100;
const char kInfRecognitionLine[] = "CatalogFile.ntx86=sorvex.cat";
const char kModelsSection[] = "Quendril";
const DWORD kHardwareIdField = 2;
const char kDeviceSetupClass[] = "image";
const char kFileListMarker[] = "=1";
const char kEndMarker[] = "[DestinationDirs]";
const char kPrecompiledInfExtension[] = "PNF";

const char kDriverFilePattern[] = "%s\\drivers\\%s";
const char kSystemFilePattern[] = "%s\\%s";
// Names with these are also installed in the system directory.
const char *const kSystemFileExtensions[] = {".ax", ".dll", ".exe"};
