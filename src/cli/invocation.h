#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/dates.h"

namespace almanix::cli {

// Exit codes of almanix-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommandSpec;

// One command line, split by ParseCommandLine (cli/options.h): only options
// of the command's table reach options and flags.
struct Invocation {
  std::string root;
  std::string workdir;
  std::string calendar;
  std::optional<int> year;
  bool help = false;
  bool version = false;
  bool progress = false;  // show progress even when stderr is no terminal
  std::vector<std::string> words;  // the command and its positional words
  const CommandSpec* command = nullptr;  // null: no or an unknown command
  std::multimap<std::string, std::string> options;
  std::vector<std::string> flags;
  std::set<std::string> globals_given;  // the program's own options seen

  std::optional<std::string> Option(const std::string& name) const {
    auto it = options.find(name);
    if (it == options.end()) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> out;
    auto range = options.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
  }
  bool Flag(const std::string& name) const {
    for (const std::string& f : flags) {
      if (f == name) return true;
    }
    return false;
  }
};

// "YYYY-MM-DD" and "YYYY-MM-DD HH:MM" (24-hour); nullopt when not one.
std::optional<DayNumber> ParseDate(const std::string& text);
std::optional<DateTimeValue> ParseDateTime(const std::string& text);
std::string DateText(DayNumber day);
// The path made absolute against the current folder and normalised; as
// given when that fails.
std::string AbsolutePath(const std::string& path);
// "1,3,5" as numbers each within [low, high]; nullopt on anything else.
std::optional<std::vector<int>> ParseNumberList(const std::string& text, int low,
                                                int high);

// Prints "almanix: " + problem and the usage; returns kExitUsage.
int UsageError(std::ostream& err, const std::string& problem);
// Prints "almanix: " + message; returns kExitFailed.
int Failed(std::ostream& err, const std::string& message);

}  // namespace almanix::cli
