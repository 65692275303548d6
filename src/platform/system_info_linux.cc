#include "platform/system_info.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>

#include "app/file_util.h"
#include "app/text.h"

namespace almanix::platform {
namespace {

std::string PrettyName(const std::string& os_release) {
  auto bytes = ReadFileBytes(os_release);
  if (!bytes.ok()) return "";
  std::string name;
  for (const std::string& line : SplitLines(bytes.value())) {
    std::string key = line.substr(0, line.find('='));
    if (key != "PRETTY_NAME" && !(key == "NAME" && name.empty())) continue;
    std::string value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    name = value;
    if (key == "PRETTY_NAME") break;
  }
  return name;
}

}  // namespace

SystemInfo ReadSystemInfo(const std::string& os_release) {
  SystemInfo info;
  utsname u {};
  if (::uname(&u) != 0) return info;
  info.platform = u.sysname;
  info.csd = u.version;
  int major = 0, minor = 0, build = 0;
  std::sscanf(u.release, "%d.%d.%d", &major, &minor, &build);
  info.major = major;
  info.minor = minor;
  info.build = build;
  std::string name = PrettyName(os_release);
  if (name.empty()) name = info.platform;
  info.version_text = name + " " + u.release;
  return info;
}

}  // namespace almanix::platform
