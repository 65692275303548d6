#include "platform/places.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string_view>

#include "app/file_util.h"

namespace almanix::platform {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool MakeDirs(const std::string& path, mode_t mode) {
  std::string p = WithTrailingSlash(path);
  for (size_t i = 1; i < p.size(); ++i) {
    if (p[i] != '/') continue;
    std::string part = p.substr(0, i);
    if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  return DirectoryExists(p);
}

// A folder only this user can enter. Refuses one another user made first, a
// link, or one others can write to.
bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  if (::lstat(WithoutTrailingSlash(path).c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

std::string PrivateTemp(const std::string& root) {
  if (!root.empty()) {
    std::string t = WithTrailingSlash(root) + "Temp/";
    MakeDirs(t, 0700);
    ::chmod(t.c_str(), 0700);
    return t;
  }
  std::string runtime = Env("XDG_RUNTIME_DIR");
  if (!runtime.empty() && DirectoryExists(runtime)) {
    std::string t = WithTrailingSlash(runtime) + "Vorlund-Almanix/";
    ::mkdir(t.c_str(), 0700);
    if (IsPrivateFolder(t)) return t;
  }
  std::string base = Env("TMPDIR");
  if (base.empty() || !DirectoryExists(base)) base = "/tmp";
  std::string t = WithTrailingSlash(base) + "Vorlund-Almanix-" +
                  std::to_string(::geteuid()) + "/";
  ::mkdir(t.c_str(), 0700);
  if (IsPrivateFolder(t)) return t;
  // Someone else holds that name: take a fresh unguessable one instead.
  std::string pattern = WithTrailingSlash(base) + "Vorlund-Almanix-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) return pattern + "/";
  return t;
}

}  // namespace

std::string HomeDir() {
  std::string home = Env("HOME");
  if (home.empty()) {
    if (passwd* pw = ::getpwuid(::geteuid())) home = pw->pw_dir ? pw->pw_dir : "";
  }
  if (home.empty()) home = "/";
  return WithoutTrailingSlash(home);
}

Places ResolvePlaces(const std::string& root_override) {
  Places p;
  p.system = "/usr/";
  std::string root = root_override.empty() ? Env("ALMANIX_ROOT") : root_override;
  if (!root.empty()) {
    root = WithTrailingSlash(SlashPath(root));
    MakeDirs(root, 0755);
    char resolved[PATH_MAX];
    if (::realpath(root.c_str(), resolved) != nullptr) {
      root = WithTrailingSlash(resolved);
    }
    p.root = root;
    p.user_maker = root;
    p.user_data = root;
    p.common_data = root + "Common/";
    p.temp = PrivateTemp(root);
    p.config_home = root + "config/";
    p.runtime = p.temp;
    return p;
  }
  std::string data_home = Env("XDG_DATA_HOME");
  if (data_home.empty()) data_home = HomeDir() + "/.local/share";
  p.user_maker = WithTrailingSlash(data_home) + "Vorlund/";
  p.user_data = p.user_maker + "Almanix/";
  const std::string machine = "/var/lib/Vorlund/Almanix/";
  if (MakeDirs(machine, 0755) && ::access(machine.c_str(), W_OK) == 0) {
    p.common_data = machine;
    p.common_is_machine_wide = true;
  } else {
    p.common_data = p.user_data + "Common/";
  }
  p.temp = PrivateTemp("");
  std::string config_home = Env("XDG_CONFIG_HOME");
  if (config_home.empty()) config_home = HomeDir() + "/.config";
  p.config_home = WithTrailingSlash(config_home);
  std::string runtime = Env("XDG_RUNTIME_DIR");
  p.runtime = !runtime.empty() && DirectoryExists(runtime)
                  ? WithTrailingSlash(runtime)
                  : p.temp;
  return p;
}

std::string ExecutableDir() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  return ParentPath(std::string_view(buffer, static_cast<size_t>(n)));
}

std::string FindInstallDir() {
  std::string exe = ExecutableDir();
  std::string shared = exe + "../share/almanix/";
  char resolved[PATH_MAX];
  if (DirectoryExists(shared) && ::realpath(shared.c_str(), resolved)) {
    return WithTrailingSlash(resolved);
  }
  if (DirectoryExists(exe + "resources/")) return exe + "resources/";
  return shared;
}

}  // namespace almanix::platform
