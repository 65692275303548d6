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
  std::string line = FormatDateTime("hh:mm:ss AM/PM", FromTimeT(when));
  line += '\t';
  line += LevelName(static_cast<int>(level));
  line += '\t';
  line += message;
  line += '\t';
  return line;
}

void TLog::Write(LogLevel level, std::string_view message) {
  try {
    std::time_t now = Now();
    std::string line = FormatLine(now, level, message) + "\n";
    int fd = ::open(FileFor(now).c_str(),
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
