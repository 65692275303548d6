#include "support/small_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace almanix::testing {

SmallDisk::SmallDisk(const std::string& folder, int kib) : folder_(folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (::geteuid() != 0) {
    skip_reason_ = "mounting a small tmpfs needs root";
    return;
  }
  const std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    skip_reason_ = "cannot mount a tmpfs on " + folder + ": " + std::strerror(errno);
    return;
  }
  mounted_ = true;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

void SmallDisk::Fill() const {
  const std::string path = folder_ + "/.filler";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::vector<char> block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // Whatever is left below a block goes too.
  while (::write(fd, block.data(), 1) > 0) {
  }
  ::close(fd);
}

}  // namespace almanix::testing
