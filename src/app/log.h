#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace almanix {

namespace platform {
struct SystemInfo;
}

enum class LogLevel { kInfo = 0, kWarning = 1, kError = 2, kDebug = 3 };

// The program's diagnostic log: one plain-text file a day,
// <log_dir><name>/<name>-Mmm-D-YYYY.txt, each line "hh:mm:ss AM<TAB>Level
// <TAB>message<TAB>". Every line opens, appends to and closes the file.
// Logging never throws and never stops the program: a folder that cannot be
// made or a file that cannot be written makes it silent.
class TLog {
 public:
  using Clock = std::function<std::time_t()>;

  // Creates <log_dir><name>/ when missing (one level) and writes the six
  // system description lines. The clock gives "now" (tests pass their own).
  TLog(std::string log_dir, std::string name, const platform::SystemInfo& info,
       Clock clock = nullptr);

  void Info(std::string_view message) { Write(LogLevel::kInfo, message); }
  void Error(std::string_view message) { Write(LogLevel::kError, message); }
  void Write(LogLevel level, std::string_view message);
  void Logf(LogLevel level, const char* format, ...)
      __attribute__((format(printf, 3, 4)));

  // The file today's lines go to.
  std::string FileFor(std::time_t when) const;
  std::string CurrentFile() const { return FileFor(Now()); }
  const std::string& folder() const { return folder_; }

  // "Info", "Warning", "Error", "Debug"; "?" for anything else.
  static std::string_view LevelName(int level);
  // The line as written, without the line break.
  static std::string FormatLine(std::time_t when, LogLevel level,
                                std::string_view message);

 private:
  std::time_t Now() const;
  // FormatLine from a time of day already written out.
  static std::string JoinLine(std::string_view time_of_day, LogLevel level,
                              std::string_view message);

  std::string name_;
  std::string folder_;
  Clock clock_;
};

// For code whose log may not exist yet: writes when there is one.
inline void LogTo(TLog* log, bool error, std::string_view message) {
  if (log != nullptr) log->Write(error ? LogLevel::kError : LogLevel::kInfo, message);
}

}  // namespace almanix
