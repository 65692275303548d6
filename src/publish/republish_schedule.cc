#include "publish/republish_schedule.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "app/dates.h"
#include "app/file_util.h"
#include "app/text.h"

extern char** environ;

namespace almanix::publish {
namespace {

constexpr std::string_view kUnitPrefix = "almanix-publish-";
constexpr std::string_view kCronTag = "# almanix-publish-";
constexpr std::string_view kLogPrefix = "Scheduled publish of \"";

bool UnitChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// One word of an ExecStart= line: quoted, with systemd's own specials (%
// specifiers and $ variables) doubled so the word arrives as written.
std::string SystemdWord(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    if (c == '$') out += '$';
    out += c;
  }
  return out + "\"";
}

std::string ShellWord(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string FileText(const std::string& path) {
  Result<std::string> bytes = ReadFileBytes(path);
  return bytes.ok() ? bytes.value() : std::string();
}

// "Dec-9-2026" of a log file's name as a sortable number; 0 when not one.
long LogDayKey(std::string_view stem) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::vector<std::string> parts = Split(stem, '-');
  if (parts.size() != 3) return 0;
  long month = 0;
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (parts[0] == kMonths[i]) month = static_cast<long>(i) + 1;
  }
  const long day = std::atol(parts[1].c_str());
  const long year = std::atol(parts[2].c_str());
  if (month == 0 || day < 1 || day > 31 || year < 1900) return 0;
  return year * 10000 + month * 100 + day;
}

}  // namespace

std::optional<RepublishEvery> ParseRepublishEvery(std::string_view word) {
  if (word == "daily") return RepublishEvery::kDaily;
  if (word == "weekly") return RepublishEvery::kWeekly;
  if (word == "off") return RepublishEvery::kOff;
  return std::nullopt;
}

std::string_view RepublishEveryWord(RepublishEvery every) {
  switch (every) {
    case RepublishEvery::kDaily:
      return "daily";
    case RepublishEvery::kWeekly:
      return "weekly";
    case RepublishEvery::kOff:
      break;
  }
  return "off";
}

CommandOutcome ProcessRunner::Run(const std::vector<std::string>& argv,
                                  const std::string& input) {
  CommandOutcome outcome;
  if (argv.empty()) return outcome;
  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) return outcome;
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    close(in_pipe[0]);
    close(in_pipe[1]);
    return outcome;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in_pipe[0]);
  close(out_pipe[1]);
  if (rc != 0) {
    close(in_pipe[1]);
    close(out_pipe[0]);
    return outcome;
  }
  // Feed the input and read the output together, so neither side can stall
  // the other on a full pipe.
  size_t written = 0;
  int to_child = in_pipe[1];
  if (input.empty()) {
    close(to_child);
    to_child = -1;
  } else {
    // A blocking write of more than the pipe holds would wait for a child
    // that waits for us to read.
    fcntl(to_child, F_SETFL, fcntl(to_child, F_GETFL) | O_NONBLOCK);
  }
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {to_child, POLLOUT, 0}};
    const int count = to_child >= 0 ? 2 : 1;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (count == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t n = write(to_child, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
        close(to_child);
        to_child = -1;
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t n = read(out_pipe[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      outcome.output.append(buffer, static_cast<size_t>(n));
    }
  }
  if (to_child >= 0) close(to_child);
  close(out_pipe[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // 127: the shell's "not found"; posix_spawnp reports a missing program so.
  outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  if (outcome.exit_code == 127) outcome.exit_code = -1;
  return outcome;
}

std::string UserUnitFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    return WithTrailingSlash(config) + "systemd/user/";
  }
  const char* home = std::getenv("HOME");
  return WithTrailingSlash(home != nullptr ? home : "") + ".config/systemd/user/";
}

std::string RepublishSchedule::UnitName(const std::string& name) {
  std::string out(kUnitPrefix);
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (UnitChar(c) && !(i == 0 && c == '.') && c != '-') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out;
}

std::optional<std::string> RepublishSchedule::NameOfUnit(std::string_view unit_base) {
  if (!unit_base.starts_with(kUnitPrefix)) return std::nullopt;
  std::string_view rest = unit_base.substr(kUnitPrefix.size());
  std::string name;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '\\') {
      if (i + 3 >= rest.size() || rest[i + 1] != 'x') return std::nullopt;
      const std::string hex(rest.substr(i + 2, 2));
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end != hex.c_str() + 2) return std::nullopt;
      name += static_cast<char>(value);
      i += 3;
    } else {
      name += rest[i];
    }
  }
  if (name.empty()) return std::nullopt;
  return name;
}

std::vector<std::string> RepublishSchedule::RunArguments(const std::string& name) const {
  std::vector<std::string> args = {env_.cli_path};
  if (!env_.root.empty()) {
    args.push_back("--root");
    args.push_back(env_.root);
  }
  args.push_back("publish");
  args.push_back(name);
  // The run then logs its end and leaves the marker for the desktop.
  args.push_back("--scheduled");
  return args;
}

std::string RepublishSchedule::ServiceText(const std::string& name) const {
  std::string exec;
  for (const std::string& a : RunArguments(name)) {
    exec += (exec.empty() ? "" : " ") + SystemdWord(a);
  }
  return "[Unit]\n"
         "Description=Republish the web calendar " + name + " (Web Almanix)\n"
         "After=network-online.target\n"
         "\n"
         "[Service]\n"
         "Type=oneshot\n"
         "ExecStart=" + exec + "\n";
}

std::string RepublishSchedule::TimerText(const std::string& name, RepublishEvery every) {
  return "[Unit]\n"
         "Description=Republish the web calendar " + name + " " +
         std::string(RepublishEveryWord(every)) + "\n"
         "\n"
         "[Timer]\n"
         "OnCalendar=" + std::string(RepublishEveryWord(every)) + "\n"
         // A run missed while the computer was off is made up at the next start.
         "Persistent=true\n"
         "RandomizedDelaySec=10min\n"
         "\n"
         "[Install]\n"
         "WantedBy=timers.target\n";
}

std::optional<std::string> RepublishSchedule::CrontabLine(const std::string& name,
                                                          RepublishEvery every) const {
  std::string line = every == RepublishEvery::kWeekly ? "@weekly" : "@daily";
  for (const std::string& a : RunArguments(name)) {
    // cron turns % into a line break before the shell sees it.
    if (a.find_first_of("%\n\r") != std::string::npos) return std::nullopt;
    line += " " + ShellWord(a);
  }
  return line + " >/dev/null 2>&1 " + std::string(kCronTag) + UnitName(name).substr(kUnitPrefix.size());
}

bool RepublishSchedule::SystemdAnswers() {
  // Answers only where a user manager runs for this session.
  return env_.runner->Run({"systemctl", "--user", "show-environment"}, "").exit_code == 0;
}

Status RepublishSchedule::SetSystemd(const std::string& name, RepublishEvery every) {
  const std::string base = WithTrailingSlash(env_.systemd_dir) + UnitName(name);
  if (Status s = EnsurePrivateDir(WithoutTrailingSlash(env_.systemd_dir)); !s.ok()) {
    return Status::IoError("Could not make the folder " + env_.systemd_dir).WithCause(s.message());
  }
  if (Status s = WriteFileAtomically(base + ".service", ServiceText(name)); !s.ok()) return s;
  if (Status s = WriteFileAtomically(base + ".timer", TimerText(name, every)); !s.ok()) {
    return s;
  }
  CommandRunner& run = *env_.runner;
  const std::string timer = UnitName(name) + ".timer";
  if (run.Run({"systemctl", "--user", "daemon-reload"}, "").exit_code != 0 ||
      run.Run({"systemctl", "--user", "enable", "--now", timer}, "").exit_code != 0) {
    IgnoreResult(RemoveSystemd(name, true), "the failure to enable is what is reported");
    return Status::IoError("systemctl --user could not enable " + timer);
  }
  return Status::Ok();
}

Status RepublishSchedule::RemoveSystemd(const std::string& name, bool systemd) {
  const std::string base = WithTrailingSlash(env_.systemd_dir) + UnitName(name);
  if (!PathExists(base + ".timer") && !PathExists(base + ".service")) return Status::Ok();
  if (systemd) {
    env_.runner->Run({"systemctl", "--user", "disable", "--now", UnitName(name) + ".timer"}, "");
  }
  bool removed = true;
  for (const char* ext : {".timer", ".service"}) {
    const std::string path = base + ext;
    if (PathExists(path) && std::remove(path.c_str()) != 0) removed = false;
  }
  if (systemd) env_.runner->Run({"systemctl", "--user", "daemon-reload"}, "");
  if (!removed) return Status::IoError("Could not remove " + base + ".timer");
  return Status::Ok();
}

Result<std::string> RepublishSchedule::CrontabText(bool* cron_present) {
  CommandOutcome listed = env_.runner->Run({"crontab", "-l"}, "");
  *cron_present = listed.exit_code >= 0;
  // "no crontab for USER" is exit 1 with nothing on standard output.
  if (listed.exit_code != 0 && !listed.output.empty()) {
    return Status::IoError("crontab -l failed");
  }
  return listed.exit_code == 0 ? listed.output : std::string();
}

Status RepublishSchedule::WriteCrontab(const std::string& name, std::optional<std::string> line) {
  bool present = false;
  Result<std::string> text = CrontabText(&present);
  if (!present) {
    if (!line) return Status::Ok();
    return Status::NotFound(
        "Neither a systemd user session nor cron is here to republish on a schedule");
  }
  if (!text.ok()) return text.status();
  const std::string tag = std::string(kCronTag) + UnitName(name).substr(kUnitPrefix.size());
  std::string kept;
  bool changed = false;
  for (const std::string& l : SplitLines(text.value())) {
    if (l.ends_with(tag)) {
      changed = true;
      continue;
    }
    kept += l + "\n";
  }
  if (line) {
    kept += *line + "\n";
    changed = true;
  }
  if (!changed) return Status::Ok();
  if (env_.runner->Run({"crontab", "-"}, kept).exit_code != 0) {
    return Status::IoError("crontab could not be written");
  }
  return Status::Ok();
}

Status RepublishSchedule::Set(const std::string& name, RepublishEvery every) {
  if (name.empty()) return Status::Invalid("A favorite's name is needed");
  const bool systemd = SystemdAnswers();
  if (every == RepublishEvery::kOff) {
    // Removed wherever it is, so a schedule made before systemd came (or
    // went) does not stay behind.
    Status units = RemoveSystemd(name, systemd);
    Status cron = WriteCrontab(name, std::nullopt);
    return units.ok() ? cron : units;
  }
  if (systemd) {
    if (Status s = SetSystemd(name, every); !s.ok()) return s;
    return WriteCrontab(name, std::nullopt);
  }
  std::optional<std::string> line = CrontabLine(name, every);
  if (!line) {
    return Status::Invalid("cron cannot run a command whose folder or name holds a %");
  }
  if (Status s = WriteCrontab(name, line); !s.ok()) return s;
  return RemoveSystemd(name, false);
}

ScheduleInfo RepublishSchedule::Get(const std::string& name) {
  for (ScheduleInfo& info : List()) {
    if (info.name == name) return info;
  }
  ScheduleInfo info;
  info.name = name;
  AddLastRun(&info);
  return info;
}

std::vector<ScheduleInfo> RepublishSchedule::List() {
  std::map<std::string, ScheduleInfo> found;
  if (DIR* dir = opendir(env_.systemd_dir.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string file = entry->d_name;
      if (!file.ends_with(".timer")) continue;
      std::optional<std::string> name = NameOfUnit(file.substr(0, file.size() - 6));
      if (!name) continue;
      ScheduleInfo info;
      info.name = *name;
      info.by = "systemd";
      const std::string text = FileText(WithTrailingSlash(env_.systemd_dir) + file);
      info.every = text.find("OnCalendar=weekly") != std::string::npos ? RepublishEvery::kWeekly
                                                                        : RepublishEvery::kDaily;
      found[info.name] = info;
    }
    closedir(dir);
  }
  bool cron = false;
  Result<std::string> crontab = CrontabText(&cron);
  if (crontab.ok()) {
    for (const std::string& line : SplitLines(crontab.value())) {
      const size_t tag = line.rfind(kCronTag);
      if (tag == std::string::npos) continue;
      std::optional<std::string> name = NameOfUnit(
          std::string(kUnitPrefix) + line.substr(tag + kCronTag.size()));
      if (!name || found.count(*name) != 0) continue;
      ScheduleInfo info;
      info.name = *name;
      info.by = "cron";
      info.every = line.starts_with("@weekly") ? RepublishEvery::kWeekly : RepublishEvery::kDaily;
      found[info.name] = info;
    }
  }
  std::vector<ScheduleInfo> out;
  for (auto& [name, info] : found) {
    AddLastRun(&info);
    out.push_back(info);
  }
  return out;
}

void RepublishSchedule::AddLastRun(ScheduleInfo* info) const {
  // Newest log file first; the last matching line in it is the last run.
  std::vector<std::pair<long, std::string>> files;
  if (DIR* dir = opendir(env_.log_folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string file = entry->d_name;
      const size_t dash = file.find('-');
      if (dash == std::string::npos || !file.ends_with(".txt")) continue;
      const long key = LogDayKey(file.substr(dash + 1, file.size() - dash - 5));
      if (key != 0) files.emplace_back(key, file);
    }
    closedir(dir);
  }
  std::sort(files.rbegin(), files.rend());
  const std::string wanted = std::string(kLogPrefix) + info->name + "\": ";
  for (const auto& [key, file] : files) {
    std::vector<std::string> lines =
        SplitLines(FileText(WithTrailingSlash(env_.log_folder) + file));
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
      std::vector<std::string> cells = Split(*it, '\t');
      if (cells.size() < 3 || !cells[2].starts_with(wanted)) continue;
      const size_t dash = file.find('-');
      info->last_run = file.substr(dash + 1, file.size() - dash - 5) + " " + cells[0];
      info->last_ok = cells[2].substr(wanted.size()).starts_with("published");
      return;
    }
  }
}

std::string ScheduledRunLogLine(const std::string& name, bool ok, const std::string& message) {
  std::string line = std::string(kLogPrefix) + name + "\": " + (ok ? "published" : "failed");
  if (!message.empty()) line += " (" + ReplaceAll(ReplaceAll(message, "\n", " "), "\t", " ") + ")";
  return line;
}

std::string ScheduledRunMarker::PathIn(const std::string& user_data_dir) {
  return WithTrailingSlash(user_data_dir) + "ScheduledPublishFailed.txt";
}

Status ScheduledRunMarker::Record(const std::string& name, bool ok, std::time_t when,
                                  const std::string& message) {
  std::string kept;
  for (const std::string& line : SplitLines(FileText(path_))) {
    if (line.starts_with(name + "\t") || line.empty()) continue;
    kept += line + "\n";
  }
  if (!ok) {
    const std::string flat = ReplaceAll(ReplaceAll(message, "\n", " "), "\t", " ");
    kept += name + "\t" + FormatDateTime("mmm d, yyyy hh:mm AM/PM", FromTimeT(when)) + "\t" +
            flat + "\n";
  }
  if (kept.empty()) {
    if (PathExists(path_) && std::remove(path_.c_str()) != 0) {
      return Status::IoError("Could not remove " + path_);
    }
    return Status::Ok();
  }
  return WriteFileAtomically(path_, kept);
}

std::string ScheduledRunMarker::TakeMessage() {
  std::string message;
  for (const std::string& line : SplitLines(FileText(path_))) {
    std::vector<std::string> cells = Split(line, '\t');
    if (cells.size() < 3) continue;
    if (!message.empty()) message += "\n";
    message += "The scheduled publish of \"" + cells[0] + "\" on " + cells[1] +
               " failed: " + cells[2] + "\nThe published calendar was left as it was.";
  }
  if (PathExists(path_)) IgnoreResult(std::remove(path_.c_str()) == 0, "shown already");
  return message;
}

}  // namespace almanix::publish
