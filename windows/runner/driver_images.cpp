#include "driver_images.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "kernel_imports.h"
#include "kernel_stack.h"
#include "sorvex_kernel.h"
#include "special_pool.h"

#ifndef SORVEX_DEFAULT_DRIVER_IMAGES
#define SORVEX_DEFAULT_DRIVER_IMAGES "."
#endif

namespace driverrunner {
namespace {

constexpr size_t kDriverObjectBytes = 0xA8;  // the DRIVER_OBJECT of 32-bit Windows

struct Images {
  LoadedImage sorvex1;
  LoadedImage sorvex0;
};

[[noreturn]] void Stop(const std::string &message) {
  std::fprintf(stderr, "*** driver image runner: %s\n", message.c_str());
  std::fflush(stderr);
  std::exit(1);
}

void LoadAndStart(const std::string &name, ImportTable *imports, LoadedImage *image) {
  std::string error;
  const std::string path = DriverImageDirectory() + "/" + name;
  const std::vector<uint8_t> file = ReadImageFile(path);
  if (file.empty()) Stop("cannot read " + path);
  if (!LoadImage(name, file, *imports, image, &error)) Stop(error);
  const int32_t status = CallDriverEntry(*image);
  if (status < 0) {
    char text[64];
    std::snprintf(text, sizeof text, "DriverEntry failed with status 0x%08x", static_cast<uint32_t>(status));
    Stop(name + ": " + text);
  }
  for (const auto &entry : image->exports) imports->Add(name, entry.first, entry.second);
}

Images *loadedImages = nullptr;
uint32_t generation = 0;

const Images &TheImages() {
  Images *&images = loadedImages;
  if (images == nullptr) {
    static bool poolInstalled = false;
    InstallFaultReporter();
    if (!poolInstalled) InstallSpecialPool(PlacementFromEnvironment());
    poolInstalled = true;
    ++generation;
    images = new Images;
    ImportTable imports = KernelImportTable();
    LoadAndStart("sorvex1.sys", &imports, &images->sorvex1);
    LoadAndStart("sorvex0.sys", &imports, &images->sorvex0);
  }
  return *images;
}

}  // namespace

std::string DriverImageDirectory() {
  const char *directory = std::getenv("SORVEX_DRIVER_IMAGES");
  return directory != nullptr && *directory != '\0' ? directory : SORVEX_DEFAULT_DRIVER_IMAGES;
}

std::vector<uint8_t> ReadImageFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ImportTable KernelImportTable() {
  ImportTable table;
  AddKernelImports(&table);
  return table;
}

int32_t CallDriverEntry(const LoadedImage &image) {
  // The kernel hands an export driver a zeroed driver object and its
  // service key.
  static uint8_t driverObject[kDriverObjectBytes];
  static const WCHAR path[] = KTEXT("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex");
  static UNICODE_STRING registryPath;
  RtlInitUnicodeString(&registryPath, path);
  return static_cast<int32_t>(CallOnKernelStack(image.entryPoint, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(driverObject)),
                                                                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&registryPath))}));
}

void ReloadDriverImages() {
  if (loadedImages != nullptr) {
    for (LoadedImage *image : {&loadedImages->sorvex0, &loadedImages->sorvex1}) {
      const auto unload = image->exports.find("DllUnload");
      if (unload != image->exports.end()) CallOnKernelStack(unload->second, {});
      UnloadImage(image);
    }
    delete loadedImages;
    loadedImages = nullptr;
  }
  TheImages();
}

uint32_t DriverImageGeneration() {
  TheImages();
  return generation;
}

const void *DriverExport(const std::string &image, const std::string &name) {
  const Images &images = TheImages();
  const LoadedImage &loaded = image == "sorvex0.sys" ? images.sorvex0 : images.sorvex1;
  const auto it = loaded.exports.find(name);
  if (it == loaded.exports.end()) Stop(image + " does not export " + name);
  return it->second;
}

}  // namespace driverrunner
