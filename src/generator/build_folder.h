#pragma once

#include <string>

// The run's output folder held open. The pages ask whether a picture or an
// icon is there for every day cell and entry (tens of thousands of times in
// a run of several years); a name looked up in an open folder costs one step
// instead of a walk of the folder's whole path.
namespace almanix::generator {

class BuildFolder {
 public:
  // path ends in "/"; a folder that cannot be opened is asked by path.
  explicit BuildFolder(std::string path);
  ~BuildFolder();
  BuildFolder(const BuildFolder&) = delete;
  BuildFolder& operator=(const BuildFolder&) = delete;

  // FileExists(path + name): a regular file, links followed.
  bool HasFile(const std::string& name) const;

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace almanix::generator
