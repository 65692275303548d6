#pragma once

#include <string>

namespace almanix::platform {

// What the log's system description reports, from uname and os-release.
struct SystemInfo {
  std::string version_text = "?";  // "<distribution> <kernel release>"
  std::string platform;            // kernel name, e.g. Linux
  int major = 0;                   // kernel version numbers
  int minor = 0;
  int build = 0;
  std::string csd;                 // kernel build description
};

// Never fails: unreadable parts stay at their defaults ("?" for the text).
SystemInfo ReadSystemInfo(const std::string& os_release = "/etc/os-release");

}  // namespace almanix::platform
