// Top-level windows and started programs, kept in the state file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "host_test_support.h"
#include "hostwin32/host_control.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {
namespace {

class WindowsTest : public ::testing::Test {
 protected:
  hostwin32::Win32State State() {
    hostwin32::Win32State state;
    std::string error;
    EXPECT_TRUE(hostwin32::LoadWin32State(machine_.StateFile(), &state, &error)) << error;
    return state;
  }

  void Save(const hostwin32::Win32State &state) {
    std::string error;
    ASSERT_TRUE(hostwin32::SaveWin32State(machine_.StateFile(), state, &error)) << error;
  }

  HostMachineEnvironment machine_;
};

TEST_F(WindowsTest, FindWindowMatchesClassAndTitle) {
  hostwin32::Win32State state;
  uint32_t notepad = state.AddWindow("Notepad", "Trevique");
  uint32_t other = state.AddWindow("#32770", "Other");
  uint32_t companion = state.AddWindow("#32770", "Trevique");
  Save(state);
  EXPECT_EQ(companion, reinterpret_cast<uintptr_t>(FindWindowA("#32770", "trevique")));
  EXPECT_EQ(notepad, reinterpret_cast<uintptr_t>(FindWindowA(nullptr, "Trevique")));
  EXPECT_EQ(other, reinterpret_cast<uintptr_t>(FindWindowA("#32770", nullptr)));
  EXPECT_EQ(nullptr, FindWindowA("#32770", "Missing"));
}

TEST_F(WindowsTest, CloseRemovesTheWindowAndOtherMessagesDoNot) {
  hostwin32::Win32State state;
  state.AddWindow("#32770", "Other");
  state.AddWindow("#32770", "Trevique");
  Save(state);
  HWND companion = FindWindowA("#32770", "Trevique");
  SendMessageA(companion, 0x000C /* WM_SETTEXT */, 0, 0);
  EXPECT_EQ(2u, State().windows.size());
  SendMessageA(companion, WM_CLOSE, 0, 0);
  hostwin32::Win32State after = State();
  ASSERT_EQ(1u, after.windows.size());
  EXPECT_EQ("Other", after.windows[0].title);
  EXPECT_EQ(nullptr, FindWindowA("#32770", "Trevique"));
  SendMessageA(companion, WM_CLOSE, 0, 0);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST_F(WindowsTest, WinExecStartsProgramsThatExist) {
  WriteHostFile(machine_.Root() + "/Program Files/Setup Dir/setup.exe", "MZ");
  WriteHostFile(machine_.Root() + "/Tools/run.exe", "MZ");
  // An unquoted path with blanks is found as Windows finds it.
  EXPECT_GT(WinExec("C:\\Program Files\\Setup Dir\\setup.exe", SW_SHOW), 31u);
  EXPECT_GT(WinExec("\"C:\\tools\\RUN.EXE\" /quiet", SW_HIDE), 31u);
  EXPECT_GT(WinExec("C:\\tools\\run -x", SW_SHOWNORMAL), 31u);
  EXPECT_EQ(static_cast<UINT>(ERROR_FILE_NOT_FOUND), WinExec("C:\\Program Files\\none.exe", SW_SHOW));
  std::vector<hostwin32::StartedProgram> started = State().started;
  ASSERT_EQ(3u, started.size());
  EXPECT_EQ("C:\\Program Files\\Setup Dir\\setup.exe", started[0].commandLine);
  EXPECT_EQ(static_cast<uint32_t>(SW_SHOW), started[0].showCommand);
  EXPECT_EQ("\"C:\\tools\\RUN.EXE\" /quiet", started[1].commandLine);
  EXPECT_EQ(static_cast<uint32_t>(SW_HIDE), started[1].showCommand);
  EXPECT_EQ("C:\\tools\\run -x", started[2].commandLine);
}

// Limits the size of the files this process writes, as a full disk would,
// while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_;
  void (*previousHandler_)(int);
};

TEST_F(WindowsTest, AFailedWriteKeepsTheStateFileAsItWas) {
  hostwin32::Win32State state;
  state.AddWindow("#32770", "Other");
  state.AddWindow("#32770", "Trevique");
  state.started.push_back(hostwin32::StartedProgram{SW_SHOW, "C:\\setup.exe"});
  Save(state);
  const std::string before = ReadHostFile(machine_.StateFile());
  {
    FileSizeLimit limit(16);
    SendMessageA(FindWindowA("#32770", "Trevique"), WM_CLOSE, 0, 0);
    std::string error;
    EXPECT_FALSE(hostwin32::SaveWin32State(machine_.StateFile(), state, &error));
    EXPECT_NE(std::string::npos, error.find("cannot be written: File too large")) << error;
  }
  EXPECT_EQ(before, ReadHostFile(machine_.StateFile()));
  EXPECT_EQ(2u, State().windows.size());
}

TEST_F(WindowsTest, MalformedStateFileIsReported) {
  WriteHostFile(machine_.StateFile(), "window\t1\t#32770\tTrevique\nwindow\tx\t#32770\tOther\n");
  hostwin32::Win32State state;
  std::string error;
  EXPECT_FALSE(hostwin32::LoadWin32State(machine_.StateFile(), &state, &error));
  EXPECT_NE(std::string::npos, error.find("line 2"));
  EXPECT_EQ(nullptr, FindWindowA("#32770", "Trevique"));
}

}  // namespace
}  // namespace hostwin32_test
