#pragma once

#include <chrono>
#include <string>
#include <utility>

#include "app/status.h"

namespace almanix::platform {

// An exclusive advisory lock (flock) on one existing file, held until
// Release or destruction. The lock goes with the process, so a crash never
// leaves it stale. Files that are replaced by renaming a new file over them
// (a saved calendar) are handled: the lock is always on the file the path
// names when Acquire returns.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock on path, waiting up to `wait` while another holder has
  // it. Busy when the wait ran out; NotFound or IoError when the file
  // cannot be opened. With `create`, a missing file is made (empty, 0600).
  static Result<FileLock> Acquire(const std::string& path,
                                  std::chrono::milliseconds wait,
                                  bool create = false);

  void Release();
  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  FileLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::string path_;
  int fd_ = -1;
};

}  // namespace almanix::platform
