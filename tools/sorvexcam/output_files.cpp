#include "output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hostkernel/file_replace.h"

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

// The outputs of the run, for the signal handler; there is one per program.
const OutputFiles *theOutputs = nullptr;
constexpr int kStopSignals[] = {SIGINT, SIGTERM};
struct sigaction previousActions[2];

void OnStopSignal(int signalNumber) {
  if (theOutputs != nullptr) theOutputs->RemoveStagedFromSignalHandler();
  // Ends the program with the signal, as if there were no handler.
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void InstallStopHandlers(const OutputFiles *outputs) {
  theOutputs = outputs;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < 2; ++i) {
    sigaction(kStopSignals[i], nullptr, &previousActions[i]);
    // A signal the program was started with ignored (a background job's
    // SIGINT) stays ignored.
    if (previousActions[i].sa_handler != SIG_IGN) sigaction(kStopSignals[i], &action, nullptr);
  }
}

void RemoveStopHandlers() {
  for (size_t i = 0; i < 2; ++i) sigaction(kStopSignals[i], &previousActions[i], nullptr);
  theOutputs = nullptr;
}

// Keeps the signal handler from reading the staged list while it changes.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signalNumber : kStopSignals) sigaddset(&signals, signalNumber);
    pthread_sigmask(SIG_BLOCK, &signals, &previous_);
  }
  ~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

std::string JoinFinalPaths(std::vector<std::string>::const_iterator begin,
                           std::vector<std::string>::const_iterator end) {
  std::string text;
  for (auto it = begin; it != end; ++it) text += (text.empty() ? "" : ", ") + *it;
  return text;
}

}  // namespace

std::string CannotBeWritten(const std::string &path, int errorNumber) {
  return path + ": cannot be written" + (errorNumber != 0 ? std::string(": ") + std::strerror(errorNumber) : "");
}

OutputFiles::~OutputFiles() {
  Abandon();
  if (theOutputs == this) RemoveStopHandlers();
  if (lockDescriptor_ >= 0) close(lockDescriptor_);
}

bool OutputFiles::Prepare(const std::string &directory, std::string *error) {
  std::error_code code;
  if (!fs::is_directory(directory, code)) {
    if (!fs::create_directories(directory, code)) {
      *error = directory + ": cannot create the folder (" + code.message() + ")";
      return false;
    }
    createdDirectory_ = directory;
  }
  // The lock goes with the descriptor: it ends with the program, however
  // that ends.
  lockDescriptor_ = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lockDescriptor_ < 0 || flock(lockDescriptor_, LOCK_EX | LOCK_NB) != 0) {
    const int reason = errno;
    // The folder stays even if this run made it: the run that holds it may
    // have made it its own in the meantime.
    createdDirectory_.clear();
    *error = reason == EWOULDBLOCK ? directory + ": another sorvexcam run is writing to this folder"
                                   : directory + ": cannot lock the folder (" + std::strerror(reason) + ")";
    return false;
  }
  InstallStopHandlers(this);
  return true;
}

std::string OutputFiles::Stage(const std::string &finalPath) {
  for (const StagedFile &file : staged_) {
    if (file.finalPath == finalPath) return file.part;
  }
  StagedFile file;
  file.finalPath = finalPath;
  file.target = hostkernel::FollowLinks(finalPath);
  file.part = file.target + ".part";
  StopSignalsBlocked blocked;
  staged_.push_back(file);
  return staged_.back().part;
}

bool OutputFiles::WriteStaged(const std::string &finalPath, const void *data, size_t size, std::string *error) {
  const std::string path = Stage(finalPath);
  std::FILE *file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr && std::fwrite(data, 1, size, file) == size;
  int reason = ok ? 0 : errno;
  if (file != nullptr && std::fclose(file) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (!ok) *error = CannotBeWritten(path, reason);
  return ok;
}

bool OutputFiles::Commit(std::string *error) {
  const size_t committedBefore = committed_.size();
  for (size_t i = 0; i < staged_.size(); ++i) {
    const StagedFile &file = staged_[i];
    hostkernel::KeepPermissions(file.target, file.part);
    std::error_code code;
    fs::rename(file.part, file.target, code);
    if (!code) {
      committed_.push_back(file.finalPath);
      continue;
    }
    *error = file.finalPath + ": cannot be put in place (" + code.message() + ")";
    if (committed_.size() > committedBefore) {
      std::vector<std::string> notPut;
      for (size_t j = i; j < staged_.size(); ++j) notPut.push_back(staged_[j].finalPath);
      *error += "; put in place: " + JoinFinalPaths(committed_.begin() + static_cast<std::ptrdiff_t>(committedBefore),
                                                    committed_.end()) +
                "; not written: " + JoinFinalPaths(notPut.begin(), notPut.end());
    }
    StopSignalsBlocked blocked;
    staged_.erase(staged_.begin(), staged_.begin() + static_cast<std::ptrdiff_t>(i));
    return false;
  }
  StopSignalsBlocked blocked;
  staged_.clear();
  createdDirectory_.clear();
  return true;
}

void OutputFiles::Abandon() {
  std::error_code code;
  for (const StagedFile &file : staged_) fs::remove(file.part, code);
  StopSignalsBlocked blocked;
  staged_.clear();
  // Only an empty folder goes: a committed file or anything else keeps it.
  if (!createdDirectory_.empty()) fs::remove(createdDirectory_, code);
  createdDirectory_.clear();
}

void OutputFiles::RemoveStagedFromSignalHandler() const {
  for (const StagedFile &file : staged_) unlink(file.part.c_str());
  if (!createdDirectory_.empty()) rmdir(createdDirectory_.c_str());
}

}  // namespace sorvexcam
