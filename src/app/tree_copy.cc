#include "app/tree_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace almanix {
namespace {

class TreeCopier {
 public:
  // Copies name from the open folder `from` into the open folder `to`;
  // path is its name for messages.
  void Entry(int from, int to, const char* name, const std::string& path) {
    struct stat st {};
    if (::fstatat(from, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail(path, errno);
    if (S_ISDIR(st.st_mode)) return Folder(from, to, name, st.st_mode, path);
    if (S_ISLNK(st.st_mode)) return Link(from, to, name, path);
    if (S_ISREG(st.st_mode)) return File(from, to, name, st, path);
    // Sockets, pipes and devices have no place in a published site.
  }

  Status status() const { return status_; }

 private:
  void Fail(const std::string& path, int err) {
    if (!status_.ok()) return;
    const std::string reason = std::strerror(err);
    status_ = Status::IoError("Cannot copy " + path + ": " + reason).WithCause(reason);
  }

  void File(int from, int to, const char* name, const struct stat& st, const std::string& path) {
    const int in = ::openat(from, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return Fail(path, errno);
    const mode_t mode = st.st_mode & 07777;
    int out = ::openat(to, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (out < 0 && errno == EEXIST) {
      out = ::openat(to, name, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
      if (out >= 0) ::fchmod(out, mode);
    }
    if (out < 0) {
      const int err = errno;
      ::close(in);
      return Fail(path, err);
    }
    int err = Data(in, out, st.st_size);
    if (::close(out) != 0 && err == 0) err = errno;
    ::close(in);
    if (err != 0) Fail(path, err);
  }

  // 0 or the errno of the failure.
  static int Data(int in, int out, off_t size) {
    off_t left = size;
    while (left > 0) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        return errno;
      }
      if (n == 0) return 0;  // the file got shorter: what is there is copied
      left -= n;
      if (left == 0) return 0;
    }
    // Where the kernel cannot copy between these file systems: plain reads
    // and writes.
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (n == 0) return 0;
      for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
        if (w < 0) {
          if (errno == EINTR) continue;
          return errno;
        }
        done += w;
      }
    }
  }

  void Link(int from, int to, const char* name, const std::string& path) {
    std::vector<char> target(4096);
    const ssize_t n = ::readlinkat(from, name, target.data(), target.size() - 1);
    if (n < 0) return Fail(path, errno);
    target[static_cast<size_t>(n)] = '\0';
    if (::symlinkat(target.data(), to, name) == 0) return;
    if (errno != EEXIST) return Fail(path, errno);
    struct stat old {};
    // A folder in the link's place is left alone rather than emptied.
    if (::fstatat(to, name, &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(old.st_mode)) {
      return Fail(path, EISDIR);
    }
    if (::unlinkat(to, name, 0) != 0 || ::symlinkat(target.data(), to, name) != 0) {
      Fail(path, errno);
    }
  }

  void Folder(int from, int to, const char* name, mode_t mode, const std::string& path) {
    if (::mkdirat(to, name, mode & 07777) != 0 && errno != EEXIST) return Fail(path, errno);
    const int in = ::openat(from, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return Fail(path, errno);
    const int out = ::openat(to, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (out < 0) {
      const int err = errno;
      ::close(in);
      return Fail(path, err);
    }
    DIR* listing = ::fdopendir(in);
    if (!listing) {
      const int err = errno;
      ::close(in);
      ::close(out);
      return Fail(path, err);
    }
    while (const dirent* entry = ::readdir(listing)) {
      const std::string_view child = entry->d_name;
      if (child == "." || child == "..") continue;
      Entry(::dirfd(listing), out, entry->d_name, path + "/" + entry->d_name);
    }
    ::closedir(listing);
    ::close(out);
  }

  Status status_;
};

}  // namespace

Status CopyTreeEntry(const std::string& from_folder, const std::string& to_folder,
                     const std::string& name) {
  const int from = ::open(from_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (from < 0) {
    const std::string reason = std::strerror(errno);
    return Status::IoError("Cannot copy " + from_folder + name + ": " + reason).WithCause(reason);
  }
  const int to = ::open(to_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (to < 0) {
    const std::string reason = std::strerror(errno);
    ::close(from);
    return Status::IoError("Cannot copy " + to_folder + name + ": " + reason).WithCause(reason);
  }
  TreeCopier copier;
  std::string path = to_folder;
  if (!path.empty() && path.back() != '/') path += '/';
  copier.Entry(from, to, name.c_str(), path + name);
  ::close(from);
  ::close(to);
  return copier.status();
}

}  // namespace almanix
