// A scripted camera session (three streams with zoom and face tracking, a
// snapshot, property changes) run once per pool allocation with that
// allocation failing, and once per registry key it uses with opening that
// key failing. Whatever fails, the session must run to its end without a
// crash or a write through a null buffer (the sanitizer build catches both),
// and Exit must leave no pool block and no registry handle behind.
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "fake_minidriver.h"
#include "sorvex0_property.h"

namespace sorvextest {
namespace {

constexpr const char *kServiceKey = "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex";
constexpr int64_t kFrameInterval = 1000000;  // 100 ms: the exposure loop runs on most frames

struct Stream {
  uint32_t format;
  uint32_t width;
  uint32_t height;
  int frames;  // enough to get past the blank frames (and a restart)
};

// Whether an image has more than one byte value: a processed picture of the
// test scene does, a blank frame does not.
bool HasPicture(const std::vector<uint8_t> &image) {
  for (uint8_t byte : image) {
    if (byte != image[0]) return true;
  }
  return false;
}

class ScriptedSession : public MinidriverTest, public ::testing::WithParamInterface<const char *> {
 protected:
  void SetUp() override {
    MinidriverTest::SetUp();
    hostkernel::SetSystemTime(132000000000000000LL);
  }

  // A fresh registry holding the minidriver's service key, as an installed
  // camera has it, so that the snapshot is written.
  static void FreshRegistry() {
    hostkernel::ResetRegistry();
    hostkernel::SetRegistryDword(kServiceKey, "Start", 3);
    hostkernel::SetRegistryDword(kServiceKey, "Type", 1);
  }

  uint32_t Property(bool set, uint32_t id, int32_t value = 0, uint32_t item = 0) {
    uint8_t header[SORVEX_PROPERTY_HEADER_BYTES] = {};
    std::memcpy(header + SORVEX_PROPERTY_ID_OFFSET, &id, 4);
    SorvexPropertyRecord record = {};
    record.value = value;
    record.item = item;
    SorvexPropertyDescriptor request{header, 0, &record, sizeof record, sizeof record};
    return set ? ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request)
               : ISPFunc_prpmanf_GetCustomProperty(context_, kDevice, &request);
  }

  void SetGamma() {
    uint8_t header[SORVEX_PROPERTY_HEADER_BYTES] = {};
    const uint32_t id = SORVEX_PROPERTY_GAMMA;
    std::memcpy(header + SORVEX_PROPERTY_ID_OFFSET, &id, 4);
    SorvexGammaRecord record = {};
    record.pointCount = 4;
    uint8_t *curve = reinterpret_cast<uint8_t *>(record.curve);
    for (size_t i = 0; i < sizeof record.curve; ++i) curve[i] = static_cast<uint8_t>(i / 2);
    SorvexPropertyDescriptor request{header, 0, &record, sizeof record, sizeof record};
    ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request);
  }

  // Diagonal gradients: structure for the exposure loop, the white balance
  // and the face tracker.
  static std::vector<uint8_t> Scene(size_t bytes, uint32_t width) {
    std::vector<uint8_t> scene(bytes);
    if (width == 0) return scene;
    for (size_t i = 0; i < bytes; ++i) scene[i] = static_cast<uint8_t>((i % width) / 3 + (i / width) / 2);
    return scene;
  }

  // Frames of exactly the capture size (twice that for the MI1320, whose
  // small frames are YUYV) into a destination of exactly the output image's
  // size; returns whether the last frame was a picture.
  bool Frames(const Stream &stream, uint32_t captureWidth, uint32_t captureHeight) {
    const size_t bytesPerPixel = std::string(GetParam()) == "MI1320" ? 2 : 1;
    const size_t rawBytes = static_cast<size_t>(captureWidth) * captureHeight * bytesPerPixel;
    std::vector<uint8_t> raw;
    const size_t pixels = static_cast<size_t>(stream.width) * stream.height;
    const size_t imageBytes = stream.format == SORVEX_FORMAT_YUYV   ? pixels * 2
                              : stream.format == SORVEX_FORMAT_I420 ? pixels * 3 / 2
                                                                    : pixels * 3;
    std::vector<uint8_t> destination(imageBytes);
    const std::vector<uint8_t> scene = Scene(rawBytes, captureWidth);
    for (int frame = 0; frame < stream.frames; ++frame) {
      // The library repairs the raw frame in place: each frame starts afresh.
      raw = scene;
      hostkernel::AdvanceSystemTime(kFrameInterval);
      ISPFunc_RawToImg(context_, kDevice, stream.format, 50, 50, 50, 50, 50, 50, 50, 50, 50,
                       destination.data(), raw.data(), stream.width, stream.height);
    }
    return HasPicture(destination);
  }

  void RunStream(const Stream &stream) {
    uint32_t captureWidth = 0;
    uint32_t captureHeight = 0;
    ISPFunc_StartCapture(context_, kDevice, stream.format, stream.width, stream.height, &captureWidth,
                         &captureHeight);
    ISPFunc_StreamStateNotify(context_, 0, SORVEX_STREAM_STATE_RUN);
    picturesMade_.push_back(Frames(stream, captureWidth, captureHeight));
    ISPFunc_StopCapture(context_, kDevice);
  }

  // The session. Calls go on after any failure, as the minidriver's would:
  // to a null context when Init could not make one.
  void RunSession() {
    picturesMade_.clear();
    Init(GetParam());
    RunStream({SORVEX_FORMAT_YUYV, 176, 144, 6});
    Property(true, 60, 2);      // zoom
    Property(true, 33, 60, 1);  // flicker mode: the exposure is applied again
    RunStream({SORVEX_FORMAT_RGB24, 352, 288, 7});
    Property(true, 61, 1);      // face tracking
    Property(true, 57);         // snapshot request
    SetGamma();
    ISPFunc_Rotate(context_, kDevice, 1, 0);
    // Captured larger than requested: the run state sets off a restart.
    RunStream({SORVEX_FORMAT_I420, 160, 120, 24});
    Property(false, 57);
    Property(true, 33, 0, 100);  // factory defaults
    Exit();
  }

  // Checks after one run; `what` names the injected failure.
  static void ExpectNothingLeft(const std::string &what) {
    EXPECT_TRUE(hostkernel::LivePoolBlocks().empty()) << "pool blocks left after Exit with " << what;
    EXPECT_EQ(0u, hostkernel::OpenKeyHandleCount()) << "registry handles left open with " << what;
  }

  // The clean run must reach the processing of every stream, or the sweeps
  // would only test blank frames.
  void ExpectPicturesInEveryStream() const {
    EXPECT_EQ(std::vector<bool>(3, true), picturesMade_) << "streams whose last frame was a picture";
  }

  std::vector<bool> picturesMade_;

  // Every key of the registry, as kernel paths.
  static std::vector<std::string> RegistryKeys() {
    std::vector<std::string> keys;
    std::istringstream text(hostkernel::SaveRegistryText());
    const std::string machine = "[HKEY_LOCAL_MACHINE";
    const std::string users = "[HKEY_USERS";
    for (std::string line; std::getline(text, line);) {
      if (line.compare(0, machine.size(), machine) == 0) {
        keys.push_back("\\REGISTRY\\MACHINE" + line.substr(machine.size(), line.size() - machine.size() - 1));
      } else if (line.compare(0, users.size(), users) == 0) {
        keys.push_back("\\REGISTRY\\USER" + line.substr(users.size(), line.size() - users.size() - 1));
      }
    }
    return keys;
  }
};

// The session alone: every stream ends in pictures and nothing is left. The
// memory check of scripts/test_reliability.sh runs this one under valgrind.
using CleanSessionTest = ScriptedSession;

TEST_P(CleanSessionTest, EveryStreamMakesPicturesAndNothingIsLeft) {
  FreshRegistry();
  RunSession();
  ExpectPicturesInEveryStream();
  ExpectNothingLeft("no failure");
  EXPECT_NE(std::string::npos, hostkernel::DebugOutput().find("Write RawData = 1\n")) << "no snapshot taken";
}

// The allocations are the same for every sensor but the MI1320, whose frames
// take their own path; two sensors cover them.
using AllocationFailureTest = ScriptedSession;
// The register programming on a restart differs by sensor family.
using KeyOpenFailureTest = ScriptedSession;

TEST_P(AllocationFailureTest, EveryAllocationFailingInTurnLeavesNothingBehind) {
  FreshRegistry();
  const uint64_t before = hostkernel::AllocationCount();
  RunSession();
  const uint64_t allocations = hostkernel::AllocationCount() - before;
  ExpectNothingLeft("no failure");
  ExpectPicturesInEveryStream();
  // Init, the working buffers, the face tracker, the conversion library and
  // the registry queries all allocate.
  ASSERT_GE(allocations, 5u);

  for (uint64_t n = 1; n <= allocations; ++n) {
    FreshRegistry();
    const uint64_t start = hostkernel::AllocationCount();
    hostkernel::FailNthAllocation(n);
    RunSession();
    hostkernel::FailNthAllocation(0);
    // The allocations before the failing one are those of the clean run, so
    // the n-th was made and refused.
    EXPECT_GE(hostkernel::AllocationCount() - start, n) << "allocation " << n << " was never reached";
    ExpectNothingLeft("allocation " + std::to_string(n) + " of " + std::to_string(allocations) + " failing");
    if (HasFailure()) return;
  }
}

TEST_P(KeyOpenFailureTest, EveryKeyOpenFailingInTurnLeavesNothingBehind) {
  FreshRegistry();
  RunSession();
  ExpectNothingLeft("no failure");
  ExpectPicturesInEveryStream();
  const std::vector<std::string> keys = RegistryKeys();
  // The settings (driver key, sensor key, "PageSetting") and the service key.
  ASSERT_GE(keys.size(), 4u);

  for (const std::string &key : keys) {
    for (NTSTATUS status : {STATUS_ACCESS_DENIED, STATUS_INSUFFICIENT_RESOURCES}) {
      FreshRegistry();
      hostkernel::FailKeyOpen(key, status);
      RunSession();
      hostkernel::ClearKeyFailures();
      ExpectNothingLeft("opening " + key + " failing");
      if (HasFailure()) return;
    }
  }
}

std::string SensorName(const ::testing::TestParamInfo<const char *> &info) { return info.param; }

INSTANTIATE_TEST_SUITE_P(Sensors, CleanSessionTest, ::testing::Values("OV9650", "MI1320"), SensorName);
INSTANTIATE_TEST_SUITE_P(Sensors, AllocationFailureTest, ::testing::Values("OV9650", "MI1320"), SensorName);
INSTANTIATE_TEST_SUITE_P(Sensors, KeyOpenFailureTest, ::testing::Values("OV9650", "MI1320", "S5K4AA", "ES2216"),
                         SensorName);

}  // namespace
}  // namespace sorvextest
