// sorvexcam: plays the camera's minidriver against the image-processing
// library. For now it brings up a context for every sensor model (with the
// settings kept in a registry file between runs) and converts a built-in
// synthetic scene, mosaiced to the sensor's Bayer pattern, to a bitmap.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "bmp_file.h"
#include "hostkernel/host_control.h"
#include "sorvex0.h"
#include "sorvex1.h"
#include "synthetic_scene.h"

namespace {

constexpr const char *kSensors[] = {"ES2216", "S5K4AA", "OV9650", "OV9655", "MI1320",
                                    "S5K3BA", "OV7670", "MI2020", "MO4000", "MI0360"};
// The camera's driver key: instance 0000 of the image device class.
constexpr const char *kDriverKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr SorvexDevice kDevice = 0x5EC0;

struct Options {
  std::string outDir = "out";
  std::string registryFile;  // default: <outDir>/registry.reg
  int width = 640;
  int height = 480;
};

void Usage() {
  std::fprintf(stderr,
               "usage: sorvexcam [--out DIR] [--registry FILE] [--size WxH]\n"
               "  Initialises a camera context for each sensor model, converts a\n"
               "  synthetic Bayer test scene and writes DIR/scene.bmp and\n"
               "  DIR/converted.bmp. Settings persist in the registry file.\n");
}

bool ParseOptions(int argc, char **argv, Options *options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--out" && hasValue) {
      options->outDir = argv[++i];
    } else if (arg == "--registry" && hasValue) {
      options->registryFile = argv[++i];
    } else if (arg == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &options->width, &options->height) != 2 ||
          options->width < 2 || options->height < 2 || options->width > 4096 ||
          options->height > 4096) {
        std::fprintf(stderr, "sorvexcam: --size wants WxH between 2x2 and 4096x4096\n");
        return false;
      }
    } else {
      Usage();
      return false;
    }
  }
  if (options->registryFile.empty()) options->registryFile = options->outDir + "/registry.reg";
  return true;
}

uint32_t ReadRegister(SorvexDevice, uint32_t) { return 0; }
uint32_t WriteRegisters(SorvexDevice, const uint8_t *, uint32_t) { return 0; }
uint32_t SelectSensorMode(SorvexDevice, const char *name) {
  std::printf("  mode script %s\n", name);
  return 0;
}

// Brings a context up and down for each sensor model, as the minidriver does
// when a camera is plugged in and removed.
bool CycleContexts(PDEVICE_OBJECT device) {
  bool ok = true;
  for (const char *sensor : kSensors) {
    const std::u16string name = hostkernel::ToUtf16(sensor);
    IspContext *context = nullptr;
    const SorvexStatus status =
        ISPFunc_Init(&context, 0, device, reinterpret_cast<const SorvexChar16 *>(name.c_str()), 1,
                     ReadRegister, WriteRegisters, SelectSensorMode, ReadRegister, WriteRegisters);
    std::printf("%-7s init status 0x%08X, context %s\n", sensor, static_cast<uint32_t>(status),
                context != nullptr ? "ready" : "missing");
    if (context == nullptr || status < 0) ok = false;
    ISPFunc_Exit(context, 0, device);
  }
  return ok;
}

bool ConvertScene(const Options &options) {
  const sorvexcam::RgbImage scene = sorvexcam::RenderTestScene(options.width, options.height);
  std::vector<uint8_t> raw = sorvexcam::MosaicToBayer(scene);

  // The original, for comparison, in the same bottom-up BGR layout.
  std::vector<uint8_t> original(raw.size() * 3);
  for (int y = 0; y < scene.height; ++y) {
    for (int x = 0; x < scene.width; ++x) {
      const uint8_t *s = &scene.rgb[(static_cast<size_t>(y) * scene.width + x) * 3];
      uint8_t *d = &original[(static_cast<size_t>(scene.height - 1 - y) * scene.width + x) * 3];
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }

  ConversionOps *ops = FUNC_Init();
  if (ops == nullptr) {
    std::fprintf(stderr, "sorvexcam: the conversion library did not start\n");
    return false;
  }
  std::vector<uint8_t> bitmap(raw.size() * 3);
  FUNC_RawToBmp(ops, raw.data(), options.width, options.height, bitmap.data(), options.width,
                options.height);
  FUNC_Exit(ops);

  const std::string scenePath = options.outDir + "/scene.bmp";
  const std::string convertedPath = options.outDir + "/converted.bmp";
  if (!sorvexcam::WriteBottomUpBgrBmp(scenePath, options.width, options.height, original) ||
      !sorvexcam::WriteBottomUpBgrBmp(convertedPath, options.width, options.height, bitmap)) {
    std::fprintf(stderr, "sorvexcam: cannot write the bitmaps in %s\n", options.outDir.c_str());
    return false;
  }
  std::printf("wrote %s and %s (%dx%d)\n", scenePath.c_str(), convertedPath.c_str(), options.width,
              options.height);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  mkdir(options.outDir.c_str(), 0777);

  std::string error;
  struct stat info;
  if (stat(options.registryFile.c_str(), &info) == 0 &&
      !hostkernel::LoadRegistryFile(options.registryFile, &error)) {
    std::fprintf(stderr, "sorvexcam: %s: %s\n", options.registryFile.c_str(), error.c_str());
    return 1;
  }
  hostkernel::InstallDefaultBiosArea();
  PDEVICE_OBJECT device = hostkernel::CreateDeviceObject(kDriverKey);

  bool ok = CycleContexts(device);
  ok = ConvertScene(options) && ok;

  hostkernel::DeleteDeviceObject(device);
  if (!hostkernel::SaveRegistryFile(options.registryFile, &error)) {
    std::fprintf(stderr, "sorvexcam: %s: %s\n", options.registryFile.c_str(), error.c_str());
    ok = false;
  }
  const size_t live = hostkernel::LivePoolBlocks().size();
  std::printf("settings kept in %s; %zu pool blocks left\n", options.registryFile.c_str(), live);
  return ok && live == 0 ? 0 : 1;
}
