#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ostream>
#include <string>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "publish/republish_schedule.h"
#include "settings/publish_settings.h"

namespace almanix::cli {
namespace {

using publish::RepublishEvery;
using publish::RepublishSchedule;

std::string OwnPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "almanix-cli";
  return std::string(buffer, static_cast<size_t>(n));
}

// The root the scheduled run must work in: the one this command works in.
std::string RootOf(const Invocation& inv) {
  if (!inv.root.empty()) return AbsolutePath(inv.root);
  const char* env = std::getenv("ALMANIX_ROOT");
  return env != nullptr && env[0] != '\0' ? AbsolutePath(env) : std::string();
}

std::string Described(const publish::ScheduleInfo& info) {
  std::string line = info.name + "\t" + std::string(publish::RepublishEveryWord(info.every)) +
                     "\t" + (info.by.empty() ? "-" : info.by) + "\t";
  if (info.last_run.empty()) return line + "never run";
  return line + "last run " + info.last_run + (info.last_ok ? "" : " (failed)");
}

}  // namespace

int RunScheduleCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const bool list = inv.Flag("--list");
  if (list && inv.words.size() > 1) return UsageError(err, "schedule --list takes no NAME");
  if (!list && inv.words.size() != 3) {
    return UsageError(err, "schedule needs NAME and daily, weekly or off");
  }
  std::optional<RepublishEvery> every;
  std::string name;
  if (!list) {
    if (inv.words[1].empty() || inv.words[1].find('/') != std::string::npos ||
        inv.words[1] == "." || inv.words[1] == "..") {
      return UsageError(err, "a favorite's NAME is a plain name, not " + inv.words[1]);
    }
    // Sports and Sports.html name the same favorite.
    name = publish::FavoriteName(publish::CompletePageName(inv.words[1]));
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
      return UsageError(err, "a favorite's NAME is a plain name, not " + name);
    }
    every = publish::ParseRepublishEvery(inv.words[2]);
    if (!every) return UsageError(err, "schedule takes daily, weekly or off, not " + inv.words[2]);
  }
  if (!inv.workdir.empty() || !inv.calendar.empty()) {
    return UsageError(err, "a scheduled publish works in the start-up folder; "
                           "--workdir and --calendar do not apply");
  }
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  publish::ProcessRunner runner;
  publish::ScheduleEnv env;
  env.cli_path = OwnPath();
  env.root = RootOf(inv);
  env.systemd_dir = publish::UserUnitFolder();
  env.log_folder = session.app.log ? session.app.log->folder() : std::string();
  env.runner = &runner;
  RepublishSchedule schedule(env);
  if (list) {
    for (const publish::ScheduleInfo& info : schedule.List()) out << Described(info) << "\n";
    return kExitOk;
  }
  if (*every != RepublishEvery::kOff &&
      !DirectoryExists(WithTrailingSlash(session.app.dir->FavoritesDir) + name + "/")) {
    return Failed(err, "there is no favorite " + name);
  }
  if (Status s = schedule.Set(name, *every); !s.ok()) return Failed(err, s.message());
  out << Described(schedule.Get(name)) << "\n";
  return kExitOk;
}

}  // namespace almanix::cli
