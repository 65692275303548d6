#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix::publish {

// How often a favorite is republished unattended.
enum class RepublishEvery { kOff, kDaily, kWeekly };

// "daily", "weekly", "off"; nullopt for anything else.
std::optional<RepublishEvery> ParseRepublishEvery(std::string_view word);
std::string_view RepublishEveryWord(RepublishEvery every);

// What one outside program gave back. exit_code is -1 when it could not be
// started at all (not installed).
struct CommandOutcome {
  int exit_code = -1;
  std::string output;  // its standard output
};

// The seam to systemctl and crontab: tests pass a fake that records the calls.
class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // Runs argv[0] found on PATH with input on its standard input.
  virtual CommandOutcome Run(const std::vector<std::string>& argv,
                             const std::string& input) = 0;
};

// Runs real programs (posix_spawnp); standard error is dropped.
class ProcessRunner : public CommandRunner {
 public:
  CommandOutcome Run(const std::vector<std::string>& argv,
                     const std::string& input) override;
};

// Where the scheduled runs come from and go to.
struct ScheduleEnv {
  std::string cli_path;     // the almanix-cli to run, absolute
  std::string root;         // its --root; empty for the account's own data
  std::string systemd_dir;  // the user units' folder (~/.config/systemd/user/)
  std::string log_folder;   // the program's log folder (TLog::folder())
  CommandRunner* runner = nullptr;
};

// The systemd user folder of this account: $XDG_CONFIG_HOME/systemd/user/,
// else ~/.config/systemd/user/.
std::string UserUnitFolder();

// One favorite's schedule as it stands.
struct ScheduleInfo {
  std::string name;
  RepublishEvery every = RepublishEvery::kOff;
  std::string by;        // "systemd" or "cron"; empty when not set
  std::string last_run;  // "Dec-9-2026 03:00:01 AM", empty when never run
  bool last_ok = true;   // whether that run published
};

// Sets, reads and removes the unattended republish of favorites: a systemd
// user service and timer per favorite, enabled through systemctl --user,
// or a crontab line where no user systemd answers.
class RepublishSchedule {
 public:
  explicit RepublishSchedule(ScheduleEnv env) : env_(std::move(env)) {}

  // kOff removes the schedule (from systemd and cron both).
  Status Set(const std::string& name, RepublishEvery every);
  ScheduleInfo Get(const std::string& name);
  // Every favorite that has a schedule, by name.
  std::vector<ScheduleInfo> List();

  // The unit's base name: almanix-publish-NAME with NAME escaped for a
  // unit name (\xHH for characters systemd does not take).
  static std::string UnitName(const std::string& name);
  // The inverse of UnitName's escaping; nullopt for a name that is not ours.
  static std::optional<std::string> NameOfUnit(std::string_view unit_base);
  std::string ServiceText(const std::string& name) const;
  static std::string TimerText(const std::string& name, RepublishEvery every);
  // The crontab line; nullopt when a path or name holds a character cron
  // cannot carry (% and line breaks).
  std::optional<std::string> CrontabLine(const std::string& name,
                                         RepublishEvery every) const;
  // The command line a scheduled run executes.
  std::vector<std::string> RunArguments(const std::string& name) const;

 private:
  bool SystemdAnswers();
  Status SetSystemd(const std::string& name, RepublishEvery every);
  Status RemoveSystemd(const std::string& name, bool systemd);
  Result<std::string> CrontabText(bool* cron_present);
  Status WriteCrontab(const std::string& name, std::optional<std::string> line);
  void AddLastRun(ScheduleInfo* info) const;

  ScheduleEnv env_;
};

// The log line a scheduled run writes when it ends, and its reading.
std::string ScheduledRunLogLine(const std::string& name, bool ok,
                                const std::string& message);

// The marker a failed scheduled publish leaves for the desktop's next start:
// one line per favorite ("NAME<TAB>when<TAB>message"), in the per-user data.
class ScheduledRunMarker {
 public:
  explicit ScheduledRunMarker(std::string path) : path_(std::move(path)) {}
  static std::string PathIn(const std::string& user_data_dir);

  // A failed run replaces the favorite's line; a good run removes it.
  Status Record(const std::string& name, bool ok, std::time_t when,
                const std::string& message);
  // The message the desktop shows for the failures recorded; empty when
  // none. Taking them clears the marker, so each is shown once.
  std::string TakeMessage();

 private:
  std::string path_;
};

}  // namespace almanix::publish
