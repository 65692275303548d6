#include "generator/day_folders.h"

#include <dirent.h>

namespace almanix::generator {

bool DayFolders::MayExist(const std::string& day_folder) {
  std::string folder = day_folder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return true;
  const std::string parent = folder.substr(0, slash + 1);
  auto [it, fresh] = listings_.try_emplace(parent);
  if (fresh) {
    if (DIR* listing = ::opendir(parent.c_str())) {
      while (const dirent* entry = ::readdir(listing)) it->second.insert(entry->d_name);
      ::closedir(listing);
    }
  }
  return it->second.count(folder.substr(slash + 1)) > 0;
}

}  // namespace almanix::generator
