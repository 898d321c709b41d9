#include "test_machine.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

extern char **environ;

namespace hostwin32_test {
namespace {

namespace fs = std::filesystem;

// This process's environment without the layer's variables, plus `extra`.
std::vector<std::string> ChildEnvironment(const std::vector<std::string> &extra) {
  std::vector<std::string> environment;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "SORVEX_", 7) != 0) environment.push_back(*entry);
  }
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

std::vector<char *> PointerList(std::vector<std::string> &strings) {
  std::vector<char *> pointers;
  for (std::string &text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs a program without arguments, its output going to a file.
int RunProgram(const std::string &program, std::vector<std::string> environment,
               const std::string &outputPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> arguments = {program};
  std::vector<char *> argv = PointerList(arguments);
  std::vector<char *> envp = PointerList(environment);
  pid_t pid;
  int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string DescribeFileChanges(const FileTree &expected, const FileTree &actual) {
  std::string changes;
  for (const auto &[path, entry] : expected) {
    auto found = actual.find(path);
    if (found == actual.end()) {
      changes += "  deleted unexpectedly: " + path + "\n";
    } else if (!(found->second == entry)) {
      changes += "  changed: " + path + "\n";
    }
  }
  for (const auto &[path, entry] : actual) {
    if (expected.count(path) == 0) changes += "  present: " + path + "\n";
  }
  return changes;
}

}  // namespace

TestMachine::TestMachine() { fs::create_directories(Root()); }

void TestMachine::AddFile(const std::string &path, const std::string &content, bool readOnly) {
  WriteHostFile(Root() + "/" + path, content, readOnly);
}

int TestMachine::Run() {
  std::string registryFile = directory_.Path() + "/registry.reg";
  std::string stateFile = directory_.Path() + "/state.txt";
  std::string error;
  EXPECT_TRUE(registry_.SaveFile(registryFile, &error)) << error;
  EXPECT_TRUE(hostwin32::SaveWin32State(stateFile, state_, &error)) << error;
  registryBefore_ = registry_.SaveText();
  filesBefore_ = ReadFileTree();
  return RunProgram(UNINSTALL_BINARY,
                    ChildEnvironment({std::string(hostwin32::kWinRootVariable) + "=" + Root(),
                                      std::string(hostwin32::kRegistryFileVariable) + "=" + registryFile,
                                      std::string(hostwin32::kStateFileVariable) + "=" + stateFile}),
                    directory_.Path() + "/output.txt");
}

std::string TestMachine::Output() const { return ReadHostFile(directory_.Path() + "/output.txt"); }

FileTree TestMachine::ReadFileTree() const {
  FileTree tree;
  for (const fs::directory_entry &entry : fs::recursive_directory_iterator(Root())) {
    FileEntry file;
    file.directory = entry.is_directory();
    file.readOnly = HostFileIsReadOnly(entry.path().string());
    if (!file.directory) file.content = ReadHostFile(entry.path().string());
    tree[fs::relative(entry.path(), Root()).generic_string()] = file;
  }
  return tree;
}

void TestMachine::ExpectFilesDeletedExactly(const std::set<std::string> &deleted) const {
  FileTree expected = filesBefore_;
  for (const std::string &path : deleted) {
    EXPECT_EQ(1u, expected.erase(path)) << "the test machine has no " << path;
  }
  FileTree actual = ReadFileTree();
  EXPECT_TRUE(expected == actual) << "files differ from the expected:\n"
                                  << DescribeFileChanges(expected, actual);
}

void TestMachine::ExpectRegistryDeletedExactly(
    const std::vector<std::string> &deletedKeys,
    const std::vector<std::pair<std::string, std::string>> &deletedValues) const {
  hostkernel::RegistryStore expected;
  std::string error;
  ASSERT_TRUE(expected.LoadText(registryBefore_, &error)) << error;
  for (const std::string &key : deletedKeys) {
    EXPECT_TRUE(expected.DeleteKey(key)) << "the test machine has no key " << key;
  }
  for (const auto &[key, value] : deletedValues) {
    hostkernel::RegistryKey *holder = expected.FindKey(key);
    EXPECT_TRUE(holder != nullptr && expected.DeleteValue(holder, value))
        << "the test machine has no value " << key << " " << value;
  }
  auto actual = LoadRegistry(directory_.Path() + "/registry.reg");
  EXPECT_TRUE(expected.SameTree(*actual)) << "expected registry:\n"
                                          << expected.SaveText() << "\nactual registry:\n"
                                          << actual->SaveText();
}

hostwin32::Win32State TestMachine::StateAfter() const {
  hostwin32::Win32State state;
  std::string error;
  EXPECT_TRUE(hostwin32::LoadWin32State(directory_.Path() + "/state.txt", &state, &error)) << error;
  return state;
}

}  // namespace hostwin32_test
