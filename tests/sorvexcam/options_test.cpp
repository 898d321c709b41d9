#include "options.h"

#include <gtest/gtest.h>

namespace sorvexcam {
namespace {

bool Parse(std::vector<std::string> args, Options *options, std::string *error) {
  *options = Options();
  return ParseOptions(args, options, error);
}

TEST(ParseOptions, NoArgumentsGiveTheDemo) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({}, &options, &error)) << error;
  EXPECT_EQ(options.sensor, "ES2216");
  EXPECT_TRUE(options.highSpeed);
  EXPECT_EQ(options.format, OutputFormat::kRgb24);
  EXPECT_EQ(options.width, 640u);
  EXPECT_EQ(options.height, 480u);
  EXPECT_EQ(options.frames, 90u);
  EXPECT_EQ(options.source, SourceKind::kScene);
  EXPECT_LT(options.sceneLight, 100u);  // the demo starts too dark
  EXPECT_EQ(options.registryFile, "out/registry.reg");
  EXPECT_TRUE(options.save.Includes(0, 90));
  EXPECT_TRUE(options.save.Includes(89, 90));
  EXPECT_FALSE(options.save.Includes(5, 90));
  EXPECT_FALSE(options.view);

  // A live view left running keeps only its last frame unless told otherwise.
  ASSERT_TRUE(Parse({"--view"}, &options, &error)) << error;
  EXPECT_TRUE(options.view);
  EXPECT_FALSE(options.save.Includes(0, 90));
  EXPECT_TRUE(options.save.Includes(89, 90));
  ASSERT_TRUE(Parse({"--view", "--frames", "30"}, &options, &error)) << error;
  EXPECT_TRUE(options.save.Includes(0, 30));
}

TEST(ParseOptions, ReadsEveryCameraSetting) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--sensor", "s5k4aa", "--speed", "full", "--format", "i420", "--size", "1280x1024", "--frames",
                     "12", "--fps", "29.97", "--p9", "0", "--p1", "70", "--raw-dir", "frames", "--raw-size",
                     "64x48", "--raw-pattern", "rggb", "--out", "o", "--save", "3,last", "--set", "2:zoom=4",
                     "--get", "11:aeindex"},
                    &options, &error))
      << error;
  EXPECT_EQ(options.sensor, "S5K4AA");  // the library's spelling
  EXPECT_FALSE(options.highSpeed);
  EXPECT_EQ(options.format, OutputFormat::kI420);
  EXPECT_EQ(options.width, 1280u);
  EXPECT_EQ(options.height, 1024u);
  EXPECT_EQ(options.frames, 12u);
  EXPECT_EQ(options.fpsNumerator, 2997u);
  EXPECT_EQ(options.fpsDenominator, 100u);
  EXPECT_EQ(options.pictureValues[0], 70u);
  EXPECT_EQ(options.pictureValues[8], 0u);
  EXPECT_EQ(options.pictureValues[4], 50u);
  EXPECT_EQ(options.source, SourceKind::kRawDirectory);
  EXPECT_EQ(options.rawWidth, 64u);
  EXPECT_EQ(options.rawPattern.topLeft, kRed);
  EXPECT_EQ(options.registryFile, "o/registry.reg");
  EXPECT_TRUE(options.save.Includes(3, 12));
  EXPECT_TRUE(options.save.Includes(11, 12));
  EXPECT_FALSE(options.save.Includes(0, 12));
  ASSERT_EQ(options.actions.size(), 2u);
  EXPECT_TRUE(options.actions[0].set);
  EXPECT_EQ(options.actions[0].value, 4u);
  EXPECT_FALSE(options.actions[1].set);
  EXPECT_EQ(options.actions[1].frame, 11u);
}

TEST(ParseOptions, RejectsWhatTheCameraCannotDoWithAReason) {
  struct Case {
    std::vector<std::string> args;
    const char *reason;
  } cases[] = {
      {{"--size", "500x500"}, "unsupported size 500x500"},
      {{"--sensor", "OV1234"}, "known sensors"},
      {{"--format", "rgb32"}, "rgb24, yuyv or i420"},
      {{"--frames", "0"}, "--frames 0"},
      {{"--fps", "0"}, "--fps 0"},
      {{"--fps", "abc"}, "--fps abc"},
      {{"--speed", "super"}, "high or full"},
      {{"--picture", "a.png", "--camera-raw", "b.cr2"}, "one source"},
      {{"--raw-pattern", "RGBG"}, "colour cell"},
      {{"--still", "--raw-dir", "frames"}, "--still applies"},
      {{"--raw-pattern", "RGGB"}, "--raw-pattern applies to --raw-dir only"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"--set", "3:zoom"}, "zoom wants =VALUE"},
      {{"--set", "3:exposure=2"}, "can only be read"},
      {{"--get", "1:defaults"}, "can only be written"},
      {{"--set", "x:zoom=1"}, "want FRAME:NAME"},
      {{"--set", "1:warp=9"}, "unknown property \"warp\""},
      {{"--set", "1:reg=0x10"}, "reg wants =ADDRESS:VALUE"},
      {{"--save", "every:0"}, "--save every:0"},
      {{"frames"}, "unexpected argument"},
      {{"--out"}, "--out wants a value"},
  };
  for (const Case &c : cases) {
    Options options;
    std::string error;
    EXPECT_FALSE(Parse(c.args, &options, &error)) << c.args[0];
    EXPECT_NE(error.find(c.reason), std::string::npos) << "got: " << error;
  }
}

TEST(ParsePropertyAction, TurnsNamesIntoRequests) {
  PropertyAction action;
  std::string error;
  ASSERT_TRUE(ParsePropertyAction("4:flicker=50hz", true, &action, &error)) << error;
  EXPECT_EQ(action.kind, PropertyAction::Kind::kDirect);
  EXPECT_EQ(action.id, 66u);
  EXPECT_EQ(action.value, 1u);
  ASSERT_TRUE(ParsePropertyAction("0:wb=auto", true, &action, &error)) << error;
  EXPECT_EQ(action.kind, PropertyAction::Kind::kItem);
  EXPECT_EQ(action.id, 21u);
  EXPECT_EQ(action.value, 0u);
  ASSERT_TRUE(ParsePropertyAction("7:reg=0x0D:0x40", true, &action, &error)) << error;
  EXPECT_EQ(action.kind, PropertyAction::Kind::kSensorRegister);
  EXPECT_EQ(action.address, 0x0Du);
  EXPECT_EQ(action.value, 0x40u);
  ASSERT_TRUE(ParsePropertyAction("7:creg=0xD1", false, &action, &error)) << error;
  EXPECT_EQ(action.kind, PropertyAction::Kind::kControllerRegister);
  EXPECT_EQ(action.address, 0xD1u);
  ASSERT_TRUE(ParsePropertyAction("2:item.93", false, &action, &error)) << error;
  EXPECT_EQ(action.id, 93u);
  ASSERT_TRUE(ParsePropertyAction("2:rotate=1,0", true, &action, &error)) << error;
  EXPECT_EQ(action.kind, PropertyAction::Kind::kRotate);
  EXPECT_EQ(action.value, 1u);
  EXPECT_EQ(action.address, 0u);
  ASSERT_TRUE(ParsePropertyAction("9:defaults", true, &action, &error)) << error;
  EXPECT_EQ(action.id, 100u);
  EXPECT_FALSE(ParsePropertyAction("9:zoom=-1", true, &action, &error));
  EXPECT_FALSE(ParsePropertyAction("9:zoom=0x1FFFFFFFF", true, &action, &error));
}

}  // namespace
}  // namespace sorvexcam
