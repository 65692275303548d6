#pragma once

#include <string>

#include "app/status.h"

namespace almanix::platform {

// Start with the session: an XDG autostart entry
// <config_home>/autostart/almanix.desktop.
class Autostart {
 public:
  explicit Autostart(std::string config_home)
      : config_home_(std::move(config_home)) {}
  // Writes (or rewrites) the entry that starts `program`.
  Status Register(const std::string& program) const;
  // Removes the entry; NotFound when there was none.
  Status Remove() const;
  bool IsRegistered() const;
  std::string EntryPath() const;

 private:
  std::string config_home_;
};

}  // namespace almanix::platform
