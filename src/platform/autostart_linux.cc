#include "platform/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/file_util.h"

namespace almanix::platform {

std::string Autostart::EntryPath() const {
  return WithTrailingSlash(config_home_) + "autostart/almanix.desktop";
}

Status Autostart::Register(const std::string& program) const {
  std::string folder = WithTrailingSlash(config_home_);
  ::mkdir(folder.c_str(), 0700);
  ::mkdir((folder + "autostart").c_str(), 0755);
  // Exec arguments with blanks or quotes must be quoted for the desktop entry.
  std::string exec = program;
  if (exec.find_first_of(" \t\"'\\$`") != std::string::npos) {
    std::string quoted = "\"";
    for (char c : exec) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    exec = quoted + "\"";
  }
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Web Almanix\n"
      "Comment=Keep and publish web calendars\n"
      "Exec=" + exec + "\n"
      "Icon=almanix\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return WriteFileAtomically(EntryPath(), entry);
}

Status Autostart::Remove() const {
  if (::unlink(EntryPath().c_str()) == 0) return Status::Ok();
  if (errno == ENOENT) return Status::NotFound("No autostart entry");
  return Status::IoError("Cannot remove " + EntryPath() + ": " +
                         std::strerror(errno));
}

bool Autostart::IsRegistered() const { return FileExists(EntryPath()); }

}  // namespace almanix::platform
