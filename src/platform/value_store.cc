#include "platform/value_store.h"

#include <filesystem>
#include <system_error>

#include "app/file_util.h"
#include "app/ini_file.h"

namespace almanix::platform {

std::string ValueStorePath(std::string_view config_home) {
  return WithTrailingSlash(config_home) + "almanix/values.ini";
}

Status RecordValue(const std::string& store_path, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::error_code ec;
  std::filesystem::create_directories(ParentPath(store_path), ec);
  IniFile ini(store_path);
  // A missing store is an empty one.
  if (FileExists(store_path)) {
    if (Status loaded = ini.Load(); !loaded.ok()) return loaded;
  }
  ini.WriteString(section, key, value);
  return ini.Save();
}

std::string ReadValue(const std::string& store_path, std::string_view section,
                      std::string_view key) {
  IniFile ini(store_path);
  if (!FileExists(store_path) || !ini.Load().ok()) return "";
  return ini.ReadString(section, key, "");
}

}  // namespace almanix::platform
