#pragma once

#include <string>
#include <unordered_map>

// The run's output folder and what the run knows of it. The pages ask
// whether a day's picture or an icon is there for every day cell and entry,
// over a hundred thousand times in a run of several years, nearly always
// about files that are not there. The folder is listed once when the run
// opens it; a name it did not hold is no file without asking the system,
// and a name the run has written or copied since (Forget, called for every
// file the run records) is looked up in the open folder, one step instead
// of a walk of its whole path.
namespace almanix::generator {

class BuildFolder {
 public:
  // path ends in "/"; a folder that cannot be opened is asked by path.
  explicit BuildFolder(std::string path);
  ~BuildFolder();
  BuildFolder(const BuildFolder&) = delete;
  BuildFolder& operator=(const BuildFolder&) = delete;

  // FileExists(path + name): a regular file, links followed.
  bool HasFile(const std::string& name);
  // The run wrote, copied or failed to write the file at path: its answer
  // is looked up anew.
  void Forget(const std::string& path);

 private:
  bool Look(const char* name) const;

  std::string path_;
  int fd_ = -1;
  enum class Kind : unsigned char { kFile, kOther, kAsk };
  // The folder's own names; none beyond them while listed_ holds.
  std::unordered_map<std::string, Kind> names_;
  bool listed_ = false;
};

}  // namespace almanix::generator
