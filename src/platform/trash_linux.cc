#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/file_util.h"
#include "platform/places.h"

namespace almanix::platform {
namespace {

std::string PercentEncode(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-_.~!$&'()*+,;=:@", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool MakeDir(const std::string& path, mode_t mode) {
  return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

bool PrepareTrash(const std::string& trash) {
  std::string t = WithoutTrailingSlash(trash);
  std::string parent = ParentPath(t);
  std::string p;
  for (size_t i = 1; i < parent.size(); ++i) {
    if (parent[i] == '/') MakeDir(parent.substr(0, i), 0755);
  }
  return MakeDir(t, 0700) && MakeDir(t + "/files", 0700) &&
         MakeDir(t + "/info", 0700);
}

dev_t DeviceOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return 0;
  return st.st_dev;
}

// The top folder of the mount holding path.
std::string MountTop(const std::string& path) {
  dev_t dev = DeviceOf(path);
  std::string current = WithoutTrailingSlash(path);
  for (;;) {
    std::string parent = WithoutTrailingSlash(ParentPath(current));
    if (parent.empty() || parent == current) return "/";
    if (DeviceOf(parent) != dev) return current;
    if (parent == "/") return "/";
    current = parent;
  }
}

}  // namespace

Status FreedesktopTrash::MoveToTrash(const std::string& raw_path) {
  std::string path = WithoutTrailingSlash(raw_path);
  if (!PathExists(path)) return Status::NotFound("Not found: " + path);
  // Absolute, with the folder resolved but the entry itself not followed.
  char resolved[PATH_MAX];
  std::string parent = ParentPath(path);
  if (parent.empty()) parent = "./";
  if (::realpath(parent.c_str(), resolved) == nullptr) {
    return Status::IoError("Cannot trash " + path + ": " + std::strerror(errno));
  }
  std::string absolute = WithTrailingSlash(resolved) + BaseName(path);
  if (absolute == "/" || BaseName(path).empty()) {
    return Status::Invalid("Cannot trash " + path);
  }

  std::string trash = home_trash_;
  if (trash.empty()) {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    trash = (data_home && *data_home ? std::string(data_home)
                                     : HomeDir() + "/.local/share") +
            "/Trash";
  }
  trash = WithoutTrailingSlash(trash);
  std::string info_path_prefix;  // how Path= is written
  if (!PrepareTrash(trash) || DeviceOf(trash) != DeviceOf(absolute)) {
    std::string top = MountTop(absolute);
    trash = WithoutTrailingSlash(top) + "/.Trash-" + std::to_string(::geteuid());
    if (!PrepareTrash(trash)) {
      return Status::IoError("Cannot trash " + path + ": no trash folder");
    }
    info_path_prefix = WithTrailingSlash(top);
  }
  std::string recorded = absolute;
  if (!info_path_prefix.empty() && info_path_prefix != "/" &&
      recorded.rfind(info_path_prefix, 0) == 0) {
    recorded = recorded.substr(info_path_prefix.size());
  }

  char stamp[32];
  std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  std::string info = "[Trash Info]\nPath=" + PercentEncode(recorded) +
                     "\nDeletionDate=" + stamp + "\n";

  std::string base = BaseName(absolute);
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? base : base + "." + std::to_string(n);
    std::string info_file = trash + "/info/" + name + ".trashinfo";
    // The info file is claimed first, with O_EXCL, so two deletions never
    // pick the same name.
    int fd = ::open(info_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Status::IoError("Cannot trash " + path + ": " + std::strerror(errno));
    }
    bool ok = ::write(fd, info.data(), info.size()) ==
              static_cast<ssize_t>(info.size());
    ::close(fd);
    std::string target = trash + "/files/" + name;
    if (ok && !PathExists(target) &&
        ::rename(absolute.c_str(), target.c_str()) == 0) {
      return Status::Ok();
    }
    int err = errno;
    ::unlink(info_file.c_str());
    if (ok && PathExists(target)) continue;
    return Status::IoError("Cannot trash " + path + ": " + std::strerror(err));
  }
  return Status::IoError("Cannot trash " + path + ": trash is full");
}

}  // namespace almanix::platform
