// The C: drive on the host: path mapping, directories, attributes, deletion
// and text-mode reading.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "host_test_support.h"
#include "hostwin32/host_control.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  std::string Map(const std::string &windowsPath, uint32_t expectedError = ERROR_SUCCESS) {
    std::string hostPath;
    EXPECT_EQ(expectedError, hostwin32::MapWindowsPath(windowsPath, &hostPath)) << windowsPath;
    return hostPath;
  }

  HostMachineEnvironment machine_;
};

TEST_F(FilesTest, PathsResolveAgainstTheDirectoryInAnyCase) {
  WriteHostFile(machine_.Root() + "/Windows/System32/Drivers/a.SYS", "x");
  std::string driver = machine_.Root() + "/Windows/System32/Drivers/a.SYS";
  EXPECT_EQ(driver, Map("C:\\WINDOWS\\system32\\drivers\\A.sys"));
  EXPECT_EQ(driver, Map("c:/windows/SYSTEM32//drivers/./a.sys"));
  EXPECT_EQ(driver, Map("\\windows\\system32\\drivers\\a.sys"));
  // Windows drops trailing dots and blanks of a name.
  EXPECT_EQ(driver, Map("C:\\WINDOWS\\system32\\drivers\\a.sys. "));
  // A missing last component keeps its spelling, for creating it.
  EXPECT_EQ(machine_.Root() + "/Windows/New.txt", Map("C:\\WINDOWS\\New.txt"));
  EXPECT_EQ(machine_.Root(), Map("C:\\"));
  // ".." never leaves the drive.
  EXPECT_EQ(machine_.Root() + "/x.dll", Map("C:\\WINDOWS\\..\\..\\..\\x.dll"));
}

TEST_F(FilesTest, PathsOffTheDriveOrThroughMissingDirectoriesFail) {
  WriteHostFile(machine_.Root() + "/file.txt", "x");
  Map("D:\\WINDOWS", ERROR_PATH_NOT_FOUND);
  Map("WINDOWS\\inf", ERROR_PATH_NOT_FOUND);
  Map("C:WINDOWS", ERROR_PATH_NOT_FOUND);
  Map("\\\\server\\share\\x", ERROR_PATH_NOT_FOUND);
  Map("C:\\missing\\x", ERROR_PATH_NOT_FOUND);
  Map("C:\\file.txt\\x", ERROR_PATH_NOT_FOUND);
  Map("C:\\a<b", ERROR_INVALID_NAME);
  Map("C:\\stream:name", ERROR_INVALID_NAME);
  unsetenv(hostwin32::kWinRootVariable);
  Map("C:\\file.txt", ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, WindowsAndSystemDirectories) {
  char buffer[64];
  EXPECT_EQ(10u, GetWindowsDirectoryA(buffer, sizeof buffer));
  EXPECT_STREQ("C:\\WINDOWS", buffer);
  EXPECT_EQ(19u, GetSystemDirectoryA(buffer, sizeof buffer));
  EXPECT_STREQ("C:\\WINDOWS\\system32", buffer);
  // Too small: the size needed with the terminator, buffer untouched.
  buffer[0] = '!';
  EXPECT_EQ(20u, GetSystemDirectoryA(buffer, 19));
  EXPECT_EQ('!', buffer[0]);
}

TEST_F(FilesTest, ReadOnlyAttributeIsTheWritePermission) {
  std::string hostPath = machine_.Root() + "/WINDOWS/a.dll";
  WriteHostFile(hostPath, "x", true);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), GetFileAttributesA("C:\\windows\\A.DLL"));
  EXPECT_TRUE(SetFileAttributesA("C:\\windows\\A.DLL", FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(HostFileIsReadOnly(hostPath));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesA("C:\\windows\\A.DLL"));
  EXPECT_TRUE(SetFileAttributesA("C:\\windows\\A.DLL", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(HostFileIsReadOnly(hostPath));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA("C:\\Windows"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\windows\\none.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(SetFileAttributesA("C:\\windows\\none.dll", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FilesTest, DeleteRefusesReadOnlyFilesAndDirectories) {
  std::string hostPath = machine_.Root() + "/WINDOWS/a.sys";
  WriteHostFile(hostPath, "x", true);
  EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\A.SYS"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(HostFileExists(hostPath));
  EXPECT_FALSE(DeleteFileA("C:\\WINDOWS"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

  ASSERT_TRUE(SetFileAttributesA("C:\\WINDOWS\\A.SYS", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\A.SYS"));
  EXPECT_FALSE(HostFileExists(hostPath));
  EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\A.SYS"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\missing\\A.SYS"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(FilesTest, AttributesAndDeletionActOnALinkNeverOnWhatItPointsTo) {
  TempDirectory outside;
  std::string target = outside.Path() + "/secret";
  WriteHostFile(target, "x");
  ASSERT_EQ(0, chmod(target.c_str(), 0600));
  std::string link = machine_.Root() + "/WINDOWS/system32/drivers/a.sys";
  WriteHostFile(link, "placeholder");
  std::filesystem::remove(link);
  std::filesystem::create_symlink(target, link);

  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL),
            GetFileAttributesA("C:\\WINDOWS\\system32\\drivers\\a.sys"));
  EXPECT_TRUE(SetFileAttributesA("C:\\WINDOWS\\system32\\drivers\\a.sys", FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(SetFileAttributesA("C:\\WINDOWS\\system32\\drivers\\a.sys", FILE_ATTRIBUTE_READONLY));
  struct stat info;
  ASSERT_EQ(0, stat(target.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777u);

  EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\system32\\drivers\\a.sys"));
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_EQ("x", ReadHostFile(target));
}

std::string ReadAll(FILE *file) {
  std::string text;
  char buffer[4];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  fclose(file);
  return text;
}

TEST_F(FilesTest, OpenReadsTextModeAsTheWindowsRuntime) {
  std::string raw = std::string("one\r\ntwo\rthree\r\n\r\n") + '\x1A' + "after";
  WriteHostFile(machine_.Root() + "/WINDOWS/inf/OEM1.inf", raw);
  FILE *text = HostOpenFileA("C:\\windows\\INF\\oem1.INF", "r");
  ASSERT_NE(nullptr, text);
  EXPECT_EQ("one\ntwo\rthree\n\n", ReadAll(text));
  FILE *binary = HostOpenFileA("C:\\windows\\INF\\oem1.INF", "rb");
  ASSERT_NE(nullptr, binary);
  EXPECT_EQ(raw, ReadAll(binary));
  EXPECT_EQ(nullptr, HostOpenFileA("C:\\windows\\INF\\oem2.inf", "r"));
  EXPECT_EQ(nullptr, HostOpenFileA("D:\\oem1.inf", "r"));
}

}  // namespace
}  // namespace hostwin32_test
