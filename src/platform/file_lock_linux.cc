#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace almanix::platform {

FileLock::FileLock(FileLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Result<FileLock> FileLock::Acquire(const std::string& path,
                                   std::chrono::milliseconds wait,
                                   bool create) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  for (;;) {
    int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) {
      int err = errno;
      if (err == ENOENT) return Status::NotFound("No file " + path);
      return Status::IoError("Cannot open " + path + ": " + std::strerror(err));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // A holder may have renamed a new file over the path while we waited
      // for the old one: the lock counts only on the file the path names now.
      struct stat held {}, named {};
      if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        return FileLock(path, fd);
      }
      ::close(fd);
      continue;
    }
    int err = errno;
    ::close(fd);
    if (err != EWOULDBLOCK && err != EINTR) {
      return Status::IoError("Cannot lock " + path + ": " + std::strerror(err));
    }
    if (Clock::now() >= deadline) {
      return Status::Busy(path + " is in use by another program");
    }
    // Polling keeps the wait bounded without a signal or a helper thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void FileLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace almanix::platform
