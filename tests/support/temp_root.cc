#include "support/temp_root.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace almanix::testing {
namespace {

void Save(const char* name, std::string* value, bool* had) {
  const char* v = std::getenv(name);
  *had = v != nullptr;
  if (v) *value = v;
}

void Restore(const char* name, const std::string& value, bool had) {
  if (had) {
    setenv(name, value.c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

TempRoot::TempRoot() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "almanix-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern + "/";
  Save("ALMANIX_ROOT", &saved_root_, &had_root_);
  Save("XDG_CONFIG_HOME", &saved_config_, &had_config_);
  Save("XDG_DATA_HOME", &saved_data_, &had_data_);
  setenv("ALMANIX_ROOT", (path_ + "root").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (path_ + "xdg-config").c_str(), 1);
  setenv("XDG_DATA_HOME", (path_ + "xdg-data").c_str(), 1);
}

TempRoot::~TempRoot() {
  Restore("ALMANIX_ROOT", saved_root_, had_root_);
  Restore("XDG_CONFIG_HOME", saved_config_, had_config_);
  Restore("XDG_DATA_HOME", saved_data_, had_data_);
  std::error_code ec;
  // Tests may leave read-only entries behind; make them removable first.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied,
           ec);
       !ec && it != std::filesystem::recursive_directory_iterator();
       it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(
      std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::string BuildDataDir() { return std::string(ALMANIX_BUILD_DATA_DIR) + "/"; }

}  // namespace almanix::testing
