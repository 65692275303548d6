#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/invocation.h"

namespace almanix::cli {

// One option a command knows.
struct OptionSpec {
  std::string_view name;   // "--category", "-o"
  std::string_view value;  // its value as the usage names it; empty for a flag
  bool repeats = false;    // may be given more than once
  bool required = false;   // shown without brackets in the usage
};

// One command: its words, the options it knows and what it does. The usage
// that --help prints is made from this, so the two cannot drift apart.
struct CommandSpec {
  std::string_view name;  // "event add"; "FILE.cal" for the program's own form
  std::string_view args;  // words between the name and the options ("FILE")
  std::vector<OptionSpec> options;
  std::string_view tail;   // words after the options ("TEXT")
  std::string_view about;  // the paragraph below the usage line
};

// Every command, in the order the general usage lists them.
const std::vector<CommandSpec>& Commands();
// The options of the program itself, known before and after every command.
const std::vector<OptionSpec>& GlobalOptions();
// The command of that name ("event add", "save"); null when there is none.
const CommandSpec* FindCommand(std::string_view name);

// "usage: almanix-cli NAME ARGS [OPTIONS] TAIL", wrapped, then the about text.
std::string UsageOf(const CommandSpec& command);
// The usage of every sub-command of a group ("event", "favorite").
std::string GroupUsage(std::string_view group);
// The program's usage: its own options and every command's usage line.
std::string GeneralUsage();

// The number of single-character insertions, deletions and substitutions
// that turn a into b.
size_t EditDistance(std::string_view a, std::string_view b);
// The known option closest to the unknown one: the command's (when given)
// and the program's own; the first in table order on a tie.
std::string NearestOption(std::string_view unknown, const CommandSpec* command);

// Splits a command line by the tables: the program's own options anywhere,
// the command's words, then the options of that command only. Fills inv and
// returns nullopt; on a usage problem (an unknown or misspelt option, a
// missing value, an option given twice that may not repeat) returns its
// message, which names the nearest known option where one was misspelt.
// An unknown command is left to the caller (inv->command stays null).
std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            Invocation* inv);

}  // namespace almanix::cli
