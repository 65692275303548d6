#pragma once

#include <string>

namespace almanix::platform {

// The folders the operating system gives the program, each with a trailing
// "/". Resolved once at start from the environment.
struct Places {
  std::string root;         // the --root / ALMANIX_ROOT folder; empty without one
  std::string user_maker;   // per-user application data + "Vorlund/"
  std::string user_data;    // user_maker + "Almanix/"
  std::string common_data;  // the style library shared by all users
  bool common_is_machine_wide = false;
  std::string temp;         // private (0700) temporary folder of this user
  std::string config_home;  // autostart entries and the small value store
  std::string runtime;      // where the single-instance lock lives
  std::string system;       // the system folder, kept for callers
};

// Reads ALMANIX_ROOT, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR, TMPDIR
// and HOME. With a root (the argument, else ALMANIX_ROOT) every per-user,
// common and temporary folder lies under it, so tests and portable use never
// touch the real home. Creates the temporary folder (and, to learn whether it
// is writable, the machine-wide common folder). Never throws.
Places ResolvePlaces(const std::string& root_override = "");

// The folder of the running program, with trailing "/".
std::string ExecutableDir();

// The installed data: <exe>/../share/almanix/ (the build tree has the same
// layout), else <exe>/resources/ when that exists.
std::string FindInstallDir();

// The user's home folder (HOME, else the password database), no trailing "/".
std::string HomeDir();

}  // namespace almanix::platform
