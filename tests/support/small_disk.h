#pragma once

#include <string>

namespace almanix::testing {

// A small tmpfs mounted on a folder for the length of one test, so that a
// test meets a really full disk (ENOSPC) instead of a stand-in. Mounting
// needs root (CI and our machines run as root); elsewhere the disk is not
// mounted and skip_reason() says why. The destructor unmounts it, before the
// test's TempRoot removes the folder when declared after it.
class SmallDisk {
 public:
  // Creates the folder when missing and mounts `kib` KiB of tmpfs on it.
  SmallDisk(const std::string& folder, int kib);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& skip_reason() const { return skip_reason_; }
  // Takes the free space left with one file, so the next write fails.
  void Fill() const;

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string skip_reason_;
};

}  // namespace almanix::testing
