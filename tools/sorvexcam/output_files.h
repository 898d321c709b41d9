// The files of one run, written under temporary names ("NAME.part") and
// renamed into place only when the whole run succeeded, so that a failed run
// leaves nothing half-written behind (and an output folder it created is
// removed again). The output folder is locked for the run, so that a second
// run into it is refused rather than mixing its files with this one's. A
// SIGINT or SIGTERM removes what is staged and ends the program with that
// signal; what was already put in place stays.
#pragma once

#include <string>
#include <vector>

namespace sorvexcam {

class OutputFiles {
 public:
  OutputFiles() = default;
  OutputFiles(const OutputFiles &) = delete;
  OutputFiles &operator=(const OutputFiles &) = delete;
  ~OutputFiles();  // abandons what was not committed

  // Creates the folder if needed and locks it. False, with a reason, when it
  // cannot, or when another run holds it.
  bool Prepare(const std::string &directory, std::string *error);
  // The path to write `finalPath` under until Commit(). A final path that is
  // a symbolic link is written through: the file it points to is replaced.
  std::string Stage(const std::string &finalPath);
  // Writes bytes to a staged file. False, with a reason, on an I/O error.
  bool WriteStaged(const std::string &finalPath, const void *data, size_t size, std::string *error);
  // Renames every staged file into place; a file that replaces another keeps
  // that one's permissions. On failure the reason tells which files were put
  // in place and which were not; those not are removed by Abandon().
  bool Commit(std::string *error);
  // Removes every staged file (and the folder if Prepare created it).
  void Abandon();

  const std::vector<std::string> &Committed() const { return committed_; }

  // Removes the staged files and the folder Prepare made with async-signal-
  // safe calls only: the signal handler's work.
  void RemoveStagedFromSignalHandler() const;

 private:
  struct StagedFile {
    std::string finalPath;  // as the run names it
    std::string target;     // the file it replaces: the final path with its links followed
    std::string part;       // the name it is written under
  };

  std::string createdDirectory_;
  int lockDescriptor_ = -1;
  std::vector<StagedFile> staged_;
  std::vector<std::string> committed_;
};

// "PATH: cannot be written", with the reason `errorNumber` gives when it
// gives one.
std::string CannotBeWritten(const std::string &path, int errorNumber);

}  // namespace sorvexcam
