// Runs the sorvexcam program as a user does and checks what it leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "image_convert.h"
#include "picture_files.h"
#include "picture_source.h"
#include "png_image.h"
#include "synthetic_scene.h"

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

struct ToolResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

// `shell` runs first in the same shell, to limit what the tool may do.
ToolResult RunTool(const std::string &binary, const std::string &args, const fs::path &cwd,
                   const std::string &shell = "") {
  const std::string command = "cd '" + cwd.string() + "' && " + shell + " '" + binary + "' " + args + " 2>&1";
  ToolResult result;
  std::FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log as rows of named columns.
std::vector<std::map<std::string, std::string>> ReadLog(const fs::path &path) {
  std::istringstream in(ReadFile(path));
  std::string line;
  std::vector<std::string> names;
  std::vector<std::map<std::string, std::string>> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    std::string cell;
    while (std::getline(cellStream, cell, ',')) cells.push_back(cell);
    if (line.back() == ',') cells.push_back("");
    if (names.empty()) {
      names = cells;
      continue;
    }
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < names.size() && i < cells.size(); ++i) row[names[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

// A .bmp the program wrote, as a top-down RGB picture.
RgbImage ReadBmp(const fs::path &path) {
  const std::string file = ReadFile(path);
  RgbImage image;
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return image;
  auto word = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(file[at])) | static_cast<uint32_t>(static_cast<uint8_t>(file[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(file[at + 2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(file[at + 3])) << 24;
  };
  const uint32_t width = word(18), height = word(22);
  if (file.size() != 54 + size_t{width} * height * 3) return image;  // our widths need no padding
  return OutputToRgb(OutputFormat::kRgb24, reinterpret_cast<const uint8_t *>(file.data()) + 54, width, height);
}

struct Means {
  double red = 0, green = 0, blue = 0;
};

Means MeanColour(const RgbImage &image, int left, int top, int width, int height) {
  Means means;
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) {
      const uint8_t *p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
      means.red += p[0];
      means.green += p[1];
      means.blue += p[2];
    }
  }
  const double count = static_cast<double>(width) * height;
  return {means.red / count, means.green / count, means.blue / count};
}

Means MeanColour(const RgbImage &image) { return MeanColour(image, 0, 0, image.width, image.height); }

RgbImage SolidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int i = 0; i < width * height; ++i) image.rgb.insert(image.rgb.end(), {r, g, b});
  return image;
}

bool WriteJpeg(const fs::path &path, const RgbImage &image) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t *>(&image.rgb[size_t{info.next_scanline} * image.width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

bool HasPartFiles(const fs::path &dir) {
  for (const auto &entry : fs::recursive_directory_iterator(dir)) {
    if (entry.path().extension() == ".part") return true;
  }
  return false;
}

class SorvexcamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sorvexcam_e2e_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  ToolResult Camera(const std::string &args) { return RunTool(SORVEXCAM_BINARY, args, dir_); }

  // A quick stream: full speed captures at the requested 320 x 240, so no
  // restart sequence blanks frames beyond the start's own.
  static std::string Short(const std::string &format, int frames) {
    return "--sensor OV9650 --speed full --size 320x240 --format " + format + " --frames " + std::to_string(frames);
  }

  fs::path dir_;
};

TEST_F(SorvexcamTest, TheSimulatedSceneRunsInEveryFormat) {
  struct Case {
    const char *format;
    size_t blanked;
  } cases[] = {{"rgb24", 5}, {"yuyv", 3}, {"i420", 3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.format);
    const fs::path out = dir_ / c.format;
    const ToolResult result = Camera(Short(c.format, 7) + " --out " + out.string());
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("OV9650 sensor model"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("wrote to " + out.string()), std::string::npos) << result.output;

    const auto rows = ReadLog(out / "log.csv");
    ASSERT_EQ(rows.size(), 7u);
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].at("blanked"), i < c.blanked ? "1" : "0") << "frame " << i;
      EXPECT_EQ(rows[i].at("capture_w"), "320");
      EXPECT_FALSE(rows[i].at("sensor_exposure").empty());
    }
    EXPECT_GT(std::stod(rows.back().at("out_luma")), 5.0);

    const bool bitmap = std::string(c.format) == "rgb24";
    const char *extension = bitmap ? ".bmp" : ".png";
    for (const char *frame : {"frame_0000", "frame_0006"}) {
      EXPECT_TRUE(fs::exists(out / (std::string(frame) + extension))) << frame;
    }
    EXPECT_FALSE(fs::exists(out / (std::string("frame_0003") + extension)));
    if (bitmap) {
      EXPECT_EQ(ReadBmp(out / "frame_0006.bmp").width, 320);
      EXPECT_FALSE(fs::exists(out / "video.y4m"));
    } else {
      const std::string video = ReadFile(out / "video.y4m");
      const std::string header = video.substr(0, video.find('\n') + 1);
      EXPECT_NE(header.find(std::string(c.format) == "yuyv" ? " C422 " : " C420jpeg "), std::string::npos);
      const size_t frameBytes = std::string(c.format) == "yuyv" ? 320 * 240 * 2 : 320 * 240 * 3 / 2;
      EXPECT_EQ(video.size(), header.size() + 7 * (6 + frameBytes));
      testsupport::RgbImage png;
      std::string error;
      ASSERT_TRUE(testsupport::LoadPngRgb((out / "frame_0006.png").string(), &png, &error)) << error;
      EXPECT_EQ(png.width, 320);
    }
    EXPECT_EQ(ReadFile(out / "convergence.svg").rfind("<svg", 0), 0u);
    EXPECT_EQ(ReadFile(out / "registry.reg").rfind("Windows Registry Editor Version 5.00", 0), 0u);
    EXPECT_FALSE(HasPartFiles(out));
  }
}

TEST_F(SorvexcamTest, PhotographsKeepTheirColourThroughTheCamera) {
  // Plain conversion (processing mode 0), so that white balance cannot
  // neutralise a picture of one colour.
  ASSERT_TRUE(WritePng((dir_ / "red.png").string(), SolidPicture(90, 60, 200, 60, 40)));
  ASSERT_TRUE(WriteJpeg(dir_ / "blue.jpg", SolidPicture(90, 60, 40, 70, 210)));
  const ToolResult red = Camera(Short("rgb24", 6) + " --picture red.png --still --set 0:ipmode=0 --out red");
  ASSERT_EQ(red.exitCode, 0) << red.output;
  EXPECT_NE(red.output.find("picture red.png (90x60), still"), std::string::npos) << red.output;
  const Means redMeans = MeanColour(ReadBmp(dir_ / "red" / "frame_0005.bmp"));
  EXPECT_GT(redMeans.red, 2 * redMeans.green);
  EXPECT_GT(redMeans.red, 2 * redMeans.blue);

  const ToolResult blue = Camera(Short("yuyv", 6) + " --picture blue.jpg --still --set 0:ipmode=0 --out blue");
  ASSERT_EQ(blue.exitCode, 0) << blue.output;
  testsupport::RgbImage png;
  std::string error;
  ASSERT_TRUE(testsupport::LoadPngRgb((dir_ / "blue" / "frame_0005.png").string(), &png, &error)) << error;
  double sums[3] = {};
  for (size_t i = 0; i < png.pixels.size(); ++i) sums[i % 3] += png.pixels[i];
  EXPECT_GT(sums[2], 2 * sums[0]);
  EXPECT_GT(sums[2], 1.5 * sums[1]);
}

TEST_F(SorvexcamTest, RawFrameDirectoriesPlayEveryFrameOnce) {
  fs::create_directories(dir_ / "frames");
  const std::vector<uint8_t> bayer = MosaicToBayer(SolidPicture(64, 48, 200, 100, 30));
  for (int n = 0; n < 3; ++n) {
    std::ofstream pgm(dir_ / "frames" / ("f" + std::to_string(n) + ".pgm"), std::ios::binary);
    pgm << "P5\n64 48\n255\n";
    pgm.write(reinterpret_cast<const char *>(bayer.data()), static_cast<std::streamsize>(bayer.size()));
  }
  const ToolResult result = Camera("--speed full --size 320x240 --format i420 --raw-dir frames "
                                   "--set 0:ipmode=0 --save all --out out");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(ReadLog(dir_ / "out" / "log.csv").size(), 3u);
  // Three frames of I420 in the video, the first three blanked by the start.
  const std::string video = ReadFile(dir_ / "out" / "video.y4m");
  EXPECT_EQ(video.size(), video.find('\n') + 1 + 3 * (6 + 320 * 240 * 3 / 2));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "frame_0002.png"));
}

TEST_F(SorvexcamTest, RawFramesOfOtherPhasesAndHeaderlessFramesAreRead) {
  fs::create_directories(dir_ / "raw");
  // A red picture mosaiced RGGB: red at even lines and even columns.
  std::string samples(64 * 48, '\0');
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) samples[static_cast<size_t>(y * 64 + x)] = (y % 2 == 0 && x % 2 == 0) ? '\xC8' : '\x14';
  }
  std::ofstream(dir_ / "raw" / "a.raw", std::ios::binary) << samples;
  const ToolResult result = Camera(Short("rgb24", 6) + " --raw-dir raw --raw-size 64x48 --raw-pattern RGGB "
                                   "--set 0:ipmode=0 --out out");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const Means means = MeanColour(ReadBmp(dir_ / "out" / "frame_0005.bmp"));
  EXPECT_GT(means.red, 3 * means.green);
  EXPECT_GT(means.red, 3 * means.blue);
}

TEST_F(SorvexcamTest, TheRegistryFileKeepsSettingsBetweenRuns) {
  // Kept elsewhere through a link, which stays a link; the file keeps its
  // permissions.
  fs::create_directories(dir_ / "settings");
  fs::create_symlink("settings/cam.reg", dir_ / "cam.reg");
  const ToolResult first = Camera(Short("rgb24", 2) + " --still --set 0:flicker=50hz --out one --registry cam.reg");
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_NE(ReadFile(dir_ / "cam.reg").find("\"Camera_Flicker\"=dword:00000001"), std::string::npos);
  fs::permissions(dir_ / "settings" / "cam.reg", fs::perms::owner_read | fs::perms::owner_write);
  const ToolResult second = Camera(Short("rgb24", 2) + " --still --get 1:flicker --out two --registry cam.reg");
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_NE(second.output.find("frame 1: get flicker = 1"), std::string::npos) << second.output;
  EXPECT_TRUE(fs::is_symlink(dir_ / "cam.reg"));
  EXPECT_EQ(fs::status(dir_ / "settings" / "cam.reg").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(HasPartFiles(dir_));
  // A fresh registry file starts from the defaults.
  const ToolResult fresh = Camera(Short("rgb24", 2) + " --still --get 1:flicker --out three");
  ASSERT_EQ(fresh.exitCode, 0) << fresh.output;
  EXPECT_NE(fresh.output.find("frame 1: get flicker = 0"), std::string::npos) << fresh.output;
}

TEST_F(SorvexcamTest, ASnapshotTakenByPropertyReadsBackAsTheRawFrame) {
  const ToolResult result = Camera(Short("rgb24", 8) + " --still --set 1:snapshot --out out");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  // Served on the first frame that is not blanked (the start blanks five).
  EXPECT_NE(result.output.find("frame 5: snapshot 1 taken"), std::string::npos) << result.output;
  const auto rows = ReadLog(dir_ / "out" / "log.csv");
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_FALSE(rows[5].at("light_level").empty());
  EXPECT_FALSE(rows[5].at("awb_ref_g").empty());
  EXPECT_TRUE(rows[6].at("light_level").empty());

  const ToolResult snap = RunTool(SORVEXSNAP_BINARY, "out/registry.reg 1 shot", dir_);
  ASSERT_EQ(snap.exitCode, 0) << snap.output;
  const std::string pgm = ReadFile(dir_ / "shot.pgm");
  const std::string header = "P5\n320 240\n255\n";
  ASSERT_EQ(pgm.size(), header.size() + 320 * 240);
  EXPECT_EQ(pgm.substr(0, header.size()), header);
  // Exactly the frame the camera was sent: the still scene's raw frame.
  PictureSource still(ScenePicture::BuiltIn());
  std::vector<uint8_t> sent;
  std::string error;
  ASSERT_TRUE(still.RenderFrame(5, {320, 240, RawLayout::kBayer8}, &sent, &error)) << error;
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), reinterpret_cast<const uint8_t *>(pgm.data() + header.size())));
  EXPECT_NE(ReadFile(dir_ / "shot.txt").find("outputWidth 320"), std::string::npos);
}

// A registry file holding snapshot 1 with the given size and one data chunk.
std::string SnapshotRegistry(uint32_t width, uint32_t height) {
  char size[64];
  std::snprintf(size, sizeof size, "\"Raw01W\"=dword:%08x\n\"Raw01H\"=dword:%08x\n", width, height);
  std::string info = "\"Raw01Info\"=hex:45,53,53,20";
  for (int i = 4; i < 128; ++i) info += ",00";
  return "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex]\n" +
         std::string(size) + info + "\n\"Raw01Data00\"=hex:01,02,03,04\n";
}

TEST_F(SorvexcamTest, TheSnapshotReaderWritesBothFilesOrNeither) {
  std::ofstream(dir_ / "good.reg") << SnapshotRegistry(2, 2);
  std::ofstream(dir_ / "empty.reg") << SnapshotRegistry(0, 0);
  fs::create_directories(dir_ / "folder.txt");
  std::ofstream(dir_ / "full.pgm") << "an earlier frame";
  struct Case {
    const char *shell;
    const char *args;
    int exitCode;
    const char *reason;
  } cases[] = {
      {"", "good.reg 1abc shot", 2, "whole number from 1 to 64, not \"1abc\""},
      {"", "good.reg 1.9 shot", 2, "whole number from 1 to 64, not \"1.9\""},
      {"", "good.reg 65 shot", 2, "whole number from 1 to 64"},
      {"", "empty.reg 1 shot", 1, "snapshot 1 records an empty frame (0x0)"},
      {"", "good.reg 1 folder", 1, "folder.txt: is a folder (nothing written)"},
      // A full disk: the size limit makes the frame's write fail.
      {"trap '' XFSZ; ulimit -f 0;", "good.reg 1 full", 1, "full.pgm.part: cannot be written: File too large"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    const ToolResult result = RunTool(SORVEXSNAP_BINARY, c.args, dir_, c.shell);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    EXPECT_NE(result.output.find(c.reason), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir_ / "shot.pgm") || fs::exists(dir_ / "folder.pgm") || fs::exists(dir_ / "full.txt"));
    EXPECT_FALSE(HasPartFiles(dir_));
  }
  EXPECT_EQ(ReadFile(dir_ / "full.pgm"), "an earlier frame");
  const ToolResult good = RunTool(SORVEXSNAP_BINARY, "good.reg 01 shot", dir_);
  ASSERT_EQ(good.exitCode, 0) << good.output;
  EXPECT_EQ(ReadFile(dir_ / "shot.pgm"), "P5\n2 2\n255\n\x01\x02\x03\x04");
}

// A JPEG of a gradient, cut to a fifth of its length.
void WriteCutJpeg(const fs::path &path) {
  RgbImage gradient = SolidPicture(320, 240, 0, 0, 0);
  for (size_t i = 0; i < gradient.rgb.size(); ++i) gradient.rgb[i] = static_cast<uint8_t>(i * 7 / 3);
  ASSERT_TRUE(WriteJpeg(path, gradient));
  fs::resize_file(path, fs::file_size(path) / 5);
}

TEST_F(SorvexcamTest, BadInputIsRejectedWithAReasonAndNothingWritten) {
  ASSERT_TRUE(WritePng((dir_ / "ok.png").string(), SolidPicture(8, 8, 1, 2, 3)));
  std::ofstream(dir_ / "broken.png") << "not a picture";
  WriteCutJpeg(dir_ / "cut.jpg");
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  fs::create_directories(dir_ / "badframes");
  std::ofstream(dir_ / "badframes" / "a.pgm") << "P5\n64 48\n255\nshort";
  std::ofstream(dir_ / "bad.reg") << "this is no registry file\n";
  struct Case {
    std::string args;
    int exitCode;
    const char *reason;
  } cases[] = {
      {"--bogus", 2, "unknown option --bogus"},
      {"--size 500x400", 2, "unsupported size 500x400"},
      {"--sensor XX9999", 2, "known sensors"},
      {"--frames 5 --set 9:zoom=2", 2, "frame 9 is past the last frame 4"},
      {"--picture missing.png", 1, "missing.png: No such file"},
      {"--picture broken.png", 1, "not a PNG or JPEG"},
      {"--raw-dir badframes", 1, "holds 18 bytes where 3085"},
      {"--camera-raw ok.png", 1, "ok.png:"},
      {"--registry bad.reg", 1, "bad.reg:"},
      {"--registry nowhere/cam.reg --frames 2 --still", 1, "nowhere/cam.reg.part: cannot be written: No such file"},
      {"--picture cut.jpg", 1, "cut.jpg: the picture is cut short"},
      {"--picture fifo", 1, "fifo: is not a regular file"},
      {"--registry fifo", 1, "fifo: is not a regular file"},
      {"--registry .", 1, ".: is a folder, not a registry file"},
      {"--fps 1/4294967295 --frames 100000", 2, "the simulated clock cannot count 100000 frames"},
      {"--registry out/log.csv", 2, "is one of the run's outputs"},
      {"--save 7 --registry out/frame_0007.bmp", 2, "is one of the run's outputs"},
  };
  const std::string registryBefore = ReadFile(dir_ / "bad.reg");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    const ToolResult result = Camera(c.args + " --out out");
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    EXPECT_NE(result.output.find("sorvexcam: "), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(c.reason), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir_ / "out")) << "the output folder was left behind";
  }
  EXPECT_EQ(ReadFile(dir_ / "bad.reg"), registryBefore);
}

TEST_F(SorvexcamTest, TheEndMessageTellsWhatWasPutInPlaceAndASecondRunIsRefused) {
  // A folder where the log goes: the frames are put in place before it, the
  // rest is not.
  fs::create_directories(dir_ / "out" / "log.csv" / "in the way");
  const ToolResult blocked = Camera(Short("rgb24", 2) + " --still --save all --out out");
  EXPECT_EQ(blocked.exitCode, 1) << blocked.output;
  EXPECT_NE(blocked.output.find("out/log.csv: cannot be put in place"), std::string::npos) << blocked.output;
  EXPECT_NE(blocked.output.find("put in place: out/frame_0000.bmp, out/frame_0001.bmp; "
                                "not written: out/log.csv, out/convergence.svg, out/registry.reg"),
            std::string::npos)
      << blocked.output;
  EXPECT_EQ(blocked.output.find("nothing written"), std::string::npos) << blocked.output;
  EXPECT_TRUE(fs::exists(dir_ / "out" / "frame_0001.bmp"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "registry.reg"));
  EXPECT_FALSE(HasPartFiles(dir_));

  // While another run holds the folder, a run into it is refused untouched.
  const int folder = open((dir_ / "out").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX | LOCK_NB), 0);
  fs::remove_all(dir_ / "out" / "log.csv");
  const ToolResult second = Camera(Short("rgb24", 2) + " --still --out out");
  close(folder);
  EXPECT_EQ(second.exitCode, 1) << second.output;
  EXPECT_NE(second.output.find("out: another sorvexcam run is writing to this folder"), std::string::npos)
      << second.output;
  EXPECT_FALSE(fs::exists(dir_ / "out" / "log.csv"));
  EXPECT_FALSE(HasPartFiles(dir_));
}

// Starts the camera on a long run; its process id.
pid_t StartLongRun(const fs::path &cwd) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    execl(SORVEXCAM_BINARY, SORVEXCAM_BINARY, "--sensor", "OV9650", "--speed", "full", "--size", "160x120", "--format",
          "yuyv", "--frames", "100000", "--out", "out", static_cast<char *>(nullptr));
    _exit(127);
  }
  return pid;
}

TEST_F(SorvexcamTest, AnInterruptedRunRemovesItsPartFilesAndEndsByTheSignal) {
  fs::create_directories(dir_ / "out");
  std::ofstream(dir_ / "out" / "log.csv") << "an earlier run's log";
  for (int signalNumber : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signalNumber);
    const pid_t pid = StartLongRun(dir_);
    ASSERT_GT(pid, 0);
    for (int waited = 0; waited < 600 && !fs::exists(dir_ / "out" / "frame_0010.png.part"); ++waited) usleep(100000);
    EXPECT_TRUE(HasPartFiles(dir_ / "out"));
    kill(pid, signalNumber);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
    EXPECT_FALSE(HasPartFiles(dir_ / "out"));
    EXPECT_EQ(ReadFile(dir_ / "out" / "log.csv"), "an earlier run's log");
  }
}

TEST_F(SorvexcamTest, TheMi1320NeedsASourceThatGivesYuyvForSmallFrames) {
  fs::create_directories(dir_ / "frames");
  std::ofstream(dir_ / "frames" / "a.pgm", std::ios::binary) << "P5\n4 4\n255\n" << std::string(16, 'x');
  const ToolResult bayerOnly = Camera(Short("rgb24", 6) + " --sensor MI1320 --raw-dir frames --out out");
  EXPECT_EQ(bayerOnly.exitCode, 2) << bayerOnly.output;
  EXPECT_NE(bayerOnly.output.find("has Bayer frames only"), std::string::npos) << bayerOnly.output;
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  // The built-in scene has no MI1320 model; it goes as still YUYV frames.
  const ToolResult scene = Camera(Short("yuyv", 6) + " --sensor MI1320 --out out");
  ASSERT_EQ(scene.exitCode, 0) << scene.output;
  EXPECT_NE(scene.output.find("fed as a still frame"), std::string::npos) << scene.output;
}

// IMG_5952.CR2 (a Canon EOS 30D raw: sky with clouds, a mast, forest),
// fetched by scripts/fetch_test_images.sh.
fs::path CameraRawFile() {
  const char *testdata = std::getenv("SORVEX_TESTDATA");
  return testdata == nullptr ? fs::path() : fs::path(testdata) / "IMG_5952.CR2";
}

#define REQUIRE_CAMERA_RAW(path)                                                                        \
  if ((path).empty()) GTEST_SKIP() << "SORVEX_TESTDATA is not set (scripts/fetch_test_images.sh fetches IMG_5952.CR2)"; \
  ASSERT_TRUE(fs::exists(path)) << (path) << " is missing: run scripts/fetch_test_images.sh"

TEST_F(SorvexcamTest, ACameraRawFileIsRephasedToTheCamerasLayout) {
  const fs::path raw = CameraRawFile();
  REQUIRE_CAMERA_RAW(raw);
  const ToolResult result = Camera(Short("rgb24", 6) + " --camera-raw '" + raw.string() +
                                   "' --still --set 0:ipmode=0 --save last --out out");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Canon"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("RGGB"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("re-phased by 1 line(s) and 0 column(s)), still"), std::string::npos) << result.output;
  // Camera raw data before white balance is green above all: a wrong phase
  // would swap green with red and blue.
  const Means means = MeanColour(ReadBmp(dir_ / "out" / "frame_0005.bmp"));
  EXPECT_GT(means.green, 1.2 * means.red);
  EXPECT_GT(means.green, 1.2 * means.blue);
}

// Through the sensor model a camera raw comes out as the scene looks: the
// exposure loop settles on its target, the picture is well exposed and the
// clouds are white. The ES2216 starts too dark (the default light) and the
// loop steps up; the OV9650 sees the sunlit scene at four times the light its
// start needs and steps down.
TEST_F(SorvexcamTest, ACameraRawThroughTheSensorModelSettlesWellExposedWithWhiteClouds) {
  const fs::path raw = CameraRawFile();
  REQUIRE_CAMERA_RAW(raw);
  struct Case {
    const char *sensor;
    const char *light;
    uint32_t toleranceDivisor;  // the loop's band: (T + 6) / divisor
    double cloudTolerance;
  } cases[] = {
      {"ES2216", "", 12, 0.10},
      // The OV96xx output tables lift red and blue through a highlight curve
      // that fades out towards white, so bright greys keep a green tint.
      {"OV9650", " --light 400", 16, 0.25},
  };
  constexpr uint32_t kFrames = 120;  // the last is frame_0119
  for (const Case &c : cases) {
    SCOPED_TRACE(c.sensor);
    const fs::path out = dir_ / c.sensor;
    const ToolResult result = Camera("--sensor " + std::string(c.sensor) + c.light + " --size 320x240 --camera-raw '" +
                                     raw.string() + "' --frames " + std::to_string(kFrames) + " --set " +
                                     std::to_string(kFrames - 1) + ":snapshot --save last --out " + out.string());
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("daylight multipliers"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(std::string(c.sensor) + " sensor model"), std::string::npos) << result.output;
    const auto rows = ReadLog(out / "log.csv");
    ASSERT_EQ(rows.size(), kFrames);
    const auto &last = rows.back();

    // Settled: the index has not moved for the last second (four runs), and
    // the raw brightness lies in the loop's band around its target at the
    // light level of the entry it stopped on.
    for (size_t i = rows.size() - 30; i < rows.size(); ++i) EXPECT_EQ(rows[i].at("ae_index"), last.at("ae_index")) << i;
    ASSERT_FALSE(last.at("light_level").empty());
    const uint32_t target = std::stoul(last.at("light_level")) * std::stoul(last.at("ae_target")) / 100;
    const uint32_t band = std::max<uint32_t>(4, (target + 6) / c.toleranceDivisor);
    EXPECT_NEAR(std::stod(last.at("raw_brightness")), target, band);

    const double luma = std::stod(last.at("out_luma"));
    EXPECT_GT(luma, 90);
    EXPECT_LT(luma, 170);

    // The big cloud right of the middle, near the top.
    const RgbImage picture = ReadBmp(out / "frame_0119.bmp");
    ASSERT_EQ(picture.width, 320);
    const Means cloud = MeanColour(picture, 180, 20, 50, 20);
    EXPECT_GT(cloud.green, 150);
    EXPECT_NEAR(cloud.red / cloud.green, 1.0, c.cloudTolerance);
    EXPECT_NEAR(cloud.blue / cloud.green, 1.0, c.cloudTolerance);
  }
}

// The README's demo, run as it stands: the last frame's grey row is well
// exposed and neutral.
TEST_F(SorvexcamTest, TheDefaultDemoEndsOnAWellExposedNeutralPicture) {
  const ToolResult result = Camera("");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const auto rows = ReadLog(dir_ / "out" / "log.csv");
  ASSERT_EQ(rows.size(), 90u);
  EXPECT_NE(rows.front().at("ae_index"), rows.back().at("ae_index")) << "the exposure never moved";
  // The grey patches: the bottom row of the 6 x 4 chart that fills the top
  // two thirds of the frame, from white to black; the middle of each patch.
  const RgbImage last = ReadBmp(dir_ / "out" / "frame_0089.bmp");
  ASSERT_EQ(last.width, 640);
  std::vector<Means> greys;
  for (int column = 0; column < 6; ++column) {
    greys.push_back(MeanColour(last, column * 640 / 6 + 30, 3 * 320 / 4 + 25, 46, 30));
  }
  for (size_t i = 0; i < greys.size(); ++i) {
    SCOPED_TRACE("grey patch " + std::to_string(i));
    const Means &g = greys[i];
    EXPECT_NEAR(g.red, g.green, 0.12 * g.green + 4);
    EXPECT_NEAR(g.blue, g.green, 0.12 * g.green + 4);
    if (i > 0) {
      EXPECT_LT(g.green, greys[i - 1].green);
    }
  }
  // Falling patch by patch (above): nothing below white is clipped.
  EXPECT_GT(greys[0].green, 170) << "the white patch is too dark";
  EXPECT_GT(greys[3].green, 60) << "the middle grey is too dark";
  EXPECT_LT(greys[3].green, 190) << "the middle grey is too bright";
}

// The X server of the live-view test: Xvfb on a display number it picks
// itself, stopped when the test ends.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             static_cast<char *>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The number, then a line end, once the server accepts connections.
    std::string number;
    char c;
    while (pid_ > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string &Name() const { return name_; }  // empty when it did not start

 private:
  pid_t pid_ = -1;
  std::string name_;
};

bool OnPath(const char *program) { return RunTool("/bin/sh", "-c 'command -v " + std::string(program) + "'", "/").exitCode == 0; }

// A window dump as xwd writes it (header words big-endian; 24-bit TrueColor
// visual, 32 bits a pixel), as top-down RGB.
RgbImage ReadXwd(const fs::path &path) {
  const std::string file = ReadFile(path);
  RgbImage image;
  auto word = [&](size_t index) {
    const size_t at = index * 4;
    return static_cast<uint32_t>(static_cast<uint8_t>(file[at])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(file[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(file[at + 2])) << 8 | static_cast<uint32_t>(static_cast<uint8_t>(file[at + 3]));
  };
  if (file.size() < 100) return image;
  const uint32_t headerBytes = word(0), width = word(4), height = word(5), byteOrder = word(7);
  const uint32_t bitsPerPixel = word(11), bytesPerLine = word(12), colours = word(19);
  const uint32_t masks[3] = {word(14), word(15), word(16)};
  const size_t pixels = size_t{headerBytes} + size_t{colours} * 12;
  if (bitsPerPixel != 32 || file.size() < pixels + size_t{bytesPerLine} * height) return image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t *p = reinterpret_cast<const uint8_t *>(file.data()) + pixels + size_t{y} * bytesPerLine + 4 * x;
      const uint32_t value = byteOrder == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24)
                                            : (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
      for (uint32_t mask : masks) {
        uint32_t shift = 0;
        while (mask != 0 && ((mask >> shift) & 1) == 0) ++shift;
        image.rgb.push_back(static_cast<uint8_t>((value & mask) >> shift));
      }
    }
  }
  return image;
}

// Runs --view under Xvfb on the built-in scene and drives it by keys as a
// user would: the window shows exactly the frame the run writes under the
// same number, and the zoom key reaches the library (the log records it).
TEST_F(SorvexcamTest, TheLiveViewShowsTheFramesTheRunWritesAndItsKeysReachTheCamera) {
#ifndef SORVEXCAM_HAVE_SDL2
  GTEST_SKIP() << "built without SDL2: no live view";
#else
  const ToolResult headless = RunTool("/usr/bin/env", std::string("-u DISPLAY -u WAYLAND_DISPLAY '") + SORVEXCAM_BINARY +
                                                          "' --view --out out", dir_);
  EXPECT_EQ(headless.exitCode, 1) << headless.output;
  EXPECT_NE(headless.output.find("sorvexcam: --view needs a display"), std::string::npos) << headless.output;
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  for (const char *program : {"Xvfb", "xdotool", "xwd"}) {
    if (!OnPath(program)) GTEST_SKIP() << program << " is missing (scripts/test.sh installs it)";
  }
  const VirtualDisplay display;
  ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
  const std::string env = "DISPLAY=" + display.Name() + " ";
  auto x = [&](const std::string &command) { return RunTool("/usr/bin/env", env + command, dir_); };

  const std::string command = "cd '" + dir_.string() + "' && " + env +
                              "LSAN_OPTIONS=suppressions=" LIVE_VIEW_LSAN_SUPPRESSIONS " timeout 120 '" + SORVEXCAM_BINARY +
                              "' --view --speed full --size 320x240 --fps 10 --save all --out out 2>&1";
  std::FILE *tool = popen(command.c_str(), "r");
  ASSERT_NE(tool, nullptr);
  const ToolResult found = x("timeout 30 xdotool search --sync --name '^sorvexcam'");
  const std::string window = found.output.substr(0, found.output.find('\n'));
  // Polls the title until it holds `text`; the title then.
  auto waitForTitle = [&](const std::string &text) {
    std::string title;
    for (int i = 0; i < 300 && title.find(text) == std::string::npos; ++i) {
      usleep(100000);
      title = x("xdotool getwindowname " + window).output;
    }
    return title;
  };
  bool driven = false;
  std::string paused;
  if (found.exitCode == 0 && !window.empty()) {
    waitForTitle("frame 8 ");  // past the frames the start blanks
    x("xdotool key --window " + window + " plus");
    driven = waitForTitle("zoom 2 ").find("zoom 2 ") != std::string::npos;
    x("xdotool key --window " + window + " space");
    paused = waitForTitle("| paused");
    x("xwd -silent -id " + window + " -out shot.xwd");
    x("xdotool key --window " + window + " q");
  }
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, tool)) > 0) output.append(buffer, got);
  const int status = pclose(tool);
  ASSERT_TRUE(driven) << "the window or its zoom never showed: " << found.output << output;
  ASSERT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << output;

  ASSERT_NE(paused.find("| paused"), std::string::npos) << paused;
  const uint32_t shown = static_cast<uint32_t>(std::stoul(paused.substr(paused.find("frame ") + 6)));
  char name[32];
  std::snprintf(name, sizeof name, "frame_%04u.bmp", shown);
  const RgbImage written = ReadBmp(dir_ / "out" / name);
  const RgbImage screen = ReadXwd(dir_ / "shot.xwd");
  ASSERT_EQ(written.width, 320) << name;
  ASSERT_EQ(screen.width, 320);
  ASSERT_EQ(screen.height, 240);
  EXPECT_TRUE(screen.rgb == written.rgb) << "the window does not show " << name;

  // The key's request went in before a frame, and the log has the level
  // from that frame on; the paused frame is the last the run made.
  const auto rows = ReadLog(dir_ / "out" / "log.csv");
  ASSERT_EQ(rows.size(), shown + 1u);
  EXPECT_EQ(rows.front().at("zoom"), "0");
  EXPECT_EQ(rows.back().at("zoom"), "2");
  EXPECT_NE(output.find(": set zoom=2 (32 bytes)"), std::string::npos) << output;
#endif
}

}  // namespace
}  // namespace sorvexcam
