#include "raw_directory_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

class RawDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sorvexcam_rawdir_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string &name, const std::string &bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path dir_;
};

TEST_F(RawDirectoryTest, ReadsPgmHeadersWithCommentsAndRejectsOthers) {
  RawFrameFile file;
  std::string error;
  const std::string good = Write("a.pgm", "P5\n# camera frame\n4 2\n255\n" + std::string(8, '\x10'));
  ASSERT_TRUE(ReadPgmHeader(good, &file, &error)) << error;
  EXPECT_EQ(file.width, 4u);
  EXPECT_EQ(file.height, 2u);
  EXPECT_EQ(file.dataOffset, std::string("P5\n# camera frame\n4 2\n255\n").size());

  EXPECT_FALSE(ReadPgmHeader(Write("b.pgm", "P5\n4 2\n65535\n" + std::string(16, '\0')), &file, &error));
  EXPECT_NE(error.find("only 8-bit"), std::string::npos) << error;
  EXPECT_FALSE(ReadPgmHeader(Write("c.pgm", "P5\n4 2\n255\n" + std::string(7, '\0')), &file, &error));
  EXPECT_NE(error.find("holds 18 bytes where 19"), std::string::npos) << error;
  EXPECT_FALSE(ReadPgmHeader(Write("d.pgm", "P2\n4 2\n255\n1 2 3 4 5 6 7 8\n"), &file, &error));
  EXPECT_NE(error.find("not a binary PGM"), std::string::npos) << error;
  EXPECT_FALSE(ReadPgmHeader(Write("e.pgm", "P5\n1 2\n255\n\x01\x02"), &file, &error));
  EXPECT_NE(error.find("outside 2x2"), std::string::npos) << error;
}

TEST_F(RawDirectoryTest, PlaysFramesInNameOrderAndRephasesThem) {
  // 4 x 4 RGGB frames whose red samples hold the frame number (10, 20) and
  // everything else 0; after dropping the first line the red samples sit
  // where the camera has red: odd lines, even columns.
  for (int n = 1; n <= 2; ++n) {
    std::string samples(16, '\0');
    for (int y = 0; y < 4; y += 2) {
      for (int x = 0; x < 4; x += 2) samples[static_cast<size_t>(y * 4 + x)] = static_cast<char>(10 * n);
    }
    Write("frame" + std::to_string(3 - n) + ".raw", samples);  // frame2.raw holds 10, frame1.raw 20
  }
  // A link in a loop cannot be examined: it is skipped with a warning.
  fs::create_symlink("loop.raw", dir_ / "loop.raw");
  std::string error;
  testing::internal::CaptureStderr();
  std::unique_ptr<RawDirectorySource> source =
      RawDirectorySource::Open(dir_.string(), 4, 4, {kRed, kGreen, kGreen, kBlue}, &error);
  const std::string warnings = testing::internal::GetCapturedStderr();
  ASSERT_NE(source, nullptr) << error;
  EXPECT_NE(warnings.find("warning: " + (dir_ / "loop.raw").string() + ": skipped (Too many levels of symbolic links)"),
            std::string::npos)
      << warnings;
  EXPECT_EQ(source->FrameCount(), 2u);
  std::vector<uint8_t> frame;
  const RawFrameShape shape = {2, 2, RawLayout::kBayer8};
  ASSERT_TRUE(source->RenderFrame(0, shape, &frame, &error)) << error;
  EXPECT_EQ(frame, (std::vector<uint8_t>{0, 0, 20, 0}));  // frame1.raw first
  ASSERT_TRUE(source->RenderFrame(3, shape, &frame, &error)) << error;  // wraps to the second file
  EXPECT_EQ(frame, (std::vector<uint8_t>{0, 0, 10, 0}));
}

TEST_F(RawDirectoryTest, RefusesDirectoriesItCannotPlay) {
  std::string error;
  EXPECT_EQ(RawDirectorySource::Open(dir_.string(), 0, 0, {kGreen, kBlue, kRed, kGreen}, &error), nullptr);
  EXPECT_NE(error.find("holds no .pgm or .raw frames"), std::string::npos) << error;
  Write("x.raw", std::string(16, '\0'));
  EXPECT_EQ(RawDirectorySource::Open(dir_.string(), 0, 0, {kGreen, kBlue, kRed, kGreen}, &error), nullptr);
  EXPECT_NE(error.find("needs its size"), std::string::npos) << error;
  EXPECT_EQ(RawDirectorySource::Open(dir_.string(), 4, 2, {kGreen, kBlue, kRed, kGreen}, &error), nullptr);
  EXPECT_NE(error.find("holds 16 bytes where 8"), std::string::npos) << error;
  EXPECT_EQ(RawDirectorySource::Open((dir_ / "missing").string(), 4, 4, {kGreen, kBlue, kRed, kGreen}, &error),
            nullptr);
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace sorvexcam
