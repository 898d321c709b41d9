// The files of one run, written under temporary names ("NAME.part") and
// renamed into place only when the whole run succeeded, so that a failed run
// leaves nothing half-written behind (and an output folder it created is
// removed again).
#pragma once

#include <string>
#include <vector>

namespace sorvexcam {

class OutputFiles {
 public:
  ~OutputFiles();  // abandons what was not committed

  // Creates the folder if needed. False, with a reason, when it cannot.
  bool Prepare(const std::string &directory, std::string *error);
  // The path to write `finalPath` under until Commit().
  std::string Stage(const std::string &finalPath);
  // Writes bytes to a staged file. False, with a reason, on an I/O error.
  bool WriteStaged(const std::string &finalPath, const void *data, size_t size, std::string *error);
  // Renames every staged file into place.
  bool Commit(std::string *error);
  // Removes every staged file (and the folder if Prepare created it).
  void Abandon();

  const std::vector<std::string> &Committed() const { return committed_; }

 private:
  std::string createdDirectory_;
  std::vector<std::string> staged_;
  std::vector<std::string> committed_;
};

}  // namespace sorvexcam
