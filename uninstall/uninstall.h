// The steps of the uninstaller, run in this order by main when the package's
// installer is no longer registered. Failures are skipped silently.
#pragma once

#include <stdio.h>

#include "win32_api.h"

// Deletes the product's uninstall entry, its autostart value and the
// minidriver's service key.
void RemoveRegistryEntries();
// Closes the companion application's window and gives it time to exit.
void CloseCompanionApp();
// Fills the hardware-id list from the models section of the package's INF.
void CollectHardwareIds();
// Removes the image devices whose hardware id contains a listed id, then
// runs one DeletePackageFiles pass.
void RemoveDevices();
// Deletes the files that the first matching OEM INF lists, then that INF and
// its precompiled form. Returns whether the precompiled INF was deleted.
BOOL DeletePackageFiles();
// Deletes a file even when it is read-only.
BOOL DeleteFileForced(LPCSTR path);

// Opens the first OEM INF that contains the recognition line, positioned
// after it, and leaves its name in infName (kPathSize characters). Null when
// none of them matches.
FILE *OpenPackageInf(char *infName);
