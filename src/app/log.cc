#include "app/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "app/dates.h"
#include "app/file_util.h"
#include "platform/system_info.h"

namespace almanix {

TLog::TLog(std::string log_dir, std::string name,
           const platform::SystemInfo& info, Clock clock)
    : name_(std::move(name)),
      folder_(WithTrailingSlash(log_dir) + name_ + "/"),
      clock_(std::move(clock)) {
  ::mkdir(folder_.c_str(), 0755);  // one level; a failure only silences us
  Info("WinVersion " + info.version_text);
  Info("Win32Platform " + info.platform);
  Info("Win32MajorVersion " + std::to_string(info.major));
  Info("Win32MinorVersion " + std::to_string(info.minor));
  Info("Win32BuildNumber " + std::to_string(info.build));
  Info("Win32CSDVersion " + info.csd);
}

std::time_t TLog::Now() const {
  return clock_ ? clock_() : std::time(nullptr);
}

std::string_view TLog::LevelName(int level) {
  switch (level) {
    case 0: return "Info";
    case 1: return "Warning";
    case 2: return "Error";
    case 3: return "Debug";
    default: return "?";
  }
}

std::string TLog::FileFor(std::time_t when) const {
  return folder_ + name_ + FormatDateTime("-mmm-d-yyyy", FromTimeT(when)) +
         ".txt";
}

std::string TLog::FormatLine(std::time_t when, LogLevel level,
                             std::string_view message) {
  return JoinLine(FormatDateTime("hh:mm:ss AM/PM", FromTimeT(when)), level, message);
}

std::string TLog::JoinLine(std::string_view time_of_day, LogLevel level,
                           std::string_view message) {
  std::string line(time_of_day);
  line += '\t';
  line += LevelName(static_cast<int>(level));
  line += '\t';
  line += message;
  line += '\t';
  return line;
}

namespace {

// The file name and time of day of the last second written, per thread:
// a start-up writes dozens of lines within one second, and formatting both
// for every line cost more than writing it.
struct Stamp {
  std::time_t when = -1;
  std::string folder;
  std::string file;
  std::string time_of_day;
};
thread_local Stamp last_stamp;

}  // namespace

void TLog::Write(LogLevel level, std::string_view message) {
  try {
    std::time_t now = Now();
    Stamp& stamp = last_stamp;
    if (stamp.when != now || stamp.folder != folder_ + name_) {
      stamp.when = now;
      stamp.folder = folder_ + name_;
      stamp.file = FileFor(now);
      stamp.time_of_day = FormatDateTime("hh:mm:ss AM/PM", FromTimeT(now));
    }
    std::string line = JoinLine(stamp.time_of_day, level, message) + "\n";
    int fd = ::open(stamp.file.c_str(),
                    O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    [[maybe_unused]] ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
  } catch (...) {
    // Out of memory while logging: there is nobody left to tell.
  }
}

void TLog::Logf(LogLevel level, const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Write(level, buffer);
}

}  // namespace almanix
