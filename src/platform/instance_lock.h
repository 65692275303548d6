#pragma once

#include <string>

namespace almanix::platform {

// The single-instance guard: an exclusive lock on <runtime>/AlmanixMutex.
// The lock goes with the process, so a crash never leaves it stale.
class InstanceLock {
 public:
  explicit InstanceLock(std::string runtime_dir);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this object now holds the lock; false when another instance
  // (or another InstanceLock) holds it or the file cannot be made.
  bool TryAcquire();
  void Release();
  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace almanix::platform
