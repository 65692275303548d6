#include "generator/build_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "app/file_util.h"

namespace almanix::generator {

BuildFolder::BuildFolder(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

BuildFolder::~BuildFolder() {
  if (fd_ >= 0) ::close(fd_);
}

bool BuildFolder::HasFile(const std::string& name) const {
  if (fd_ < 0) return FileExists(path_ + name);
  // The folder's path ends in "/", so a name's own leading slashes add
  // nothing to it; relative to the handle they would name the root.
  size_t from = 0;
  while (from < name.size() && name[from] == '/') ++from;
  if (from == name.size()) return false;  // the folder itself is no file
  struct stat st {};
  return ::fstatat(fd_, name.c_str() + from, &st, 0) == 0 && S_ISREG(st.st_mode);
}

}  // namespace almanix::generator
