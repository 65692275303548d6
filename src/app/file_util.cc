#include "app/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "app/text.h"

namespace almanix {
namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

// "what: reason", with the system's reason kept as the cause.
Status IoFailure(const std::string& what, int err) {
  return Status::IoError(what + ": " + ErrnoText(err)).WithCause(ErrnoText(err));
}

bool WriteAllFd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

Result<std::string> ReadFileBytes(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      return Status::NotFound("File not found: " + path);
    }
    return IoFailure("Cannot read " + path, err);
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Status::IoError("Cannot read " + path + ": it is a folder");
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return IoFailure("Cannot read " + path, err);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

Status WriteFileDirect(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    const int err = errno;
    return IoFailure("Cannot write " + path, err);
  }
  bool written = WriteAllFd(fd, bytes);
  int err = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    err = errno;
  }
  if (!written) return IoFailure("Cannot write " + path, err);
  return Status::Ok();
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string folder = ParentPath(path);
  if (folder.empty()) folder = "./";
  std::random_device rd;
  std::string temp = folder + "." + BaseName(path) + ".tmp" +
                     std::to_string(rd() % 1000000);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    return IoFailure("Cannot write " + path, err);
  }
  // Keep the mode of the file being replaced.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool written = WriteAllFd(fd, bytes);
  int err = errno;
  if (written && ::fsync(fd) != 0) {
    written = false;
    err = errno;
  }
  if (::close(fd) != 0 && written) {
    written = false;
    err = errno;
  }
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    if (written) err = errno;
    ::unlink(temp.c_str());
    return IoFailure("Cannot write " + path, err);
  }
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);  // best effort: the rename is already visible
    ::close(dfd);
  }
  return Status::Ok();
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::string SlashPath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::string WithTrailingSlash(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

std::string WithoutTrailingSlash(std::string_view path) {
  std::string out(path);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string BaseName(std::string_view path) {
  std::string p = WithoutTrailingSlash(path);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string StemName(std::string_view path) {
  std::string name = BaseName(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

std::string ParentPath(std::string_view path) {
  std::string p = WithoutTrailingSlash(path);
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return "";
  return p.substr(0, slash + 1);
}

std::string FindNoCase(const std::string& folder, std::string_view name) {
  std::string base = WithTrailingSlash(folder);
  if (PathExists(base + std::string(name))) return base + std::string(name);
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    if (EqualsIgnoreCase(entry->d_name, name)) {
      found = base + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace almanix
