#include "output_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

class OutputFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("sorvexcam_outputs_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
};

TEST_F(OutputFilesTest, FilesAppearOnlyWhenCommitted) {
  const std::string dir = (root_ / "out").string();
  std::string error;
  OutputFiles outputs;
  ASSERT_TRUE(outputs.Prepare(dir, &error)) << error;
  ASSERT_TRUE(outputs.WriteStaged(dir + "/log.csv", "a,b\n", 4, &error)) << error;
  std::ofstream(outputs.Stage(dir + "/frame.bmp")) << "BM";
  EXPECT_FALSE(fs::exists(dir + "/log.csv"));
  EXPECT_TRUE(fs::exists(dir + "/log.csv.part"));
  ASSERT_TRUE(outputs.Commit(&error)) << error;
  EXPECT_TRUE(fs::exists(dir + "/log.csv"));
  EXPECT_TRUE(fs::exists(dir + "/frame.bmp"));
  EXPECT_FALSE(fs::exists(dir + "/log.csv.part"));
  EXPECT_EQ(outputs.Committed().size(), 2u);
}

TEST_F(OutputFilesTest, AbandoningRemovesStagedFilesAndTheFolderItMadeButNothingElse) {
  const std::string made = (root_ / "made").string();
  std::string error;
  {
    OutputFiles outputs;
    ASSERT_TRUE(outputs.Prepare(made, &error)) << error;
    ASSERT_TRUE(outputs.WriteStaged(made + "/video.y4m", "YUV", 3, &error)) << error;
  }  // destroyed without a commit
  EXPECT_FALSE(fs::exists(made));

  // A folder that was there keeps its files, old outputs included.
  const fs::path existing = root_ / "existing";
  fs::create_directories(existing);
  std::ofstream(existing / "log.csv") << "old";
  OutputFiles outputs;
  ASSERT_TRUE(outputs.Prepare(existing.string(), &error)) << error;
  ASSERT_TRUE(outputs.WriteStaged((existing / "log.csv").string(), "new", 3, &error)) << error;
  outputs.Abandon();
  EXPECT_TRUE(fs::exists(existing));
  std::ifstream in(existing / "log.csv");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "old");
  EXPECT_FALSE(fs::exists(existing / "log.csv.part"));
}

TEST_F(OutputFilesTest, ReportsWhatCannotBeWritten) {
  std::ofstream(root_ / "plain") << "a file, not a folder";
  OutputFiles outputs;
  std::string error;
  EXPECT_FALSE(outputs.Prepare((root_ / "plain" / "out").string(), &error));
  EXPECT_NE(error.find("cannot create the folder"), std::string::npos) << error;
  EXPECT_FALSE(outputs.WriteStaged((root_ / "missing" / "x.csv").string(), "1", 1, &error));
  EXPECT_NE(error.find("x.csv.part: cannot be written"), std::string::npos) << error;
}

}  // namespace
}  // namespace sorvexcam
