#pragma once

#include <string>
#include <string_view>

#include "app/status.h"

// The small per-user store that stands in for the registry values the
// desktop services record (the start page, the wallpaper): an INI file in
// the user's configuration folder.
namespace almanix::platform {

// config_home + "almanix/values.ini".
std::string ValueStorePath(std::string_view config_home);

// Writes one value, keeping the others; makes the folder when missing.
Status RecordValue(const std::string& store_path, std::string_view section, std::string_view key,
                   std::string_view value);
std::string ReadValue(const std::string& store_path, std::string_view section,
                      std::string_view key);

}  // namespace almanix::platform
