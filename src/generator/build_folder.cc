#include "generator/build_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <utility>

#include "app/file_util.h"

namespace almanix::generator {

BuildFolder::BuildFolder(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  const int list_fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (list_fd < 0) return;
  DIR* listing = ::fdopendir(list_fd);
  if (!listing) {
    ::close(list_fd);
    return;
  }
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    // A link or a kind the folder does not tell is asked when it matters.
    Kind kind = Kind::kAsk;
    if (entry->d_type == DT_REG) kind = Kind::kFile;
    if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
      kind = Kind::kOther;
    }
    names_.emplace(std::string(name), kind);
  }
  ::closedir(listing);
  listed_ = true;
}

BuildFolder::~BuildFolder() {
  if (fd_ >= 0) ::close(fd_);
}

bool BuildFolder::Look(const char* name) const {
  struct stat st {};
  return ::fstatat(fd_, name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

bool BuildFolder::HasFile(const std::string& name) {
  if (fd_ < 0) return FileExists(path_ + name);
  // The folder's path ends in "/", so a name's own leading slashes add
  // nothing to it; relative to the handle they would name the root.
  size_t from = 0;
  while (from < name.size() && name[from] == '/') ++from;
  if (from == name.size()) return false;  // the folder itself is no file
  const char* relative = name.c_str() + from;
  // A name in a subfolder is rare (an icon's own folder) and is not kept:
  // the run's records are kept by the folder's own names only.
  if (name.find('/', from) != std::string::npos) return Look(relative);
  auto known = names_.find(std::string(relative));
  if (known == names_.end()) {
    if (listed_) return false;
    known = names_.emplace(std::string(relative), Kind::kAsk).first;
  }
  if (known->second == Kind::kAsk) known->second = Look(relative) ? Kind::kFile : Kind::kOther;
  return known->second == Kind::kFile;
}

void BuildFolder::Forget(const std::string& path) {
  if (path.compare(0, path_.size(), path_) != 0) return;
  size_t from = path_.size();
  while (from < path.size() && path[from] == '/') ++from;
  // A file in a subfolder changes no answer kept (see HasFile), but it may
  // have made the subfolder.
  const size_t slash = path.find('/', from);
  const std::string name =
      path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
  if (!name.empty()) names_[name] = Kind::kAsk;
}

}  // namespace almanix::generator
