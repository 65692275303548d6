#include "app/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

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
  // Known size, one buffer: growing it by doubling copied a large file twice.
  if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
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
  return WriteFileDirectAt(AT_FDCWD, path, bytes, path);
}

Status WriteFileDirectAt(int folder_fd, const std::string& name, std::string_view bytes,
                         const std::string& path) {
  int fd = ::openat(folder_fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                    0644);
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

namespace {
constexpr size_t kSinkPart = size_t{1} << 20;
}  // namespace

FileSink::FileSink(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) error_ = errno;
  buffer_.reserve(kSinkPart);
}

FileSink::~FileSink() {
  if (fd_ >= 0) ::close(fd_);
}

void FileSink::Append(std::string_view bytes) {
  if (error_ != 0) return;
  if (buffer_.size() + bytes.size() > kSinkPart) {
    Flush();
    if (bytes.size() >= kSinkPart) {  // a large part goes out without a copy
      if (error_ == 0 && !WriteAllFd(fd_, bytes)) error_ = errno ? errno : EIO;
      return;
    }
  }
  buffer_.append(bytes);
}

void FileSink::Flush() {
  if (error_ == 0 && !buffer_.empty() && !WriteAllFd(fd_, buffer_)) error_ = errno ? errno : EIO;
  buffer_.clear();
}

Status FileSink::Finish() {
  if (!finished_) {
    finished_ = true;
    Flush();
    if (fd_ >= 0) {
      if (::close(fd_) != 0 && error_ == 0) error_ = errno;
      fd_ = -1;
    }
  }
  if (error_ != 0) return IoFailure("Cannot write " + path_, error_);
  return Status::Ok();
}

namespace {

// private_file: 0600 from the first byte on, whatever the old file had;
// otherwise the mode of the file being replaced (0644 for a new one).
Status WriteAtomically(const std::string& path, std::string_view bytes, bool private_file) {
  std::string folder = ParentPath(path);
  if (folder.empty()) folder = "./";
  std::random_device rd;
  std::string temp = folder + "." + BaseName(path) + ".tmp" +
                     std::to_string(rd() % 1000000);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  private_file ? 0600 : 0644);
  if (fd < 0) {
    const int err = errno;
    return IoFailure("Cannot write " + path, err);
  }
  struct stat old {};
  if (private_file) {
    ::fchmod(fd, 0600);  // the umask may only take bits away; make it exact
  } else if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  }
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

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteAtomically(path, bytes, false);
}

Status WritePrivateFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteAtomically(path, bytes, true);
}

bool PrivateFileHolds(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              (st.st_mode & 07777) == 0600 &&
              static_cast<std::uint64_t>(st.st_size) == bytes.size();
  std::string held(same ? bytes.size() : 0, '\0');
  size_t got = 0;
  while (same && got < held.size()) {
    const ssize_t n = ::read(fd, held.data() + got, held.size() - got);
    if (n <= 0) same = false;
    if (n > 0) got += static_cast<size_t>(n);
  }
  ::close(fd);
  return same && held == bytes;
}

Status EnsurePrivateDir(const std::string& folder) {
  const std::string path = WithoutTrailingSlash(folder);
  std::string part;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    part = path.substr(0, i);
    // Parents made on the way are private too: they hold nothing else yet.
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return Status::IoError("Cannot create " + part + ": " + ErrnoText(errno));
    }
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return Status::IoError(path + " is not a folder");
  }
  if (st.st_uid != ::geteuid()) return Status::IoError(path + " belongs to another user");
  if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
    return Status::IoError("Cannot make " + path + " private: " + ErrnoText(errno));
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

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  std::error_code ec;
  const std::string p = WithTrailingSlash(std::filesystem::weakly_canonical(path, ec).string());
  if (ec) return false;
  const std::string f = WithTrailingSlash(std::filesystem::weakly_canonical(folder, ec).string());
  if (ec || f.empty()) return false;
  return p.compare(0, f.size(), f) == 0;
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
