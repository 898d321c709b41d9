// The two shipped images, loaded once per process from the directory that
// SORVEX_DRIVER_IMAGES names (by default the build's windows-i686 folder):
// sorvex1.sys against the kernel's routines, then sorvex0.sys against the
// kernel's and sorvex1.sys's; each DriverEntry called. Before anything
// runs, the host kernel's pool becomes the special pool (placement from
// SORVEX_SPECIAL_POOL). A load that fails stops the program with the
// loader's message.
#pragma once

#include <string>
#include <vector>

#include "pe_image.h"

namespace driverrunner {

// The entry point of an export of "sorvex0.sys" or "sorvex1.sys"; stops the
// program when the image does not export it.
const void *DriverExport(const std::string &image, const std::string &name);

// Unloads both images as the kernel unloads export drivers (DllUnload,
// then the mappings go) and loads them again from their files, as after a
// restart. Addresses of the old images' exports are invalid from then on.
void ReloadDriverImages();
// Counts the loads, so that callers can tell their cached addresses are stale.
uint32_t DriverImageGeneration();

// The image files' folder, and one image file's bytes.
std::string DriverImageDirectory();
std::vector<uint8_t> ReadImageFile(const std::string &path);

// The import table the images are loaded against: the kernel's routines,
// and those of the images already loaded.
ImportTable KernelImportTable();

// Calls a loaded image's DriverEntry as the kernel would; returns its status.
int32_t CallDriverEntry(const LoadedImage &image);

}  // namespace driverrunner
