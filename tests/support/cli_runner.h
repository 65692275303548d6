#pragma once

#include <string>
#include <vector>

namespace almanix::testing {

// What one run of the built almanix-cli gave.
struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs almanix-cli with the arguments (each passed as one word), its output
// captured through files in scratch_folder.
CliResult RunCli(const std::vector<std::string>& args, const std::string& scratch_folder);

// The text as one word for /bin/sh.
std::string ShellQuote(const std::string& text);

}  // namespace almanix::testing
