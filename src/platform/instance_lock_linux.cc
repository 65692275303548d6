#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/file_util.h"

namespace almanix::platform {

InstanceLock::InstanceLock(std::string runtime_dir)
    : path_(WithTrailingSlash(runtime_dir) + "AlmanixMutex") {}

InstanceLock::~InstanceLock() { Release(); }

bool InstanceLock::TryAcquire() {
  if (fd_ >= 0) return true;
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  // The holder's process number, for a person looking at the file.
  std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] ssize_t n = ::write(fd, pid.data(), pid.size());
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace almanix::platform
